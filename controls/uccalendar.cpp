#include "uccalendar.h"

#include "environment/regional.h"

#include <QCalendarWidget>
#include <QTimer>
#include <QVBoxLayout>

ucCalendar::ucCalendar(QWidget *parent)
    : QWidget(parent)
    , m_grid(new QCalendarWidget(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_grid);
    m_grid->setGridVisible(true);
    m_grid->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_grid->setFirstDayOfWeek(Regional::firstDayOfWeek());
    m_grid->setLocale(Regional::locale());
    setAutoFillBackground(true);
    setFixedSize(m_grid->sizeHint());

    // selectionChanged fires for code and user alike; only the user's choice
    // may become Change, so code paths set m_settingFromCode around their write.
    connect(m_grid, &QCalendarWidget::selectionChanged, this, [this] {
        if (m_settingFromCode)
            return;
        // A click on a new day raises selectionChanged and then clicked; let
        // the click that follows in the same event pass without a second Change.
        m_selectionJustChanged = true;
        QTimer::singleShot(0, this, [this] { m_selectionJustChanged = false; });
        Q_EMIT Change();
    });
    // A click on the day already selected changes nothing but is still a choice.
    connect(m_grid, &QCalendarWidget::clicked, this, [this] {
        if (!m_selectionJustChanged)
            Q_EMIT Change();
    });
}

QString ucCalendar::ActiveDate() const
{
    return Regional::DateToText(m_grid->selectedDate());
}

void ucCalendar::setActiveDate(const QString &dateText)
{
    const QDate d = Regional::TextToDate(dateText);
    if (!d.isValid())
        return;
    m_settingFromCode = true;
    m_grid->setSelectedDate(d);
    m_grid->setCurrentPage(d.year(), d.month());
    m_settingFromCode = false;
}

QDate ucCalendar::date() const
{
    return m_grid->selectedDate();
}
