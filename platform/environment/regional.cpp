#include "environment/regional.h"

#include <optional>
#include <utility>

namespace {

std::optional<QLocale> &pinned()
{
    static std::optional<QLocale> locale;
    return locale;
}

// One-digit days and months are what people type; the four-digit year stays
// compulsory so that "1.2.13" is refused rather than read as year 13.
QString relaxed(QString format)
{
    format.replace(QLatin1String("dd"), QLatin1String("d"));
    format.replace(QLatin1String("MM"), QLatin1String("M"));
    format.replace(QLatin1String("HH"), QLatin1String("H"));
    format.replace(QLatin1String("hh"), QLatin1String("h"));
    return format;
}

// Names that stand alone (a calendar header, a menu, a weekday column) start
// with a capital, as the desktop shows them; the locale data has them in
// lower case for some languages.
QString capitalized(QString name)
{
    if (!name.isEmpty())
        name[0] = name.at(0).toUpper();
    return name;
}

QString withoutSeconds(QString format)
{
    const qsizetype at = format.indexOf(QLatin1String("ss"));
    if (at > 0)
        format.remove(at - 1, 3);
    return format;
}

} // namespace

void Regional::pin(const QLocale &locale)
{
    pinned() = locale;
}

void Regional::unpin()
{
    pinned().reset();
}

QLocale Regional::locale()
{
    return pinned() ? *pinned() : QLocale::system();
}

QString Regional::shortDateFormat()
{
    // Walk the region's own short format for the order of its fields and the
    // separator between the first two; quoted words ("'г'.") and blanks
    // around separators ("yyyy. MM. dd.") are left out, since a date written
    // with them would be cut at its first blank when read back.
    const QString format = locale().dateFormat(QLocale::ShortFormat);
    QString order;
    QString separator;
    bool numericMonth = true;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            const qsizetype end = format.indexOf(QLatin1Char('\''), i + 1);
            i = end < 0 ? format.size() : end + 1;
            continue;
        }
        if (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) {
            qsizetype length = 1;
            while (i + length < format.size() && format.at(i + length) == c)
                ++length;
            // "MMM" is a month name, "ddd" a weekday name.
            if (length > 2 && c != QLatin1Char('y'))
                numericMonth = false;
            if (!order.contains(c))
                order += c;
            i += length;
            continue;
        }
        // Direction marks stand around the separators of right-to-left regions.
        if (order.size() == 1 && !c.isSpace() && c.category() != QChar::Other_Format)
            separator += c;
        ++i;
    }
    // A region whose short date has month names or no plain separator (the C
    // locale's "9 Dec 2026") gets the international form.
    if (!numericMonth || order.size() != 3 || separator.size() != 1)
        return QStringLiteral("yyyy-MM-dd");
    QString numeric;
    for (const QChar field : std::as_const(order)) {
        if (!numeric.isEmpty())
            numeric += separator;
        numeric += field == QLatin1Char('y') ? QStringLiteral("yyyy") : QString(2, field);
    }
    return numeric;
}

QString Regional::timeFormat()
{
    QString format = locale().timeFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1String("ss")))
        return format;
    qsizetype at = format.lastIndexOf(QLatin1String("mm"));
    if (at < 0)
        return QStringLiteral("HH:mm:ss");
    QChar separator = at > 0 ? format.at(at - 1) : QLatin1Char(':');
    if (separator.isLetter())
        separator = QLatin1Char(':');
    format.insert(at + 2, QString(separator) + QLatin1String("ss"));
    return format;
}

QString Regional::DateToText(const QDate &date)
{
    return date.isValid() ? locale().toString(date, shortDateFormat()) : QString();
}

QString Regional::TimeToText(const QTime &time)
{
    return time.isValid() ? locale().toString(time, timeFormat()) : QString();
}

QString Regional::DateTimeToText(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return QString();
    return DateToText(dateTime.date()) + QLatin1Char(' ') + TimeToText(dateTime.time());
}

QDate Regional::TextToDate(const QString &text)
{
    QString t = text.trimmed();
    const qsizetype blank = t.indexOf(QLatin1Char(' '));
    if (blank > 0)
        t.truncate(blank);
    const QLocale l = locale();
    const QString format = shortDateFormat();
    for (const QString &f : {format, relaxed(format)}) {
        const QDate d = l.toDate(t, f);
        if (d.isValid())
            return d;
    }
    return QDate();
}

QDateTime Regional::TextToDateTime(const QString &text)
{
    const QString t = text.trimmed();
    const qsizetype blank = t.indexOf(QLatin1Char(' '));
    const QDate date = TextToDate(blank > 0 ? t.left(blank) : t);
    if (!date.isValid())
        return QDateTime();
    if (blank < 0)
        return QDateTime(date, QTime(0, 0));
    const QString timeText = t.mid(blank + 1).trimmed();
    const QLocale l = locale();
    const QString format = timeFormat();
    for (const QString &f : {format, relaxed(format), withoutSeconds(format), relaxed(withoutSeconds(format))}) {
        const QTime time = l.toTime(timeText, f);
        if (time.isValid())
            return QDateTime(date, time);
    }
    return QDateTime();
}

QString Regional::decimalSeparator()
{
    return locale().decimalPoint();
}

QString Regional::MonthName(int month, QLocale::FormatType format)
{
    return capitalized(locale().standaloneMonthName(month, format));
}

QString Regional::MonthNameGenitive(int month, QLocale::FormatType format)
{
    return locale().monthName(month, format);
}

QString Regional::DayName(int weekday, QLocale::FormatType format)
{
    return capitalized(locale().standaloneDayName(weekday, format));
}

Qt::DayOfWeek Regional::firstDayOfWeek()
{
    return locale().firstDayOfWeek();
}

QString Regional::NumberToText(double value, int significantDigits)
{
    QLocale l = locale();
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(value, 'g', qBound(1, significantDigits, 17));
}

double Regional::TextToNumber(const QString &text, bool *ok)
{
    bool parsed = false;
    double value = locale().toDouble(text.trimmed(), &parsed);
    if (!parsed)
        value = 0;
    if (ok)
        *ok = parsed;
    return value;
}
