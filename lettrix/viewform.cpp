#include "viewform.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

ViewForm::ViewForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ViewForm"));
    setWindowTitle(QStringLiteral("Отправленные"));
    auto *layout = new QVBoxLayout(this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(600, 400);
}
