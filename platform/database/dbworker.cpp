#include "database/dbworker.h"

#include "database/fbclient.h"
#include "database/firebirdenv.h"
#include "environment/terminationsignals.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

#include <cmath>

namespace {

const QString QibaseDriver = QStringLiteral("QIBASE");

// The Qt driver hands NUMERIC(p,s) over as a double computed by dividing the
// stored integer, which leaves 19.99 as 19.990000000000002. Rounding to the
// column's scale gives back the double nearest the stored decimal, whose
// shortest text is the decimal itself.
QVariant exactDecimal(const QVariant &value, int scale)
{
    const double factor = std::pow(10.0, scale);
    return QVariant(std::round(value.toDouble() * factor) / factor);
}

bool changesRows(const QString &sql)
{
    const QString head = sql.trimmed().left(6).toUpper();
    return head == QLatin1String("INSERT") || head == QLatin1String("UPDATE") || head == QLatin1String("DELETE")
        || head.startsWith(QLatin1String("MERGE"));
}

// The engine's code for an attachment that failed or is gone; it also covers
// refused logins, so the text tells which.
constexpr int kConnectionGone = -902;

// What the client reports once an established attachment is gone: ended by
// an administrator or a database shutdown, the server stopped, the network
// cut.
DbError calledOffError()
{
    return {QStringLiteral("Запрос отменён."), 0};
}

bool meansConnectionLost(const QString &text)
{
    static const char *const markers[] = {
        "connection shutdown",
        "Error reading data from the connection",
        "Error writing data to the connection",
        "Connection lost to database",
    };
    for (const char *marker : markers) {
        if (text.contains(QLatin1String(marker), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

DbWorker::DbWorker(const QString &connectionName)
    : m_connectionName(connectionName)
{
}

DbError DbWorker::toDbError(const QSqlError &error)
{
    DbError result;
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    const QString code = error.nativeErrorCode();
    result.NativeError = code.toInt();
    result.ConnectionLost = result.NativeError == kConnectionGone && meansConnectionLost(text);
    result.Description = code.isEmpty() ? text : QStringLiteral("%1 (SQLCODE %2)").arg(text, code);
    return result;
}

DbError DbWorker::driverMissing(const QString &detail)
{
    // Callers recognise a missing driver by the words "не указан драйвер"
    // and offer its download, so the text keeps the ODBC manager's wording.
    QString text = QStringLiteral("Источник данных не найден и не указан драйвер, используемый по умолчанию");
    if (!detail.isEmpty())
        text += QStringLiteral(" (%1)").arg(detail);
    return {text, 0};
}

void DbWorker::open(const ConnectionString &target, const std::shared_ptr<DbOpenOutcome> &outcome,
                    quint64 attempt, bool notify)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QibaseDriver, m_connectionName);
        if (!db.isValid()) {
            // The plugin is there but could not be loaded: no client library.
            outcome->error = driverMissing(db.lastError().text());
        } else {
            db.setDatabaseName(target.Database);
            db.setUserName(target.User);
            db.setPassword(target.Password);
            keepAttachmentsOnSignals();
            outcome->ok = db.open();
            if (outcome->ok) {
                m_watch->attach(db.driver()->handle());
            } else {
                outcome->error = toDbError(db.lastError());
                const QString refusal = isEmbeddedDatabaseName(target.Database)
                                            ? lockFolderRefusal(outcome->error.Description)
                                            : QString();
                if (!refusal.isEmpty())
                    outcome->error.Description = refusal + QStringLiteral("\r\n") + outcome->error.Description;
            }
            // The client library has just taken SIGTERM and SIGINT, failed
            // attach or not; the program wants them back.
            TerminationSignals::reclaim();
        }
    }
    outcome->done.release();
    if (notify)
        emit openFinished(attempt);
}

void DbWorker::shutdown()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen()) {
            // Firebird refuses to detach while a transaction is active.
            if (m_inTransaction)
                db.rollback();
            db.close();
        }
    }
    // Only now: a connection that gives up waiting for the detach above
    // still needs the handle to drop the attachment.
    m_watch->detach();
    m_inTransaction = false;
    QSqlDatabase::removeDatabase(m_connectionName);
    thread()->quit();
}

