#include "sentitem.h"

namespace {

// The list box's tab stops follow its header, so every field is given a
// fixed width: a longer text is cut, a shorter one padded with blanks.
QString fitted(const QString &text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '), true);
}

QString textOf(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

} // namespace

SentItem ReadSentItem(const QVariantList &columns)
{
    const auto column = [&columns](int i) { return i < columns.size() ? columns.at(i) : QVariant(); };
    SentItem item;
    if (const QVariant v = column(0); !v.isNull())
        item.ID = v.toInt();
    item.NUMBER = textOf(column(1));
    if (const QVariant v = column(2); !v.isNull())
        item.PDATE = v.toDateTime();
    item.FIO = textOf(column(3));
    item.ADRESS = textOf(column(4));
    item.NOTES = textOf(column(5));
    item.WEIGHT = textOf(column(6));
    item.PRICE = textOf(column(7));
    item.BARCODE = textOf(column(8));
    if (const QVariant v = column(9); !v.isNull())
        item.TYPEM = v.toInt();
    return item;
}

QString ListedAddress(const QString &address)
{
    QString text = address;
    text.replace(QLatin1String("\r\n"), QLatin1String(", "));
    text.replace(QLatin1String(",,"), QLatin1String(","));
    text.replace(QLatin1String(", ,"), QLatin1String(", "));
    text.replace(QLatin1String("  "), QLatin1String(" "));
    return text;
}

QString SentItemLine(const SentItem &item)
{
    const QChar tab(QLatin1Char('\t'));
    return item.NUMBER + tab + fitted(item.FIO, 22) + tab + fitted(item.ADRESS, 50) + tab + fitted(item.NOTES, 30);
}
