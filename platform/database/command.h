#pragma once

#include "database/recordset.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>

#include <memory>

class Connection;
struct DbError;
struct DbRequest;

// One statement at a time on a Connection, as the windows use it: set
// ActiveConnection once (it stays set), then for each statement CommandText,
// optionally Parameters, and Execute.
//
// Parameters are bound in order to the "?" placeholders of CommandText;
// every value that comes from a user goes this way, never into the text.
// A null QVariant binds SQL NULL; QDateTime binds a TIMESTAMP.
//
// Execute returns the rows of a query, read whole, or an empty recordset
// (Eof true) for any other statement, whose row count it leaves in
// RecordsAffected. It throws DbException when there is no open connection or
// the engine refuses the statement; the exception's NativeError is the
// Firebird SQLCODE (-803 duplicate key, -913 update conflict) so that a
// caller can retry. Runs on the connection's thread while the caller waits.
//
// ExecuteAsync sends the same statement to the connection's thread and
// returns at once; ExecuteComplete follows on this object's thread with the
// rows, or with the error (pError, which lives only while the signal is
// emitted; null on success). A newer ExecuteAsync on the same command
// supersedes the one still under way: that one's statement is cancelled and
// its rows never arrive. So does Cancel, and so does destroying the command.
// Execute waits behind a statement still under way but supersedes nothing.
// Requests sent before the connection was closed or opened again never
// complete either. One that gets no answer from the server well past the
// time limit completes with the error of a lost connection (see
// Connection).
class Command : public QObject
{
    Q_OBJECT

public:
    explicit Command(QObject *parent = nullptr);
    ~Command() override;

    Connection *ActiveConnection = nullptr; // not owned
    QString CommandText;
    QVariantList Parameters;
    int RecordsAffected = -1;
    // Rows a query reads at most; 0 reads them all. A query that feeds a
    // single value sets 1, so a large table costs no more than a small one.
    int MaxRecords = 0;
    // Seconds the statement may wait for a lock another attachment holds;
    // -1 (the default) waits as long as it takes. From 0 on, the statement
    // runs in a transaction of its own, outside BeginTrans, committed at once
    // or rolled back whole, and it may have neither parameters nor rows.
    // Data definition needs it: a DROP TABLE of a table that another program
    // keeps busy then fails with "object ... is in use" instead of waiting
    // for that program, and leaves no transaction open.
    int LockTimeout = -1;
    // Besides the connection's CommandTimeout, a statement of this command
    // is cancelled at this moment: a caller keeps several statements within
    // one limit this way. Never by default.
    QDeadlineTimer Deadline{QDeadlineTimer::Forever};

    // options is accepted for the callers' sake and ignored.
    Recordset Execute(int options = -1);
    // Throws DbException, like Execute, when there is no open connection;
    // the engine's own refusals come with ExecuteComplete.
    void ExecuteAsync();
    void Cancel();
    // An ExecuteAsync has not completed yet.
    bool Executing() const { return m_pending != nullptr; }

signals:
    void ExecuteComplete(const DbError *pError, const Recordset &records);

private:
    friend class Connection;

    std::shared_ptr<DbRequest> makeRequest() const;
    // The connection's word on a request: take() ends it when it is still
    // the one under way, complete() then reports it.
    bool take(const std::shared_ptr<DbRequest> &request);
    void complete(const DbError *error, const Recordset &records, int recordsAffected);

    std::shared_ptr<DbRequest> m_pending;
    QPointer<Connection> m_pendingConnection;
};
