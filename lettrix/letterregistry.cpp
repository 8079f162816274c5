#include "letterregistry.h"

#include "database/command.h"
#include "database/connection.h"
#include "database/dbexception.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QThread>

#include <cmath>
#include <limits>

namespace {

// Firebird's codes for a key that exists already and for a row another
// transaction changed or holds.
constexpr int kUniqueViolation = -803;
constexpr int kUpdateConflict = -913;
constexpr int kLockConflict = -901;
// An unknown table.
constexpr int kUnknownTable = -204;

[[noreturn]] void fail(const QString &description)
{
    throw DbException(DbError{description, 0});
}

// The leading number of a text as a whole number, a half going to the even
// neighbour, as the numbering has always read the stored values.
qint32 toWholeNumber(const QVariant &value, const char *column)
{
    bool ok = false;
    const double d = value.toString().trimmed().toDouble(&ok);
    if (value.isNull() || !ok || !std::isfinite(d))
        fail(QStringLiteral("В строке Z_POST с наибольшим ID поле %1 не является числом: \"%2\".")
                 .arg(QLatin1String(column), value.toString()));
    const double rounded = std::nearbyint(d);
    if (rounded < 0 || rounded >= double(std::numeric_limits<qint32>::max()))
        fail(QStringLiteral("В строке Z_POST с наибольшим ID поле %1 вне допустимого диапазона: %2.")
                 .arg(QLatin1String(column), value.toString()));
    return qint32(rounded);
}

qint32 nextFrom(Command &command, const QString &sql, const char *column)
{
    command.CommandText = sql;
    command.Parameters.clear();
    command.MaxRecords = 1;
    const Recordset rs = command.Execute(-1);
    command.MaxRecords = 0;
    if (rs.Eof())
        return 1;
    return toWholeNumber(rs.Fields(0), column) + 1;
}

bool isClash(const DbException &e)
{
    // Cancelled for taking too long: the engine gives that the code of a
    // lock conflict too, but waiting longer is just what must not happen.
    if (e.error().TimedOut)
        return false;
    const int code = e.error().NativeError;
    return code == kUniqueViolation || code == kUpdateConflict || code == kLockConflict
           || e.error().Description.contains(QLatin1String("deadlock"))
           || e.error().Description.contains(QLatin1String("violation of PRIMARY or UNIQUE KEY"));
}

// Takes the registration's turn: an update of the settings row that the
// engine lets only one open transaction hold. The row is added when the
// table is empty; should two registrations add it at once, they also compute
// the same ID, so only one of them commits and the table keeps one row.
// A database whose settings table has not been created yet still takes
// letters: without turns, clashing registrations are only retried.
void takeTurn(Command &command)
{
    command.CommandText = QStringLiteral("update Z_POSTCONFIG set CURRENT_BAR=CURRENT_BAR");
    command.Parameters.clear();
    command.MaxRecords = 0;
    try {
        command.Execute(-1);
    } catch (const DbException &e) {
        // The failed statement is undone on its own; the transaction goes on.
        if (e.error().NativeError == kUnknownTable)
            return;
        throw;
    }
    if (command.RecordsAffected > 0)
        return;
    command.CommandText = QStringLiteral("insert into Z_POSTCONFIG (CURRENT_BAR) values (Null)");
    command.Execute(-1);
}

} // namespace

qint32 NextId(Command &command)
{
    return nextFrom(command, QStringLiteral("select Z_POST.ID from Z_POST ORDER BY id DESC"), "ID");
}

qint32 NextNumber(Command &command)
{
    return nextFrom(command, QStringLiteral("select Z_POST.NUMBER from Z_POST ORDER BY id DESC"), "NUMBER");
}

Registered RegisterLetter(Connection *connection, const LetterRow &row)
{
    Command command;
    command.ActiveConnection = connection;
    // The whole registration, its retries included, keeps within the time
    // a single statement is given: a clerk whose turn never comes (another
    // program holds the row) hears of it then, with nothing stored.
    const int limitSeconds = connection->CommandTimeout;
    const qint64 patienceMs = limitSeconds > 0 ? qMin<qint64>(qint64(limitSeconds) * 1000, RegistrationPatienceMs)
                                               : RegistrationPatienceMs;
    command.Deadline = QDeadlineTimer(patienceMs);
    for (int attempt = 1;; ++attempt) {
        try {
            connection->BeginTrans();
            takeTurn(command);
            Registered result;
            result.id = NextId(command);
            result.number = NextNumber(command);
            command.CommandText = QStringLiteral(
                "INSERT INTO Z_POST VALUES (?, ?, ?, ?, ?, ?, ?, Null, Null, Null, ?, ?)");
            command.Parameters = {result.id, QString::number(result.number), row.date, row.recipient,
                                  row.address, row.notes, row.type, row.creator, row.flag};
            command.Execute(-1);
            connection->CommitTrans();
            return result;
        } catch (const DbException &e) {
            try {
                connection->RollbackTrans();
            } catch (const DbException &) {
                // The connection itself is gone; the first error says why.
            }
            if (!isClash(e))
                throw;
            if (command.Deadline.hasExpired())
                throw DbException(DbError::commandTimedOut(limitSeconds > 0 ? limitSeconds : int(patienceMs / 1000)));
            // Every clerk waiting for the turn is woken by the same commit; a
            // short random pause, longer after each clash, keeps them from all
            // coming back at the same moment.
            QThread::usleep(QRandomGenerator::global()->bounded(1000 * qMin(attempt, 20)));
        }
    }
}
