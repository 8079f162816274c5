#include "prntform.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

PrntForm::PrntForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PrntForm"));
    setWindowTitle(QStringLiteral("Печать"));
    auto *layout = new QVBoxLayout(this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
