#include "tarifftable.h"

#include "tariffprices.h"

#include "database/command.h"
#include "database/connection.h"
#include "database/dbexception.h"

namespace {

const QString kLadderQuery =
    QStringLiteral("select Z_POSTPRICE.price, Z_POSTPRICE.WEIGHT from Z_POSTPRICE where TYPEM=%1 "
                   "order by Z_POSTPRICE.WEIGHT");
const QString kSingleQuery = QStringLiteral("select Z_POSTPRICE.price from Z_POSTPRICE where TYPEM=%1");
const QString kLadderUpdate = QStringLiteral("update Z_POSTPRICE set price=? WHERE TYPEM=%1 AND WEIGHT=?");
const QString kSingleUpdate = QStringLiteral("update Z_POSTPRICE set price=? WHERE TYPEM=%1");
// RDB$FIELD_TYPE of CHAR, VARCHAR and CSTRING; a BLOB (261) holds text when
// its sub-type is 1.
const QString kPriceTypeQuery = QStringLiteral(
    "select F.RDB$FIELD_TYPE, F.RDB$FIELD_SUB_TYPE from RDB$RELATION_FIELDS R "
    "join RDB$FIELDS F on F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE "
    "where R.RDB$RELATION_NAME = 'Z_POSTPRICE' and R.RDB$FIELD_NAME = 'PRICE'");
constexpr int kChar = 14;
constexpr int kVarchar = 37;
constexpr int kCstring = 40;
constexpr int kBlob = 261;

} // namespace

TariffTable::TariffTable(Command &command)
    : m_command(command)
{
}

QList<TariffTable::Row> TariffTable::query(const QString &sql, int columns, int maxRecords)
{
    // The command is shared with the rest of the window: set all it uses.
    m_command.CommandText = sql;
    m_command.Parameters.clear();
    m_command.MaxRecords = maxRecords;
    m_command.LockTimeout = -1;
    QList<Row> rows;
    try {
        for (Recordset rs = m_command.Execute(-1); !rs.Eof(); rs.MoveNext())
            rows.append(Row{rs.Fields(0), columns > 1 ? rs.Fields(1) : QVariant()});
    } catch (const DbException &e) {
        m_command.MaxRecords = 0;
        throw TableScripts::Failure{sql, e.error().Description};
    }
    m_command.MaxRecords = 0;
    return rows;
}

void TariffTable::execute(const QString &sql, const QVariantList &parameters)
{
    m_command.CommandText = sql;
    m_command.Parameters = parameters;
    m_command.MaxRecords = 0;
    m_command.LockTimeout = -1;
    try {
        m_command.Execute(-1);
    } catch (const DbException &e) {
        throw TableScripts::Failure{sql, e.error().Description};
    }
}

TariffTable::Tariffs TariffTable::Read()
{
    Tariffs tariffs;
    for (int kind = 1; kind <= 2; ++kind)
        tariffs.Ladders[kind - 1] = query(kLadderQuery.arg(kind), 2, LadderSlots + 1);
    for (int kind = 3; kind <= 5; ++kind)
        tariffs.Singles[kind - 3] = query(kSingleQuery.arg(kind), 1, 1);
    return tariffs;
}

bool TariffTable::priceIsText()
{
    const QList<Row> rows = query(kPriceTypeQuery, 2, 1);
    if (rows.isEmpty())
        return false;
    const int type = rows.first().Price.toInt();
    return type == kChar || type == kVarchar || type == kCstring
           || (type == kBlob && rows.first().Weight.toInt() == 1);
}

void TariffTable::Save(const QList<Price> &prices)
{
    Connection *connection = m_command.ActiveConnection;
    try {
        if (!connection)
            throw DbException({QStringLiteral("Команде не назначено соединение с базой данных."), 0});
        connection->BeginTrans();
    } catch (const DbException &e) {
        throw TableScripts::Failure{QString(), e.error().Description};
    }
    try {
        const bool asText = priceIsText();
        for (const Price &price : prices) {
            // Numbers go in as numbers: a NUMERIC column would otherwise have
            // to read the comma text itself, which it cannot.
            const QVariant value = asText ? QVariant(price.Text) : QVariant(ReadPrice(price.Text).value_or(0));
            const QString sql = price.Kind <= 2 ? kLadderUpdate.arg(price.Kind) : kSingleUpdate.arg(price.Kind);
            execute(sql, price.Kind <= 2 ? QVariantList{value, price.Weight} : QVariantList{value});
            // The row was loaded a moment ago; gone now (another program
            // changed the tariffs meanwhile), the save must not say it wrote it.
            if (m_command.RecordsAffected < 1)
                throw TableScripts::Failure{sql, QStringLiteral("Строка тарифа не найдена: тарифы изменены другой программой.")};
        }
        try {
            connection->CommitTrans();
        } catch (const DbException &e) {
            throw TableScripts::Failure{QString(), e.error().Description};
        }
    } catch (const TableScripts::Failure &) {
        try {
            connection->RollbackTrans();
        } catch (const DbException &) {
            // The statement's own failure is the one to report.
        }
        throw;
    }
}