void DbWorker::execute(DbRequest &request)
{
    request.ok = false;
    if (request.calledOff) {
        request.error = calledOffError();
        return;
    }
    QDeadlineTimer deadline = request.deadline;
    if (request.timeoutSeconds > 0)
        deadline = qMin(deadline, QDeadlineTimer(qint64(request.timeoutSeconds) * 1000));
    if (deadline.hasExpired()) {
        request.error = DbError::commandTimedOut(request.timeoutSeconds);
        return;
    }
    if (!m_watch->begin(&request, deadline)) {
        request.error = calledOffError();
        return;
    }
    const bool ok = run(request);
    switch (m_watch->end()) {
    case StatementWatch::Verdict::Ran:
        request.ok = ok;
        break;
    case StatementWatch::Verdict::TimedOut:
        // A statement that got to its end as the limit passed still counts.
        request.ok = ok;
        if (!ok)
            request.error = DbError::commandTimedOut(request.timeoutSeconds);
        break;
    case StatementWatch::Verdict::CalledOff:
        request.error = calledOffError();
        break;
    }
}

void DbWorker::executeAndReport(const std::shared_ptr<DbRequest> &request)
{
    execute(*request);
    emit executed(request);
}

void DbWorker::beginCall(qint64 allowanceMs)
{
    m_callDeadline = QDeadlineTimer(allowanceMs).deadline();
}

void DbWorker::endCall()
{
    m_callDeadline = 0;
}

bool DbWorker::overdue() const
{
    const qint64 deadline = m_callDeadline;
    return deadline != 0 && QDeadlineTimer::current().deadline() >= deadline;
}

bool DbWorker::run(DbRequest &request)
{
    // A fresh query per statement: a re-executed prepared SELECT would keep
    // reading the snapshot of its first run.
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.setForwardOnly(true);
    if (!query.prepare(request.sql)) {
        request.error = toDbError(query.lastError());
        return false;
    }
    for (const QVariant &value : request.parameters)
        query.addBindValue(value);
    // A failed auto-commit still reports success from exec(); only
    // lastError() shows it.
    if (!query.exec() || query.lastError().isValid()) {
        request.error = toDbError(query.lastError());
        return false;
    }

    if (!query.isSelect()) {
        request.records = Recordset();
        // The driver warns on stdout when asked about anything but data
        // changes, e.g. after every CREATE TABLE.
        request.recordsAffected = changesRows(request.sql) ? query.numRowsAffected() : -1;
        return true;
    }

    const QSqlRecord columns = query.record();
    const int columnCount = columns.count();
    QList<int> decimalScale(columnCount, 0);
    for (int i = 0; i < columnCount; ++i) {
        const QSqlField field = columns.field(i);
        if (field.metaType().id() == QMetaType::Double && field.precision() > 0)
            decimalScale[i] = field.precision();
    }

    QList<QVariant> values;
    int rows = 0;
    const int maxRecords = request.maxRecords;
    while ((maxRecords <= 0 || rows < maxRecords) && query.next()) {
        ++rows;
        for (int i = 0; i < columnCount; ++i) {
            if (decimalScale.at(i) > 0 && !query.isNull(i))
                values.append(exactDecimal(query.value(i), decimalScale.at(i)));
            else
                values.append(query.value(i));
        }
        // Between fetches the engine has nothing to cancel; a long read of
        // rows nobody wants any more stops here.
        if ((rows & 255) == 0 && request.calledOff)
            return false;
    }
    // A failure while fetching ends next() early and shows only here.
    if (query.lastError().isValid()) {
        request.error = toDbError(query.lastError());
        return false;
    }
    // Ends the statement's own read transaction now rather than whenever the
    // query object goes away.
    query.finish();
    request.records = Recordset(columnCount, std::move(values));
    request.recordsAffected = -1;
    return true;
}

