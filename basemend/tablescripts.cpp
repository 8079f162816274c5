#include "tablescripts.h"

#include "database/command.h"
#include "database/connection.h"
#include "database/dbexception.h"

#include <QDir>
#include <QFile>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

const QStringList &TableScripts::TableNames()
{
    static const QStringList names{QStringLiteral("Z_POST"), QStringLiteral("Z_POSTCONFIG"),
                                   QStringLiteral("Z_POSTPRICE")};
    return names;
}

TableScripts::TableScripts(Command &command, const QString &folder)
    : m_command(command)
    , m_folder(folder)
{
}

void TableScripts::execute(const QString &sql, bool ownTransaction)
{
    // The command is shared with the rest of the window: set all it uses.
    m_command.CommandText = sql;
    m_command.Parameters.clear();
    m_command.MaxRecords = 0;
    m_command.LockTimeout = ownTransaction ? LockWait : -1;
    try {
        m_command.Execute(-1);
    } catch (const DbException &e) {
        m_command.LockTimeout = -1;
        throw Failure{sql, e.error().Description};
    }
    m_command.LockTimeout = -1;
}

bool TableScripts::TableExists(const QString &name)
{
    const QString sql = QStringLiteral("select RDB$RELATION_NAME from RDB$RELATIONS where (RDB$SYSTEM_FLAG = 0) "
                                       "and (RDB$RELATION_NAME=?)");
    m_command.CommandText = sql;
    m_command.Parameters = {name};
    m_command.MaxRecords = 0;
    m_command.LockTimeout = -1;
    Recordset rs;
    try {
        rs = m_command.Execute(-1);
    } catch (const DbException &e) {
        throw Failure{sql, e.error().Description};
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        const QVariant field = rs.Fields(0);
        if (!field.isNull())
            return field.toString().contains(name);
    }
    return false;
}

void TableScripts::DropTable(const QString &name)
{
    // The window's own statements hold nothing by now: Command reads a
    // query's rows whole and ends its statement at once. Whoever else still
    // uses the table makes the drop fail after LockWait seconds.
    execute(QStringLiteral("DROP TABLE ") + name, true);
}

QStringList TableScripts::ReadSqlFile(const QString &fileName) const
{
    QFile file(QDir(m_folder).filePath(fileName));
    if (!file.open(QIODevice::ReadOnly))
        throw Failure{file.fileName(), file.errorString()};
    QString text = QString::fromUtf8(file.readAll());
    text.replace(kCrLf, QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    const QStringList pieces = fileName.contains(QStringLiteral("INSERT"))
                                   ? text.split(QLatin1Char('\n'))
                                   : QStringList{text};
    QStringList statements;
    for (const QString &piece : pieces) {
        const QString statement = piece.trimmed();
        if (!statement.isEmpty())
            statements.append(statement);
    }
    return statements;
}

void TableScripts::RunSqlFile(const QString &fileName)
{
    const QStringList statements = ReadSqlFile(fileName);
    if (!fileName.contains(QStringLiteral("INSERT"))) {
        for (const QString &statement : statements)
            execute(statement, true);
        return;
    }
    // The tariffs go in whole or not at all.
    Connection *connection = m_command.ActiveConnection;
    try {
        if (!connection)
            throw DbException({QStringLiteral("Команде не назначено соединение с базой данных."), 0});
        connection->BeginTrans();
    } catch (const DbException &e) {
        throw Failure{fileName, e.error().Description};
    }
    try {
        for (const QString &statement : statements)
            execute(statement, false);
        try {
            connection->CommitTrans();
        } catch (const DbException &e) {
            throw Failure{fileName, e.error().Description};
        }
    } catch (const Failure &) {
        try {
            connection->RollbackTrans();
        } catch (const DbException &) {
            // The statement's own failure is the one to report.
        }
        throw;
    }
}

void TableScripts::CreateMissingTables()
{
    if (!TableExists(QStringLiteral("Z_POST")))
        RunSqlFile(QStringLiteral("Z_POST.sql"));
    if (!TableExists(QStringLiteral("Z_POSTCONFIG")))
        RunSqlFile(QStringLiteral("Z_POSTCONFIG.sql"));
    if (!TableExists(QStringLiteral("Z_POSTPRICE"))) {
        RunSqlFile(QStringLiteral("Z_POSTPRICE.sql"));
        try {
            RunSqlFile(QStringLiteral("Z_ZINSERT.sql"));
        } catch (Failure &failure) {
            // A tariff table without its tariffs would never be seeded again.
            try {
                DropTable(QStringLiteral("Z_POSTPRICE"));
            } catch (const Failure &also) {
                failure.Text += kCrLf + also.Statement + kCrLf + also.Text;
            }
            throw;
        }
    }
}
