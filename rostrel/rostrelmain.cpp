#include "registerprintingmain.h"

RegisterPrintingMain::RegisterPrintingMain(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Rostrel"));
    resize(800, 560);
}
