#pragma once

#include <QWidget>

// The main window of Basemend.
class BasemendMain : public QWidget
{
    Q_OBJECT
public:
    explicit BasemendMain(QWidget *parent = nullptr);
};
