#include "check.h"

Check::Check(QWidget *parent)
    : QCheckBox(parent)
{
    // clicked() fires after the toggle and only for a user's action.
    connect(this, &QCheckBox::clicked, this, &Check::Click);
}

bool Check::Value() const
{
    return isChecked();
}

void Check::setValue(bool value)
{
    setChecked(value);
}
