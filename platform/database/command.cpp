#include "database/command.h"

#include "database/connection.h"
#include "database/dbexception.h"
#include "database/dbworker.h"

namespace {

void requireConnection(const Connection *connection)
{
    if (!connection)
        throw DbException({QStringLiteral("Команде не назначено соединение с базой данных."), 0});
}

} // namespace

Command::Command(QObject *parent)
    : QObject(parent)
{
}

Command::~Command()
{
    Cancel();
}

std::shared_ptr<DbRequest> Command::makeRequest() const
{
    auto request = std::make_shared<DbRequest>();
    request->sql = CommandText;
    request->parameters = Parameters;
    request->maxRecords = MaxRecords;
    request->deadline = Deadline;
    return request;
}

Recordset Command::Execute(int options)
{
    Q_UNUSED(options);
    RecordsAffected = -1;
    requireConnection(ActiveConnection);
    if (LockTimeout >= 0) {
        if (!Parameters.isEmpty())
            throw DbException({QStringLiteral("Оператор в отдельной транзакции не принимает параметров."), 0});
        ActiveConnection->executeWithLockTimeout(CommandText, LockTimeout);
        return Recordset();
    }
    const std::shared_ptr<DbRequest> request = makeRequest();
    ActiveConnection->execute(request);
    RecordsAffected = request->recordsAffected;
    return request->records;
}

void Command::ExecuteAsync()
{
    Cancel();
    requireConnection(ActiveConnection);
    const std::shared_ptr<DbRequest> request = makeRequest();
    ActiveConnection->executeAsync(this, request);
    m_pending = request;
    m_pendingConnection = ActiveConnection;
}

void Command::Cancel()
{
    if (!m_pending)
        return;
    // Set first: the worker skips a request not yet started and stops
    // reading rows of one that has.
    m_pending->calledOff = true;
    if (m_pendingConnection)
        m_pendingConnection->callOff(m_pending.get());
    m_pending.reset();
}

bool Command::take(const std::shared_ptr<DbRequest> &request)
{
    if (request != m_pending || request->calledOff)
        return false;
    m_pending.reset();
    return true;
}

void Command::complete(const DbError *error, const Recordset &records, int recordsAffected)
{
    RecordsAffected = recordsAffected;
    emit ExecuteComplete(error, records);
}
