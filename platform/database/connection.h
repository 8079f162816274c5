#pragma once

#include "database/dberror.h"
#include "database/recordset.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariantList>

#include <atomic>
#include <memory>

class Command;
class DbWorker;
struct DbOpenOutcome;
struct DbRequest;
class QSemaphore;
class QThread;

// A connection to the suite's Firebird database, with the members and
// outcome event the windows were written against: set ConnectionTimeout,
// CommandTimeout and Mode, call Open, and learn the outcome from
// ConnectComplete; run statements through Command.
//
// Connection string: "DRIVER=Firebird/InterBase(r) driver; [Charset=...;]
// DBNAME=<path or host:path>; UID=<user>; PWD=<password>". A plain path opens
// the database embedded, "host[/port]:path" through a Firebird server.
//
// Open with adAsyncConnect (16) returns at once; ConnectComplete follows on
// this object's thread (the UI thread) with pError == nullptr and status
// adStatusOK, or with the error and adStatusErrorsOccurred. A missing or
// unknown driver gives a Description containing "не указан драйвер". An
// attempt that has not ended within ConnectionTimeout seconds (0: no limit)
// fails with a time-out error. Without the flag, Open blocks for the attempt
// and has emitted ConnectComplete by the time it returns.
//
// pError points to an object that lives only while the signal is emitted, so
// connect ConnectComplete directly (the default within one thread).
//
// Close is safe at any time: twice, while connecting, from a slot of
// ConnectComplete. An attempt abandoned by Close or by destroying the
// Connection is finished and cleaned up in the background and never
// reported. The same object may be opened again after Close.
//
// A statement that fails because the attachment is gone turns State() to
// closed and emits ConnectionLost, so that a window can show itself
// disconnected and be connected again with one click. So does a call that
// has had no answer from the server well past its time limit (a cut or
// stalled link, a crashed server host): CommandTimeout seconds, or 10 minutes
// without one, and a few seconds more. Its caller gets a DbException whose
// error has ConnectionLost set, or ExecuteComplete with that error; the
// attachment is dropped and its thread left to end on its own.
//
// The database lives in a worker thread owned by this object; Command runs
// its statements there, one at a time, while the caller waits or (with
// ExecuteAsync) goes on. Statements outside BeginTrans/CommitTrans commit
// themselves. A statement still running CommandTimeout seconds after it
// started (0: no limit) is cancelled by the engine and fails with a
// DbException whose error has TimedOut set; inside a transaction the
// caller then rolls back as after any failure. Mode is kept for the callers
// but has no effect: the connection is always read/write. Close cancels a
// statement still running rather than waiting for it, and returns within a
// few seconds even when the server no longer answers.
class Connection : public QObject
{
    Q_OBJECT

public:
    enum StateValue { adStateClosed = 0, adStateOpen = 1, adStateConnecting = 2 };
    enum ConnectOption { adAsyncConnect = 16 };
    enum EventStatus { adStatusOK = 1, adStatusErrorsOccurred = 2, adStatusCancel = 4 };

    explicit Connection(QObject *parent = nullptr);
    ~Connection() override;

    int ConnectionTimeout = 15; // seconds
    int CommandTimeout = 30;    // seconds; 0: no limit
    int Mode = 0;               // not used, see above

    // Replaces whatever this object had open or under way.
    void Open(const QString &connectionString, const QString &user = QString(),
              const QString &password = QString(), int options = 0);
    int State() const { return m_state.load(); }
    void Close();

    // One transaction at a time; statements of every Command on this
    // connection run inside it until CommitTrans or RollbackTrans. Throw
    // DbException on failure. RollbackTrans without a transaction does
    // nothing, so a catch block may call it unconditionally.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();

signals:
    void ConnectComplete(const DbError *pError, int adStatus, Connection *pConnection);
    // A statement or transaction call found the attachment gone
    // (DbError::ConnectionLost). State() is closed from then on, and every
    // further statement is refused until the next Open. Emitted once, on the
    // thread that ran the failing call, before its DbException is thrown; a
    // slot may Close() the connection.
    void ConnectionLost(Connection *pConnection);

private:
    friend class Command;

    // An asynchronous statement under way, and who asked for it.
    struct InFlight
    {
        std::shared_ptr<DbRequest> request;
        QPointer<Command> command;
    };

    // Runs the request on the worker while the caller waits; throws
    // DbException on failure.
    void execute(const std::shared_ptr<DbRequest> &request);
    // Queues the request and returns; the command hears of it later on
    // this object's thread. Throws DbException when not open.
    void executeAsync(Command *command, const std::shared_ptr<DbRequest> &request);
    // Any thread.
    void callOff(const DbRequest *request);
    void onExecuted(const std::shared_ptr<DbRequest> &request);
    // Marks the connection closed when error says it is gone, and says so.
    void noteFailure(const DbError &error);
    // Runs one statement in a transaction of its own; see Command::LockTimeout.
    void executeWithLockTimeout(const QString &sql, int lockTimeout);

    // Runs call(worker, &error) on the worker, which is given limitSeconds
    // (0: no limit) to return; throws DbException when it returns false.
    template<typename Call>
    void callWorker(int limitSeconds, Call call);
    // Hands function to the worker and waits for it; function must share
    // whatever it writes, since a worker that stops answering is left
    // behind with it. Throws DbException when the worker stops answering.
    template<typename Function>
    void runOnWorker(int limitSeconds, Function function);
    // Waits for done while the worker keeps within its calls' allowance;
    // false when it stopped answering.
    bool waitForWorker(QSemaphore &done) const;
    void checkWorker();
    // The worker stopped answering: drops it, marks the connection closed,
    // emits ConnectionLost and fails every asynchronous statement under way.
    void giveUpWorker();
    // Statements under way are over for their commands, never reported.
    void forgetInFlight();
    // Throws error, after marking the connection closed when it says so.
    [[noreturn]] void fail(const DbError &error);
    DbWorker *openWorker() const;

    void onOpenFinished(quint64 attempt);
    void onTimeout();
    // Takes the error by value: it may live in the outcome this releases.
    void finishAttempt(bool ok, DbError error, bool workerIdle);
    // Ends the worker's thread, waiting up to waitMs for it (0: not at all);
    // a thread still running then is left to end on its own.
    void releaseWorker(int waitMs);

    std::atomic<int> m_state{adStateClosed};
    // Every Open and Close starts a new generation; outcomes of an older one
    // are dropped.
    quint64 m_generation = 0;
    QThread *m_thread = nullptr;
    DbWorker *m_worker = nullptr;
    std::shared_ptr<DbOpenOutcome> m_outcome;
    QTimer m_timeout;
    QList<InFlight> m_inFlight;
    // Runs while asynchronous statements are under way, to notice a worker
    // that stopped answering when nobody waits for it.
    QTimer m_watchdog;
};
