#include "database/statementwatch.h"

#include "database/fbclient.h"

#include <QDebug>

#include <cstdint>

namespace {

constexpr unsigned short CancelDisable = 1;
constexpr unsigned short CancelEnable = 2;
constexpr unsigned short CancelRaise = 3;

} // namespace

StatementWatch::~StatementWatch()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void StatementWatch::cancelAttachment(unsigned handle, unsigned short option)
{
    const FbClient *client = FbClient::get();
    if (!client || handle == 0)
        return;
    // The outcome is of no use: "nothing to cancel" only means the
    // statement ended first.
    FbClient::Status status[FbClient::StatusLength] = {};
    FbClient::Handle target = handle;
    client->fb_cancel_operation(status, &target, option);
}

void StatementWatch::attach(const QVariant &driverHandle)
{
    // The driver hands out isc_db_handle, a 32-bit unsigned integer on this
    // client, under whatever type name it registered.
    unsigned handle = 0;
    if (driverHandle.metaType().id() == QMetaType::UInt)
        handle = driverHandle.toUInt();
    else if (driverHandle.isValid() && driverHandle.metaType().sizeOf() == int(sizeof(unsigned)))
        handle = *static_cast<const unsigned *>(driverHandle.constData());
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handle = handle;
}

void StatementWatch::detach()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handle = 0;
    m_running = nullptr;
}

bool StatementWatch::begin(const void *statement, QDeadlineTimer deadline)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed)
            return false;
        m_running = statement;
        m_deadline = deadline;
        m_verdict = Verdict::Ran;
        m_cancelSent = false;
        if (!deadline.isForever() && !m_thread.joinable())
            m_thread = std::thread([this] { watch(); });
    }
    m_changed.notify_all();
    return true;
}

StatementWatch::Verdict StatementWatch::end()
{
    Verdict verdict;
    bool clear = false;
    unsigned handle = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        verdict = m_verdict;
        clear = m_cancelSent;
        handle = m_handle;
        m_running = nullptr;
        m_cancelSent = false;
    }
    if (clear && handle != 0) {
        // A cancel that arrived as the statement was ending would otherwise
        // stay pending on the attachment and stop the next statement.
        cancelAttachment(handle, CancelDisable);
        cancelAttachment(handle, CancelEnable);
    }
    return verdict;
}

void StatementWatch::callOff(const void *statement)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (statement && m_running == statement)
        cancelLocked(Verdict::CalledOff);
}

void StatementWatch::close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    if (m_running)
        cancelLocked(Verdict::CalledOff);
}

void StatementWatch::cancelLocked(Verdict why)
{
    if (m_cancelSent)
        return;
    m_verdict = why;
    // Made under the lock: the statement cannot end and another begin in
    // between, so the cancel reaches the statement it is meant for.
    m_cancelSent = true;
    cancelAttachment(m_handle, CancelRaise);
}

void StatementWatch::watch()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_quit) {
        if (!m_running || m_cancelSent || m_deadline.isForever()) {
            m_changed.wait(lock);
            continue;
        }
        if (m_deadline.hasExpired()) {
            cancelLocked(Verdict::TimedOut);
            continue;
        }
        const void *watched = m_running;
        const QDeadlineTimer deadline = m_deadline;
        m_changed.wait_until(lock, deadline.deadline<std::chrono::steady_clock>(),
                             [&] { return m_quit || m_running != watched || m_deadline != deadline; });
    }
}
