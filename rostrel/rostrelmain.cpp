#include "rostrelmain.h"

RostrelMain::RostrelMain(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Rostrel"));
    resize(800, 560);
}
