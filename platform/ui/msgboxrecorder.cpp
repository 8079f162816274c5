#include "ui/msgboxrecorder.h"
#include "ui/msgbox.h"

namespace {
MsgBoxRecorder *g_active = nullptr;
}

int MsgBoxCall::icon() const
{
    return buttons & vbIconMask;
}

int MsgBoxCall::buttonSet() const
{
    return buttons & vbButtonSetMask;
}

int MsgBoxCall::defaultButton() const
{
    return buttons & vbDefaultButtonMask;
}

MsgBoxRecorder::MsgBoxRecorder(const QList<int> &answers)
    : m_previous(g_active)
    , m_answers(answers)
{
    g_active = this;
}

MsgBoxRecorder::~MsgBoxRecorder()
{
    // Usually the newest one goes first; unlink from the middle otherwise.
    if (g_active == this) {
        g_active = m_previous;
        return;
    }
    for (MsgBoxRecorder *r = g_active; r; r = r->m_previous) {
        if (r->m_previous == this) {
            r->m_previous = m_previous;
            return;
        }
    }
}

MsgBoxRecorder *MsgBoxRecorder::active()
{
    return g_active;
}

int MsgBoxRecorder::answer(const MsgBoxCall &call)
{
    // Recorded before the handler runs, so that boxes the handler opens come
    // after this one in the record.
    m_calls.append(call);
    if (m_handler) {
        // A copy: the handler may replace itself while it runs.
        const auto handler = m_handler;
        return handler(call);
    }
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return call.buttonSet() == vbYesNo ? vbYes : vbOK;
}
