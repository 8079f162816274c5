#include "basemendmain.h"

BasemendMain::BasemendMain(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Basemend"));
    resize(800, 560);
}
