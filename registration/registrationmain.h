#pragma once

#include <QWidget>

// The main window of Lettrix.
class RegistrationMain : public QWidget
{
    Q_OBJECT
public:
    explicit RegistrationMain(QWidget *parent = nullptr);
};
