#pragma once

#include "database/recordset.h"

#include <QString>
#include <QVariantList>

class Connection;

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
class Command
{
public:
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

    // options is accepted for the callers' sake and ignored.
    Recordset Execute(int options = -1);
};
