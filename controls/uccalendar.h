#pragma once

#include <QDate>
#include <QWidget>

class QCalendarWidget;

// The month calendar the date boxes pop up. ActiveDate is the selected date as
// text in the regional short date format; setting it selects that date and
// shows its month without raising Change. Change is raised only when the user
// picks a date (a day cell, a month or year from the header, the arrows or an
// arrow key). The host shows and hides the whole control.
class ucCalendar : public QWidget
{
    Q_OBJECT
public:
    explicit ucCalendar(QWidget *parent = nullptr);

    QString ActiveDate() const;
    void setActiveDate(const QString &dateText);

    QDate date() const;

Q_SIGNALS:
    void Change();

private:
    QCalendarWidget *m_grid;
    bool m_settingFromCode = false;
    bool m_selectionJustChanged = false;
};
