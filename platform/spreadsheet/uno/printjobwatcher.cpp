#include "printjobwatcher.h"

#include <com/sun/star/view/PrintableState.hpp>

#include <algorithm>

using namespace com::sun::star;

namespace {

bool isFinal(int state)
{
    switch (state) {
    case view::PrintableState_JOB_COMPLETED:
    case view::PrintableState_JOB_SPOOLED:
    case view::PrintableState_JOB_ABORTED:
    case view::PrintableState_JOB_FAILED:
    case view::PrintableState_JOB_SPOOLING_FAILED:
        return true;
    default:
        return false;
    }
}

bool isFailure(int state)
{
    return state == view::PrintableState_JOB_ABORTED || state == view::PrintableState_JOB_FAILED
        || state == view::PrintableState_JOB_SPOOLING_FAILED;
}

} // namespace

void SAL_CALL PrintJobWatcher::printJobEvent(const view::PrintJobEvent &event)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_states.push_back(static_cast<int>(event.State));
    }
    m_changed.notify_all();
}

void SAL_CALL PrintJobWatcher::disposing(const lang::EventObject &)
{
}

bool PrintJobWatcher::finishedLocked() const
{
    return std::any_of(m_states.begin(), m_states.end(), isFinal);
}

PrintJobWatcher::Outcome PrintJobWatcher::waitForEnd(std::chrono::milliseconds quietLimit,
                                                     std::chrono::milliseconds jobLimit)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    // A job that starts at all says so at once; a job that never starts
    // (nothing on the sheets) never says anything.
    if (!m_changed.wait_for(lock, quietLimit, [this] { return !m_states.empty(); }))
        return Outcome::NothingPrinted;
    if (!m_changed.wait_for(lock, jobLimit, [this] { return finishedLocked(); }))
        return Outcome::TimedOut;
    return std::any_of(m_states.begin(), m_states.end(), isFailure) ? Outcome::Failed
                                                                     : Outcome::Spooled;
}

int PrintJobWatcher::failureState() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int s : m_states)
        if (isFailure(s))
            return s;
    return -1;
}
