#pragma once

#include <QDeadlineTimer>
#include <QVariant>

#include <condition_variable>
#include <mutex>
#include <thread>

// Stops the statement running on one Firebird attachment: when its time is
// up, or when someone calls it off; and cuts the attachment loose when the
// connection is given up. The attachment's own thread marks each statement
// with begin() and end(); callOff(), close() and drop() may come from any
// thread and never wait: every call into the client library is made by the
// watch's own thread, so a caller is never held by a stalled network link.
// A cancel is made only while the statement it is meant for still runs
// (end() waits for one under way), so it never reaches a later one.
//
// Statements are known by an address their caller chooses (the request
// object); the watch never dereferences it.
class StatementWatch
{
public:
    enum class Verdict { Ran, TimedOut, CalledOff };

    StatementWatch() = default;
    ~StatementWatch();

    StatementWatch(const StatementWatch &) = delete;
    StatementWatch &operator=(const StatementWatch &) = delete;

    // The attachment's handle as the Qt driver gives it out; an attachment
    // whose handle cannot be read runs its statements without a limit and
    // cannot be dropped.
    void attach(const QVariant &driverHandle);
    // Call after the attachment is closed: no client call with its handle
    // is under way once this returns.
    void detach();

    // False once close() was called: nothing more may start.
    bool begin(const void *statement, QDeadlineTimer deadline);
    // Why the statement ended early, if it did.
    Verdict end();

    void callOff(const void *statement);
    // Cancels what runs and refuses every later begin().
    void close();
    // Closes, and has the client library cut the attachment's link (or end
    // an embedded attachment) at once: whatever call is blocked on it fails
    // as with a lost connection. For an attachment given up for good.
    void drop();

private:
    void watch();
    void requestCancelLocked(Verdict why);
    // Makes the client call with the lock released; end() and detach() wait
    // for it to return.
    void callClientLocked(std::unique_lock<std::mutex> &lock, unsigned short option);
    static void cancelAttachment(unsigned handle, unsigned short option);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
    bool m_quit = false;
    bool m_closed = false;
    unsigned m_handle = 0;
    const void *m_running = nullptr;
    QDeadlineTimer m_deadline;
    Verdict m_verdict = Verdict::Ran;
    bool m_cancelWanted = false;
    bool m_cancelSent = false;
    bool m_dropWanted = false;
    bool m_inClient = false;
};
