#pragma once

#include <QWidget>

// The main window of Rostrel.
class RegisterPrintingMain : public QWidget
{
    Q_OBJECT
public:
    explicit RegisterPrintingMain(QWidget *parent = nullptr);
};
