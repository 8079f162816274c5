#include "database/statementwatch.h"

#include "database/fbclient.h"

namespace {

constexpr unsigned short CancelDisable = 1;
constexpr unsigned short CancelEnable = 2;
constexpr unsigned short CancelRaise = 3;
// Closes the client's end of the link, or ends an embedded attachment; a
// call blocked on a stalled link then fails at once ("Error reading data
// from the connection"), where a raised cancel would sit unsent or unread.
constexpr unsigned short CancelAbort = 4;

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
    if (handle != 0 && !m_thread.joinable())
        m_thread = std::thread([this] { watch(); });
}

void StatementWatch::detach()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_inClient; });
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
        m_cancelWanted = false;
        m_cancelSent = false;
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
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_inClient; });
        verdict = m_verdict;
        clear = m_cancelSent;
        handle = m_handle;
        m_running = nullptr;
        m_cancelWanted = false;
        m_cancelSent = false;
    }
    m_changed.notify_all();
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
        requestCancelLocked(Verdict::CalledOff);
}

void StatementWatch::close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    if (m_running)
        requestCancelLocked(Verdict::CalledOff);
}

void StatementWatch::drop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_dropWanted = true;
    }
    m_changed.notify_all();
}

void StatementWatch::requestCancelLocked(Verdict why)
{
    if (m_cancelWanted || m_cancelSent)
        return;
    m_verdict = why;
    m_cancelWanted = true;
    m_changed.notify_all();
}

void StatementWatch::callClientLocked(std::unique_lock<std::mutex> &lock, unsigned short option)
{
    const unsigned handle = m_handle;
    if (handle == 0)
        return;
    m_inClient = true;
    lock.unlock();
    cancelAttachment(handle, option);
    lock.lock();
    m_inClient = false;
    m_changed.notify_all();
}

void StatementWatch::watch()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_quit) {
        if (m_dropWanted) {
            m_dropWanted = false;
            callClientLocked(lock, CancelAbort);
            continue;
        }
        if (m_running && !m_cancelSent) {
            if (!m_cancelWanted && !m_deadline.isForever() && m_deadline.hasExpired())
                requestCancelLocked(Verdict::TimedOut);
            if (m_cancelWanted) {
                m_cancelSent = true;
                callClientLocked(lock, CancelRaise);
                continue;
            }
            if (!m_deadline.isForever()) {
                m_changed.wait_until(lock, m_deadline.deadline<std::chrono::steady_clock>());
                continue;
            }
        }
        m_changed.wait(lock);
    }
}
