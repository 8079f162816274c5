#pragma once

#include <QWidget>

// The main window of Rostrel.
class RostrelMain : public QWidget
{
    Q_OBJECT
public:
    explicit RostrelMain(QWidget *parent = nullptr);
};
