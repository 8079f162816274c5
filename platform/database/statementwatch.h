#pragma once

#include <QDeadlineTimer>
#include <QVariant>

#include <condition_variable>
#include <mutex>
#include <thread>

// Stops the statement running on one Firebird attachment: when its time is
// up, or when someone calls it off. The attachment's own thread marks each
// statement with begin() and end(); callOff() and close() may come from any
// thread. The engine's cancel call is the only thing ever made on the
// attachment from another thread, and it is made only while the statement it
// is meant for still runs, so it never reaches a later one.
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
    // whose handle cannot be read runs its statements without a limit.
    void attach(const QVariant &driverHandle);
    void detach();

    // False once close() was called: nothing more may start.
    bool begin(const void *statement, QDeadlineTimer deadline);
    // Why the statement ended early, if it did.
    Verdict end();

    void callOff(const void *statement);
    // Cancels what runs and refuses every later begin().
    void close();

private:
    void watch();
    void cancelLocked(Verdict why);
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
    bool m_cancelSent = false;
};
