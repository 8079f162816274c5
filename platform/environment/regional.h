#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

// The desktop's regional settings as the programs use them: dates and times
// written into the database and shown to the clerk, numbers with the regional
// decimal separator, month and weekday names and the first day of the week for
// the calendar. Everything follows QLocale::system() unless a locale is
// pinned (tests pin ru_RU so that no result depends on the machine).
class Regional
{
public:
    static void pin(const QLocale &locale);
    static void unpin();
    static QLocale locale();

    // Short date format: the region's order of day, month and year and its
    // separator, but always digits, two for day and month and four for the
    // year ("dd.MM.yyyy" in ru_RU, "MM/dd/yyyy" in en_US, "yyyy/MM/dd" in
    // ja_JP), so that every date the programs write reads back, in the right
    // century. "yyyy-MM-dd" where the region writes month names (the C locale).
    static QString shortDateFormat();
    // Time format with seconds ("HH:mm:ss" in ru_RU).
    static QString timeFormat();

    // Empty text for a null date/time.
    static QString DateToText(const QDate &date);
    static QString TimeToText(const QTime &time);
    // Date, a blank, time.
    static QString DateTimeToText(const QDateTime &dateTime);

    // Reads a date in the short format; day and month may have one or two
    // digits, and a time part after the first blank is ignored. Anything else
    // gives a null QDate.
    static QDate TextToDate(const QString &text);
    // Reads a date, a blank and a time (with or without seconds); a date
    // alone gives its midnight. Anything else gives an invalid QDateTime.
    static QDateTime TextToDateTime(const QString &text);

    static QString decimalSeparator();

    // Month 1-12. Nominative with a capital ("Январь") for headers and menus,
    // genitive as it stands in a sentence ("января") for a date in words.
    static QString MonthName(int month, QLocale::FormatType format = QLocale::LongFormat);
    static QString MonthNameGenitive(int month, QLocale::FormatType format = QLocale::LongFormat);
    // Weekday 1 (Monday) to 7 (Sunday), with a capital ("Пн").
    static QString DayName(int weekday, QLocale::FormatType format = QLocale::ShortFormat);
    static Qt::DayOfWeek firstDayOfWeek();

    // A number as the regional settings write it: regional decimal separator,
    // no digit grouping, at most `significantDigits` significant digits with
    // trailing zeros dropped (20.5 -> "20,5" in ru_RU, 20 -> "20").
    static QString NumberToText(double value, int significantDigits = 15);
    // Reads a number written with the regional decimal separator (blanks
    // around it allowed). Sets *ok; gives 0 when the text is not a number.
    static double TextToNumber(const QString &text, bool *ok = nullptr);
};
