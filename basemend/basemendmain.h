#pragma once

#include <QWidget>

// The main window of Basemend.
class SetupMain : public QWidget
{
    Q_OBJECT
public:
    explicit SetupMain(QWidget *parent = nullptr);
};