namespace {

// The client's failure as Qt's driver words it: its messages joined by " - ",
// and the SQL code.
DbError clientError(const FbClient &client, const FbClient::Status *status)
{
    DbError result;
    result.NativeError = client.isc_sqlcode(status);
    QString text;
    char buffer[512];
    const FbClient::Status *next = status;
    while (client.fb_interpret(buffer, sizeof buffer, &next) > 0) {
        if (!text.isEmpty())
            text += QLatin1String(" - ");
        text += QString::fromUtf8(buffer);
    }
    result.ConnectionLost = result.NativeError == kConnectionGone && meansConnectionLost(text);
    result.Description = QStringLiteral("%1 (SQLCODE %2)").arg(text).arg(result.NativeError);
    return result;
}

// Transaction parameters: read/write, snapshot, and a lock wait of the given
// seconds or none. Numbers are the client's isc_tpb_* codes.
QByteArray lockTimeoutParameters(int seconds)
{
    QByteArray tpb;
    tpb += char(3); // version3
    tpb += char(9); // write
    tpb += char(2); // concurrency
    if (seconds <= 0) {
        tpb += char(7); // nowait
        return tpb;
    }
    tpb += char(6);  // wait
    tpb += char(21); // lock_timeout, 4 bytes little-endian
    tpb += char(4);
    for (int shift = 0; shift < 32; shift += 8)
        tpb += char((quint32(seconds) >> shift) & 0xFF);
    return tpb;
}

} // namespace

bool DbWorker::executeWithLockTimeout(const QString &sql, int lockTimeout, DbError *error)
{
    const FbClient *client = FbClient::get();
    const QVariant handle = QSqlDatabase::database(m_connectionName, false).driver()->handle();
    if (!client || handle.typeId() != QMetaType::UInt) {
        *error = {QStringLiteral("Клиентская библиотека Firebird недоступна."), 0};
        return false;
    }
    FbClient::Handle attachment = handle.toUInt();
    FbClient::Handle transaction = 0;
    FbClient::Status status[20] = {};
    const QByteArray tpb = lockTimeoutParameters(lockTimeout);
    const QByteArray text = sql.toUtf8();
    if (text.size() > 0xFFFF) {
        *error = {QStringLiteral("Слишком длинный оператор SQL."), 0};
        return false;
    }
    // The lock wait matters at the commit: that is where a DROP meets a
    // table another attachment still uses. The engine asks idle holders to
    // let go while it waits; only one that keeps the table busy makes the
    // wait run out.
    client->isc_start_transaction(status, &transaction, 1, &attachment, static_cast<unsigned short>(tpb.size()),
                                  tpb.constData());
    if (status[1] == 0) {
        client->isc_dsql_execute_immediate(status, &attachment, &transaction, static_cast<unsigned short>(text.size()),
                                           text.constData(), 3, nullptr);
    }
    if (status[1] == 0)
        client->isc_commit_transaction(status, &transaction);
    if (status[1] == 0)
        return true;
    *error = clientError(*client, status);
    if (transaction) {
        FbClient::Status ignored[20] = {};
        client->isc_rollback_transaction(ignored, &transaction);
    }
    return false;
}

bool DbWorker::beginTransaction(DbError *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (m_inTransaction) {
        *error = {QStringLiteral("Транзакция уже начата."), 0};
        return false;
    }
    if (!db.transaction()) {
        *error = toDbError(db.lastError());
        return false;
    }
    m_inTransaction = true;
    return true;
}

bool DbWorker::commitTransaction(DbError *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!m_inTransaction) {
        *error = {QStringLiteral("Нет активной транзакции."), 0};
        return false;
    }
    // The Qt driver forgets its transaction handle even when the commit
    // fails, so there is nothing left to roll back afterwards either way.
    m_inTransaction = false;
    if (!db.commit()) {
        *error = toDbError(db.lastError());
        return false;
    }
    return true;
}

bool DbWorker::rollbackTransaction(DbError *error)
{
    if (!m_inTransaction)
        return true;
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    const bool ok = db.rollback();
    if (!ok)
        *error = toDbError(db.lastError());
    m_inTransaction = false;
    return ok;
}
