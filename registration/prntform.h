#pragma once

#include <QDialog>

// The printing window: envelope and both sides of the delivery notification
// for the letter being registered.
class PrntForm : public QDialog
{
    Q_OBJECT
public:
    explicit PrntForm(QWidget *parent = nullptr);
};
