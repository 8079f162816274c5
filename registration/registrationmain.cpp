#include "registrationmain.h"

RegistrationMain::RegistrationMain(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Печать конвертов и уведомлений"));
    resize(800, 560);
}
