#pragma once

#include <QString>
#include <QStringList>

class Command;

// The suite's own tables in the case-file database, made and removed as the
// setup tool does it: the existence test, the script files in a folder (the
// program's) and the drop. Demo and test databases are made by the same code.
//
// Statements go through the caller's command object on its open connection;
// it stays the caller's. Every failing step throws TableScripts::Failure;
// statements already run stay in effect, except that the tariffs of a new
// Z_POSTPRICE go in whole or not at all.
class TableScripts
{
public:
    // What failed: the statement, or the path of the script file that could
    // not be read, and the server's or the file system's words.
    struct Failure
    {
        QString Statement;
        QString Text;
    };

    // "Z_POST", "Z_POSTCONFIG", "Z_POSTPRICE": the order of every test,
    // create and drop.
    static const QStringList &TableNames();

    // Seconds a create or a drop waits for a table that another program
    // keeps busy before it gives up.
    static constexpr int LockWait = 10;

    TableScripts(Command &command, const QString &folder);

    // True when a user table of that name exists. The name is bound, and a
    // name the catalogue pads with blanks still counts.
    bool TableExists(const QString &name);
    // "DROP TABLE " + name, in a transaction of its own.
    void DropTable(const QString &name);
    // Runs a script file of the folder: a name containing "INSERT" line by
    // line in one transaction (a failing line rolls every line back), any
    // other as one statement.
    void RunSqlFile(const QString &fileName);
    // The statements of a script file as RunSqlFile runs them: line ends of
    // any kind, blanks around each piece and empty pieces do not count.
    QStringList ReadSqlFile(const QString &fileName) const;
    // Runs the script of each missing table, in the order of TableNames(),
    // and the tariffs of "Z_ZINSERT.sql" right after a new Z_POSTPRICE, and
    // only then; when they fail, that Z_POSTPRICE is dropped again so that
    // the next create makes both.
    void CreateMissingTables();

private:
    void execute(const QString &sql, bool ownTransaction);

    Command &m_command;
    QString m_folder;
};
