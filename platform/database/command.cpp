#include "database/command.h"

#include "database/connection.h"
#include "database/dbexception.h"

Recordset Command::Execute(int options)
{
    Q_UNUSED(options);
    RecordsAffected = -1;
    if (!ActiveConnection)
        throw DbException({QStringLiteral("Команде не назначено соединение с базой данных."), 0});
    if (LockTimeout >= 0) {
        if (!Parameters.isEmpty())
            throw DbException({QStringLiteral("Оператор в отдельной транзакции не принимает параметров."), 0});
        ActiveConnection->executeWithLockTimeout(CommandText, LockTimeout);
        return Recordset();
    }
    return ActiveConnection->execute(CommandText, Parameters, MaxRecords, &RecordsAffected);
}
