#pragma once

#include <QDialog>

// The about box of Lettrix and Rostrel: the program's version.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);
};
