#pragma once

#include "database/connectionstring.h"
#include "database/dberror.h"
#include "database/recordset.h"

#include <QObject>
#include <QSemaphore>
#include <QVariantList>

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

// One attachment to a Firebird database, living in a thread of its own.
// A QSqlDatabase may only be used by the thread that opened it, and an attach
// to an unreachable server blocks for seconds; so Connection gives each open
// attempt a DbWorker in a fresh QThread and calls it from there. Every
// member function runs on the worker's thread. Errors come back as DbError;
// Connection turns them into exceptions on the caller's side, since an
// exception must not cross the event loop.
class DbWorker : public QObject
{
    Q_OBJECT

public:
    explicit DbWorker(const QString &connectionName);

    void open(const ConnectionString &target, const std::shared_ptr<DbOpenOutcome> &outcome,
              quint64 attempt, bool notify);
    // Rolls back an open transaction, detaches and ends the worker's thread.
    void shutdown();

    // maxRecords > 0 stops reading after that many rows.
    bool execute(const QString &sql, const QVariantList &parameters, int maxRecords, Recordset *records,
                 int *recordsAffected, DbError *error);
    // Runs a statement without parameters or rows in a transaction of its
    // own that waits at most lockTimeout seconds (0: not at all) for a lock
    // another attachment holds, and commits it; on failure nothing of it
    // stays, and no transaction is left open.
    bool executeWithLockTimeout(const QString &sql, int lockTimeout, DbError *error);
    bool beginTransaction(DbError *error);
    bool commitTransaction(DbError *error);
    bool rollbackTransaction(DbError *error);

    static DbError toDbError(const QSqlError &error);
    static DbError driverMissing(const QString &detail);

signals:
    // Emitted after open() when notify was set; the outcome is in DbOpenOutcome.
    void openFinished(quint64 attempt);

private:
    const QString m_connectionName;
    bool m_inTransaction = false;
};
