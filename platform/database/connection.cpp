#include "database/connection.h"

#include "database/command.h"
#include "database/connectionstring.h"
#include "database/dbexception.h"
#include "database/dbworker.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QThread>

#include <algorithm>
#include <utility>

namespace {

QString nextConnectionName()
{
    // QSqlDatabase keeps connections in one process-wide table by name.
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("courtmail-connection-%1").arg(counter.fetchAndAddRelaxed(1) + 1);
}

DbError timeoutError(int seconds)
{
    return {QStringLiteral("Истекло время ожидания подключения к базе данных (%1 с).").arg(seconds), 0};
}

// How long past its time limit a call may go before the server counts as
// not answering. A cancelled statement on a live link ends in milliseconds.
constexpr qint64 GraceMs = 5000;
// A call without a time limit still counts as unanswered after this long:
// far beyond the slowest statement the suite runs (seconds), and the only
// way to tell a dead link from a long statement there.
constexpr qint64 NoLimitMs = 10 * 60 * 1000;
// How long Close waits for the worker to roll back and detach; a live
// server takes milliseconds.
constexpr int CloseWaitMs = 3000;
// How often a waiting caller, or the watchdog, looks at the worker.
constexpr int WatchIntervalMs = 200;

qint64 allowanceMs(int limitSeconds)
{
    return (limitSeconds > 0 ? qint64(limitSeconds) * 1000 : NoLimitMs) + GraceMs;
}

// Threads of attempts and workers left to finish on their own. The client
// library unloads the engine as the process exits, under any thread still
// attaching or detaching, and shuts a stalled link under a worker still
// reading from it, so the application object waits for them as it goes.
// The engine's connect time-out (10 s in the suite's configuration) bounds
// attempts; a worker given up has had its attachment dropped, which ends it
// at once. One bound for all of them keeps the exit from hanging even so.
QList<QPointer<QThread>> &abandonedThreads()
{
    static QList<QPointer<QThread>> threads;
    return threads;
}

void waitForAbandonedThreads()
{
    const QDeadlineTimer deadline(15000);
    for (const QPointer<QThread> &thread : std::as_const(abandonedThreads())) {
        if (thread && !thread->wait(deadline))
            qWarning("A database thread is still blocked as the program ends");
    }
}

void keepUntilTheEnd(QThread *thread)
{
    static bool registered = false;
    if (!registered) {
        qAddPostRoutine(waitForAbandonedThreads);
        registered = true;
    }
    QList<QPointer<QThread>> &threads = abandonedThreads();
    threads.removeAll(nullptr);
    threads.append(thread);
}

DbError notOpenError()
{
    return {QStringLiteral("Соединение с базой данных не открыто."), 0};
}

// What a transaction call on the worker came to; shared with the worker.
struct CallOutcome
{
    bool ok = false;
    DbError error;
};

} // namespace

Connection::Connection(QObject *parent)
    : QObject(parent)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &Connection::onTimeout);
    m_watchdog.setInterval(WatchIntervalMs);
    connect(&m_watchdog, &QTimer::timeout, this, &Connection::checkWorker);
}

Connection::~Connection()
{
    Close();
}

void Connection::Open(const QString &connectionString, const QString &user,
                      const QString &password, int options)
{
    Close();
    const quint64 generation = ++m_generation;
    const bool async = (options & adAsyncConnect) != 0;

    ConnectionString target = ConnectionString::parse(connectionString);
    if (!user.isEmpty())
        target.User = user;
    if (!password.isEmpty())
        target.Password = password;

    m_state = adStateConnecting;

    if (!target.hasFirebirdDriver() || !QSqlDatabase::isDriverAvailable(QStringLiteral("QIBASE"))) {
        const DbError error = DbWorker::driverMissing(
            target.hasFirebirdDriver() ? QStringLiteral("Qt SQL plugin QIBASE is not installed")
                                       : QStringLiteral("DRIVER=%1").arg(target.Driver));
        if (!async) {
            finishAttempt(false, error, true);
            return;
        }
        QTimer::singleShot(0, this, [this, generation, error] {
            if (generation == m_generation && m_state == adStateConnecting)
                finishAttempt(false, error, true);
        });
        return;
    }

    m_outcome = std::make_shared<DbOpenOutcome>();
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("database"));
    m_worker = new DbWorker(nextConnectionName());
    m_worker->moveToThread(m_thread);
    // Qt deletes the worker inside its thread as the thread ends.
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    if (async)
        connect(m_worker, &DbWorker::openFinished, this, &Connection::onOpenFinished, Qt::QueuedConnection);
    connect(m_worker, &DbWorker::executed, this, &Connection::onExecuted, Qt::QueuedConnection);
    m_thread->start();

    DbWorker *worker = m_worker;
    const std::shared_ptr<DbOpenOutcome> outcome = m_outcome;
    QMetaObject::invokeMethod(
        worker, [worker, target, outcome, generation, async] { worker->open(target, outcome, generation, async); },
        Qt::QueuedConnection);

    const int timeoutMs = ConnectionTimeout > 0 ? ConnectionTimeout * 1000 : -1;
    if (async) {
        if (timeoutMs > 0)
            m_timeout.start(timeoutMs);
        return;
    }
    if (!outcome->done.tryAcquire(1, timeoutMs)) {
        finishAttempt(false, timeoutError(ConnectionTimeout), false);
        return;
    }
    finishAttempt(outcome->ok, outcome->error, true);
}

