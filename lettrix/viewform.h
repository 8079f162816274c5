#pragma once

#include <QDialog>

// The clerk's sent-items view: the letters registered on one day.
class ViewForm : public QDialog
{
    Q_OBJECT
public:
    explicit ViewForm(QWidget *parent = nullptr);
};
