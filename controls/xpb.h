#pragma once

#include <QPushButton>

// The push button every window is built with. Hosts handle Click, set Caption
// (an "&" marks the access key, "&&" shows one "&") and EnabledCtrl; setting
// the caption repaints at once so a long action can report its progress in it.
class XpB : public QPushButton
{
    Q_OBJECT
public:
    explicit XpB(QWidget *parent = nullptr);
    XpB(const QString &caption, QWidget *parent = nullptr);

    QString Caption() const;
    void setCaption(const QString &caption);

    bool EnabledCtrl() const;
    void setEnabledCtrl(bool enabled);

Q_SIGNALS:
    // Only a user's action raises it (mouse release, Space, access key); never
    // while the button is disabled.
    void Click();
};