void Connection::onOpenFinished(quint64 attempt)
{
    if (attempt != m_generation || m_state != adStateConnecting || !m_outcome)
        return;
    m_timeout.stop();
    // The worker released the semaphore before it signalled; taking it makes
    // the outcome's fields safely visible here.
    m_outcome->done.acquire();
    finishAttempt(m_outcome->ok, m_outcome->error, true);
}

void Connection::onTimeout()
{
    if (m_state == adStateConnecting)
        finishAttempt(false, timeoutError(ConnectionTimeout), false);
}

void Connection::finishAttempt(bool ok, DbError error, bool workerIdle)
{
    m_timeout.stop();
    m_outcome.reset();
    if (ok) {
        m_state = adStateOpen;
        emit ConnectComplete(nullptr, adStatusOK, this);
        return;
    }
    // A worker still attaching is left to finish on its own: waiting for it
    // could hold the caller for the engine's own connect time-out.
    releaseWorker(workerIdle ? CloseWaitMs : 0);
    m_state = adStateClosed;
    emit ConnectComplete(&error, adStatusErrorsOccurred, this);
}

void Connection::Close()
{
    // A statement still running would hold the thread's end for as long as
    // it takes; the engine stops it at once instead.
    if (m_worker)
        m_worker->watch().close();
    ++m_generation;
    m_timeout.stop();
    m_outcome.reset();
    forgetInFlight();
    const bool workerIdle = m_state != adStateConnecting;
    m_state = adStateClosed;
    releaseWorker(workerIdle ? CloseWaitMs : 0);
}

void Connection::releaseWorker(int waitMs)
{
    if (!m_worker)
        return;
    DbWorker *worker = m_worker;
    QThread *thread = m_thread;
    m_worker = nullptr;
    m_thread = nullptr;
    disconnect(worker, nullptr, this, nullptr);
    // The worker may be gone as soon as its thread ends; the watch stays.
    const std::shared_ptr<StatementWatch> watch = worker->sharedWatch();
    // Connected before the shutdown is queued, so the thread cannot end
    // unnoticed in between.
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    // Queued behind an attach or a statement still in progress, so it runs
    // once that ends.
    QMetaObject::invokeMethod(worker, [worker] { worker->shutdown(); }, Qt::QueuedConnection);
    if (waitMs > 0) {
        if (thread->wait(QDeadlineTimer(waitMs))) {
            delete thread;
            return;
        }
        // Rolling back or detaching got no answer: the server is gone.
        watch->drop();
    }
    keepUntilTheEnd(thread);
}

void Connection::forgetInFlight()
{
    m_watchdog.stop();
    const QList<InFlight> inFlight = std::exchange(m_inFlight, {});
    for (const InFlight &entry : inFlight) {
        if (entry.command)
            entry.command->take(entry.request);
    }
}

DbWorker *Connection::openWorker() const
{
    if (m_state != adStateOpen || !m_worker)
        throw DbException(notOpenError());
    return m_worker;
}

template<typename Function>
void Connection::runOnWorker(int limitSeconds, Function function)
{
    DbWorker *worker = openWorker();
    if (QThread::currentThread() == worker->thread()) {
        function(worker);
        return;
    }
    const qint64 allowance = allowanceMs(limitSeconds);
    const auto done = std::make_shared<QSemaphore>();
    QMetaObject::invokeMethod(
        worker,
        [worker, function, done, allowance] {
            worker->beginCall(allowance);
            function(worker);
            worker->endCall();
            done->release();
        },
        Qt::QueuedConnection);
    if (!waitForWorker(*done)) {
        giveUpWorker();
        throw DbException(DbError::serverNotAnswering());
    }
}

template<typename Call>
void Connection::callWorker(int limitSeconds, Call call)
{
    const auto outcome = std::make_shared<CallOutcome>();
    runOnWorker(limitSeconds, [outcome, call](DbWorker *worker) { outcome->ok = call(worker, &outcome->error); });
    if (!outcome->ok)
        fail(outcome->error);
}

