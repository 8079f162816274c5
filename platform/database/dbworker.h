#pragma once

#include "database/connectionstring.h"
#include "database/dberror.h"
#include "database/recordset.h"
#include "database/statementwatch.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QSemaphore>
#include <QVariantList>

#include <atomic>
#include <memory>

class QSqlError;

// What an open attempt came to; shared by the worker, which fills it and
// then releases the semaphore, and the Connection, which reads it.
struct DbOpenOutcome
{
    QSemaphore done;
    bool ok = false;
    DbError error;
};

// One statement for the worker, and what became of it. The caller fills the
// first part, the worker the second; calledOff may be set from any thread.
struct DbRequest
{
    QString sql;
    QVariantList parameters;
    int maxRecords = 0; // > 0 stops reading after that many rows
    // The connection's CommandTimeout in seconds, counted from the moment
    // the statement starts; 0: no limit.
    int timeoutSeconds = 0;
    // A further bound, for callers that keep several statements within one
    // limit; forever when they do not.
    QDeadlineTimer deadline{QDeadlineTimer::Forever};
    std::atomic<bool> calledOff{false};

    bool ok = false;
    Recordset records;
    int recordsAffected = -1;
    DbError error;
};

// One attachment to a Firebird database, living in a thread of its own.
// A QSqlDatabase may only be used by the thread that opened it, and an attach
// to an unreachable server blocks for seconds; so Connection gives each open
// attempt a DbWorker in a fresh QThread and calls it from there. Every
// member function runs on the worker's thread unless it says otherwise.
// Errors come back as DbError; Connection turns them into exceptions on the
// caller's side, since an exception must not cross the event loop.
//
// A worker whose link to the server stalls may stay blocked in the client
// library for as long as the link does; Connection then gives it up and
// leaves it to end on its own. So nothing a worker touches may belong to
// the caller: requests and outcomes are shared with it, and it reports
// through signals.
class DbWorker : public QObject
{
    Q_OBJECT

public:
    explicit DbWorker(const QString &connectionName);

    void open(const ConnectionString &target, const std::shared_ptr<DbOpenOutcome> &outcome,
              quint64 attempt, bool notify);
    // Rolls back an open transaction, detaches and ends the worker's thread.
    void shutdown();

    // Runs the request unless it was called off first; a request called off
    // while it runs is cancelled and stops reading rows.
    void execute(DbRequest &request);
    // The same, then emits executed().
    void executeAndReport(const std::shared_ptr<DbRequest> &request);
    // Runs a statement without parameters or rows in a transaction of its
    // own that waits at most lockTimeout seconds (0: not at all) for a lock
    // another attachment holds, and commits it; on failure nothing of it
    // stays, and no transaction is left open.
    bool executeWithLockTimeout(const QString &sql, int lockTimeout, DbError *error);
    bool beginTransaction(DbError *error);
    bool commitTransaction(DbError *error);
    bool rollbackTransaction(DbError *error);

    // Mark a call made for Connection: it is given allowanceMs to return.
    void beginCall(qint64 allowanceMs);
    void endCall();
    // Thread-safe: the call under way has run past its allowance.
    bool overdue() const;

    // Thread-safe: stops statements of this attachment from other threads.
    // Shared, so that a caller may still drop an attachment whose worker
    // could end at any moment.
    StatementWatch &watch() { return *m_watch; }
    std::shared_ptr<StatementWatch> sharedWatch() const { return m_watch; }

    static DbError toDbError(const QSqlError &error);
    static DbError driverMissing(const QString &detail);

signals:
    // Emitted after open() when notify was set; the outcome is in DbOpenOutcome.
    void openFinished(quint64 attempt);
    void executed(const std::shared_ptr<DbRequest> &request);

private:
    bool run(DbRequest &request);

    const QString m_connectionName;
    bool m_inTransaction = false;
    const std::shared_ptr<StatementWatch> m_watch = std::make_shared<StatementWatch>();
    // When the call under way must have returned, in QDeadlineTimer's
    // milliseconds; 0 while none is.
    std::atomic<qint64> m_callDeadline{0};
};
