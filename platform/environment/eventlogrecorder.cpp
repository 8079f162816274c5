#include "environment/eventlogrecorder.h"

namespace {
EventLogRecorder *g_active = nullptr;
}

EventLogRecorder::EventLogRecorder()
    : m_previous(g_active)
{
    g_active = this;
}

EventLogRecorder::~EventLogRecorder()
{
    // Usually the newest one goes first; unlink from the middle otherwise.
    if (g_active == this) {
        g_active = m_previous;
        return;
    }
    for (EventLogRecorder *r = g_active; r; r = r->m_previous) {
        if (r->m_previous == this) {
            r->m_previous = m_previous;
            return;
        }
    }
}

EventLogRecorder *EventLogRecorder::active()
{
    return g_active;
}

void EventLogRecorder::record(const QString &source, const QString &message)
{
    m_entries.append({source, message});
}