bool Connection::waitForWorker(QSemaphore &done) const
{
    // The call waited for may be queued behind others; each call the worker
    // takes up gets its own allowance, so only one that overstays counts.
    while (!done.tryAcquire(1, WatchIntervalMs)) {
        if (m_worker->overdue())
            return false;
    }
    return true;
}

void Connection::checkWorker()
{
    if (m_worker && m_worker->overdue())
        giveUpWorker();
}

void Connection::giveUpWorker()
{
    // Cutting the link frees the worker's thread from its wait on the
    // server, so that it ends soon rather than whenever the link returns.
    m_worker->watch().drop();
    ++m_generation;
    m_watchdog.stop();
    const QList<InFlight> inFlight = std::exchange(m_inFlight, {});
    releaseWorker(0);
    int open = adStateOpen;
    const bool wasOpen = m_state.compare_exchange_strong(open, adStateClosed);
    // Reported from the event loop, as their outcomes always are, and so
    // after ConnectionLost below.
    for (const InFlight &entry : inFlight) {
        QMetaObject::invokeMethod(
            this,
            [entry] {
                const DbError error = DbError::serverNotAnswering();
                if (entry.command && entry.command->take(entry.request))
                    entry.command->complete(&error, Recordset(), -1);
            },
            Qt::QueuedConnection);
    }
    if (wasOpen)
        emit ConnectionLost(this);
}

void Connection::noteFailure(const DbError &error)
{
    int open = adStateOpen;
    if (error.ConnectionLost && m_state.compare_exchange_strong(open, adStateClosed))
        emit ConnectionLost(this);
}

void Connection::fail(const DbError &error)
{
    noteFailure(error);
    throw DbException(error);
}

void Connection::execute(const std::shared_ptr<DbRequest> &request)
{
    request->timeoutSeconds = qMax(0, CommandTimeout);
    runOnWorker(request->timeoutSeconds, [request](DbWorker *worker) { worker->execute(*request); });
    if (!request->ok)
        fail(request->error);
}

void Connection::executeAsync(Command *command, const std::shared_ptr<DbRequest> &request)
{
    DbWorker *worker = openWorker();
    request->timeoutSeconds = qMax(0, CommandTimeout);
    const qint64 allowance = allowanceMs(request->timeoutSeconds);
    m_inFlight.append({request, command});
    if (!m_watchdog.isActive())
        m_watchdog.start();
    // The outcome comes back through the worker's signal, which ends with
    // this object or with the worker's release.
    QMetaObject::invokeMethod(
        worker,
        [worker, request, allowance] {
            worker->beginCall(allowance);
            worker->executeAndReport(request);
            worker->endCall();
        },
        Qt::QueuedConnection);
}

void Connection::callOff(const DbRequest *request)
{
    if (m_worker)
        m_worker->watch().callOff(request);
}

void Connection::onExecuted(const std::shared_ptr<DbRequest> &request)
{
    // Statements sent before the last Open or Close were forgotten then.
    const auto found = std::find_if(m_inFlight.begin(), m_inFlight.end(),
                                    [&request](const InFlight &entry) { return entry.request == request; });
    if (found == m_inFlight.end())
        return;
    const QPointer<Command> command = found->command;
    m_inFlight.erase(found);
    if (m_inFlight.isEmpty())
        m_watchdog.stop();
    const bool wanted = command && command->take(request);
    // As with Execute: a window hears that the connection is gone before it
    // hears of the statement that found out.
    if (!request->ok)
        noteFailure(request->error);
    if (wanted && command)
        command->complete(request->ok ? nullptr : &request->error, request->records, request->recordsAffected);
}

void Connection::executeWithLockTimeout(const QString &sql, int lockTimeout)
{
    // The lock wait comes on top of the statement's own time.
    const int limit = CommandTimeout > 0 ? CommandTimeout + qMax(0, lockTimeout) : 0;
    callWorker(limit, [sql, lockTimeout](DbWorker *worker, DbError *error) {
        return worker->executeWithLockTimeout(sql, lockTimeout, error);
    });
}

void Connection::BeginTrans()
{
    callWorker(CommandTimeout, [](DbWorker *worker, DbError *error) { return worker->beginTransaction(error); });
}

void Connection::CommitTrans()
{
    callWorker(CommandTimeout, [](DbWorker *worker, DbError *error) { return worker->commitTransaction(error); });
}

void Connection::RollbackTrans()
{
    if (m_state != adStateOpen)
        return;
    callWorker(CommandTimeout, [](DbWorker *worker, DbError *error) { return worker->rollbackTransaction(error); });
}
