#pragma once

#include <QString>

// The parts of an ODBC-style connection string that reach the Firebird
// client: "DRIVER=...; Charset=...; DBNAME=<path>; UID=<user>; PWD=<password>".
// Keys are case-insensitive and blanks around ";" and "=" are dropped.
// A value runs to the next ";", unless it is put in braces as ODBC does:
// "PWD={a;b c}" keeps everything between them, a "}" inside written "}}".
// Unknown keys are ignored.
class ConnectionString
{
public:
    // The only driver name the suite's connection strings use.
    static const QString FirebirdDriver;

    static ConnectionString parse(const QString &text);

    // value as it has to stand after "KEY=" so that parse() gives it back
    // unchanged: in braces when it holds a ";", starts with "{" or has
    // blanks at either end; as it is otherwise, so that ordinary strings
    // read as they always did.
    static QString quoteValue(const QString &value);

    bool hasFirebirdDriver() const;

    QString Driver;
    QString Database; // a plain path opens embedded, "host[/port]:path" a server
    QString User;
    QString Password;
    QString Charset; // accepted and ignored: the Qt driver always talks UTF8
};
