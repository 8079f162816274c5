#pragma once

// Collects the states a print job reports, so the printing call can tell a
// spooled job from one the printer refused. UNO delivers the events on a
// bridge thread; the caller waits on the GUI thread. Reference-counted by
// UNO: hold it in a css::uno::Reference.

#include <com/sun/star/view/XPrintJobListener.hpp>
#include <cppuhelper/implbase1.hxx>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

class PrintJobWatcher : public cppu::WeakImplHelper1<com::sun::star::view::XPrintJobListener>
{
public:
    enum class Outcome { Spooled, Failed, NothingPrinted, TimedOut };

    void SAL_CALL printJobEvent(const com::sun::star::view::PrintJobEvent &event) override;
    void SAL_CALL disposing(const com::sun::star::lang::EventObject &source) override;

    // Waits for the job's last word. quietLimit bounds the wait when no job
    // was ever started (the office had nothing to print); jobLimit bounds
    // the wait of a started job.
    Outcome waitForEnd(std::chrono::milliseconds quietLimit, std::chrono::milliseconds jobLimit);
    // The failure state seen, for the message; meaningful after Failed.
    int failureState() const;

private:
    bool finishedLocked() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<int> m_states;
};
