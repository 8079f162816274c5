#include "listrow.h"

#include "tariffs.h"

namespace {

QString textOf(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

} // namespace

ListRow ReadListRow(const QVariantList &columns)
{
    const auto column = [&columns](int i) { return i < columns.size() ? columns.at(i) : QVariant(); };
    ListRow row;
    if (const QVariant v = column(0); !v.isNull())
        row.ID = v.toInt();
    row.NUMBER = textOf(column(1));
    if (const QVariant v = column(2); !v.isNull())
        row.PDATE = v.toDateTime();
    row.FIO = textOf(column(3));
    row.ADRESS = textOf(column(4)).replace(QLatin1String("\r\n"), QLatin1String(", "));
    row.NOTES = textOf(column(5));
    row.WEIGHT = textOf(column(6));
    row.PRICE = ReadPrice(column(7)).value_or(0);
    row.BARCODE = textOf(column(8));
    if (const QVariant v = column(9); !v.isNull())
        row.TYPEM = v.toInt();
    if (const QVariant v = column(10); !v.isNull())
        row.REESTR = v.toInt();
    return row;
}

QString ListRowLine(const ListRow &row)
{
    const QChar tab(QLatin1Char('\t'));
    return QLatin1Char(' ') + row.NUMBER + tab + row.FIO.left(22) + tab + row.ADRESS.left(50) + tab
           + row.NOTES.left(16) + tab + row.WEIGHT.left(5);
}
