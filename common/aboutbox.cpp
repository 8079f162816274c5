#include "aboutbox.h"

#include "programglobals.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

AboutBox::AboutBox(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("О программе"));
    auto *layout = new QVBoxLayout(this);
    auto *version = new QLabel(QCoreApplication::applicationName() + QStringLiteral(" ") + ProgramVersion, this);
    version->setObjectName(QStringLiteral("LabelVersion"));
    layout->addWidget(version);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
