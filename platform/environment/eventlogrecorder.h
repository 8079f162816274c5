#pragma once

#include <QList>
#include <QString>

// Test hook: while an instance exists, LogEvent() records its entries here
// instead of writing to the system log. Instances nest; the newest records.
class EventLogRecorder
{
public:
    struct Entry
    {
        QString source;
        QString message;
    };

    EventLogRecorder();
    ~EventLogRecorder();
    EventLogRecorder(const EventLogRecorder &) = delete;
    EventLogRecorder &operator=(const EventLogRecorder &) = delete;

    QList<Entry> entries() const { return m_entries; }

    static EventLogRecorder *active();
    void record(const QString &source, const QString &message);

private:
    EventLogRecorder *m_previous;
    QList<Entry> m_entries;
};
