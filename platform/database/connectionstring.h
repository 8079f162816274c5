#pragma once

#include <QString>

// The parts of an ODBC-style connection string that reach the Firebird
// client: "DRIVER=...; Charset=...; DBNAME=<path>; UID=<user>; PWD=<password>".
// Keys are case-insensitive and blanks around ";" and "=" are dropped.
// Nothing is quoted: a value runs to the next ";". Unknown keys are ignored.
class ConnectionString
{
public:
    // The only driver name the suite's connection strings use.
    static const QString FirebirdDriver;

    static ConnectionString parse(const QString &text);

    bool hasFirebirdDriver() const;

    QString Driver;
    QString Database; // a plain path opens embedded, "host[/port]:path" a server
    QString User;
    QString Password;
    QString Charset; // accepted and ignored: the Qt driver always talks UTF8
};
