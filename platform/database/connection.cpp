#include "database/connection.h"

#include "database/command.h"
#include "database/connectionstring.h"
#include "database/dbexception.h"
#include "database/dbworker.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QSqlDatabase>
#include <QThread>

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

// Threads of attempts left to finish on their own. The client library
// unloads the engine as the process exits, under any thread still attaching
// or detaching, so the application object waits for them as it goes; the
// engine's connect time-out (10 s in the suite's configuration) bounds them.
QList<QPointer<QThread>> &abandonedThreads()
{
    static QList<QPointer<QThread>> threads;
    return threads;
}

void waitForAbandonedThreads()
{
    for (const QPointer<QThread> &thread : std::as_const(abandonedThreads())) {
        if (thread)
            thread->wait(QDeadlineTimer(15000));
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

} // namespace

Connection::Connection(QObject *parent)
    : QObject(parent)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &Connection::onTimeout);
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
    releaseWorker(workerIdle);
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
    const bool workerIdle = m_state != adStateConnecting;
    m_state = adStateClosed;
    releaseWorker(workerIdle);
}

void Connection::releaseWorker(bool waitForThread)
{
    if (!m_worker)
        return;
    DbWorker *worker = m_worker;
    QThread *thread = m_thread;
    m_worker = nullptr;
    m_thread = nullptr;
    disconnect(worker, nullptr, this, nullptr);
    if (!waitForThread) {
        // Connected before the shutdown is queued, so the thread cannot end
        // unnoticed in between.
        connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        keepUntilTheEnd(thread);
    }
    // Queued behind an attach still in progress, so it runs once that ends.
    QMetaObject::invokeMethod(worker, [worker] { worker->shutdown(); }, Qt::QueuedConnection);
    if (waitForThread) {
        thread->wait();
        delete thread;
    }
}

DbWorker *Connection::openWorker() const
{
    if (m_state != adStateOpen || !m_worker)
        throw DbException(notOpenError());
    return m_worker;
}

template<typename Function>
void Connection::runOnWorker(Function function)
{
    DbWorker *worker = openWorker();
    if (QThread::currentThread() == worker->thread())
        function(worker);
    else
        QMetaObject::invokeMethod(worker, [worker, &function] { function(worker); },
                                  Qt::BlockingQueuedConnection);
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

void Connection::execute(DbRequest &request)
{
    request.timeoutSeconds = qMax(0, CommandTimeout);
    runOnWorker([&](DbWorker *worker) { worker->execute(request); });
    if (!request.ok)
        fail(request.error);
}

void Connection::executeAsync(Command *command, const std::shared_ptr<DbRequest> &request)
{
    DbWorker *worker = openWorker();
    request->timeoutSeconds = qMax(0, CommandTimeout);
    const quint64 generation = m_generation;
    const QPointer<Command> target(command);
    // The worker's thread ends before this object goes (Close waits for
    // it), so posting the outcome back to this object is safe.
    QMetaObject::invokeMethod(
        worker,
        [this, worker, request, generation, target] {
            worker->execute(*request);
            QMetaObject::invokeMethod(
                this, [this, request, generation, target] { deliver(request, generation, target); },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void Connection::callOff(const DbRequest *request)
{
    if (m_worker)
        m_worker->watch().callOff(request);
}

void Connection::deliver(const std::shared_ptr<DbRequest> &request, quint64 generation,
                         const QPointer<Command> &command)
{
    // Outcomes of statements sent before the last Open or Close are of no
    // use to anyone; the command still learns that its request is over.
    const bool current = generation == m_generation;
    const bool wanted = command && command->take(request) && current;
    // As with Execute: a window hears that the connection is gone before it
    // hears of the statement that found out.
    if (current && !request->ok)
        noteFailure(request->error);
    if (wanted && command)
        command->complete(request);
}

void Connection::executeWithLockTimeout(const QString &sql, int lockTimeout)
{
    DbError error;
    bool ok = false;
    runOnWorker([&](DbWorker *worker) { ok = worker->executeWithLockTimeout(sql, lockTimeout, &error); });
    if (!ok)
        fail(error);
}

void Connection::BeginTrans()
{
    DbError error;
    bool ok = false;
    runOnWorker([&](DbWorker *worker) { ok = worker->beginTransaction(&error); });
    if (!ok)
        fail(error);
}

void Connection::CommitTrans()
{
    DbError error;
    bool ok = false;
    runOnWorker([&](DbWorker *worker) { ok = worker->commitTransaction(&error); });
    if (!ok)
        fail(error);
}

void Connection::RollbackTrans()
{
    if (m_state != adStateOpen)
        return;
    DbError error;
    bool ok = false;
    runOnWorker([&](DbWorker *worker) { ok = worker->rollbackTransaction(&error); });
    if (!ok)
        fail(error);
}
