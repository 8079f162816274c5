#include "xpb.h"

XpB::XpB(QWidget *parent)
    : XpB(QString(), parent)
{
}

XpB::XpB(const QString &caption, QWidget *parent)
    : QPushButton(caption, parent)
{
    setAutoDefault(false);
    // QAbstractButton::clicked is emitted for user actions only, and never
    // while disabled, which is exactly the firing rule of Click.
    connect(this, &QPushButton::clicked, this, &XpB::Click);
}

QString XpB::Caption() const
{
    return text();
}

void XpB::setCaption(const QString &caption)
{
    setText(caption);
    // Hosts set the caption from inside a long, synchronous action; without
    // an immediate repaint the progress would never be seen.
    repaint();
}

bool XpB::EnabledCtrl() const
{
    return isEnabled();
}

void XpB::setEnabledCtrl(bool enabled)
{
    setEnabled(enabled);
    repaint();
}
