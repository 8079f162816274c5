#include "database/recordset.h"

#include "database/dbexception.h"

Recordset::Recordset(int columnCount, QList<QVariant> values)
    : m_values(std::move(values))
    , m_columnCount(columnCount)
    , m_rowCount(columnCount > 0 ? int(m_values.size() / columnCount) : 0)
{
}

void Recordset::MoveNext()
{
    if (Eof())
        throw DbException({QStringLiteral("Текущая запись отсутствует: достигнут конец набора записей."), 0});
    ++m_row;
}

QVariant Recordset::Fields(int i) const
{
    if (Eof())
        throw DbException({QStringLiteral("Текущая запись отсутствует: достигнут конец набора записей."), 0});
    if (i < 0 || i >= m_columnCount)
        throw DbException({QStringLiteral("Поле с номером %1 отсутствует в наборе записей (полей: %2).")
                               .arg(i).arg(m_columnCount), 0});
    return m_values.at(qsizetype(m_row) * m_columnCount + i);
}
