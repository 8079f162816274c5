#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

class Command;
class QVariant;
class TableScripts;

// A copy of the suite's tables taken before they are dropped, as an SQL
// script that makes them again: the CREATE statement of each table's script
// file, then one INSERT per row naming its columns, then COMMIT. UTF-8 with
// CR LF line ends; every statement ends with ";" on its line, as isql reads
// it ("isql-fb -ch UTF8 -i <file> <database>"). No statement spans a line:
// CR, LF and other control characters in texts are written as ASCII_CHAR(n);
// apostrophes are doubled, Null stays NULL, numbers are written with ".".
class TableBackup
{
public:
    // The script for tables (a subset of TableScripts::TableNames(), in that
    // order), read through command on its connection. Throws
    // TableScripts::Failure when a script file or a table cannot be read.
    static QByteArray Script(TableScripts &scripts, Command &command, const QStringList &tables,
                             const QDateTime &when);

    // Writes script as "Z_TABLES_<yyyyMMdd_HHmmss>.sql" (from when) into the
    // first of folders that takes it, creating the folder; the file is
    // written whole under a temporary name and then renamed. Returns its
    // path, or an empty text when no folder took it.
    static QString Save(const QByteArray &script, const QStringList &folders, const QDateTime &when);

    // "backup" in the program's folder, then in the user's data folder for
    // the program.
    static QStringList Folders();

    // value as an SQL literal.
    static QString Literal(const QVariant &value);
};
