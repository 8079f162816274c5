#pragma once

#include <QCheckBox>

// The check box of the windows. It has no caption of its own: the host puts a
// label beside it. Setting Value from code raises nothing; a user's click has
// already toggled Value when Click arrives.
class Check : public QCheckBox
{
    Q_OBJECT
public:
    explicit Check(QWidget *parent = nullptr);

    bool Value() const;
    void setValue(bool value);

Q_SIGNALS:
    void Click();
};
