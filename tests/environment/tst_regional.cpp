#include "environment/regional.h"

#include <QTest>

class TestRegional : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanupTestCase();

    void formats_data();
    void formats();
    void dateRoundTrip_data();
    void dateRoundTrip();
    void dateToText_data();
    void dateToText();
    void textToDate_data();
    void textToDate();
    void textToDateTime_data();
    void textToDateTime();
    void dateTimeRoundTrip();
    void names();
    void firstDayOfWeek_data();
    void firstDayOfWeek();
    void numberToText_data();
    void numberToText();
    void textToNumber_data();
    void textToNumber();
};

namespace {
const QLocale Russian(QLocale::Russian, QLocale::Russia);
}

void TestRegional::init()
{
    Regional::pin(Russian);
}

void TestRegional::cleanupTestCase()
{
    Regional::unpin();
}

void TestRegional::formats_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("decimal");

    QTest::newRow("ru_RU") << Russian << "dd.MM.yyyy" << "HH:mm:ss" << ",";
    QTest::newRow("uk_UA two-digit year widened") << QLocale(QLocale::Ukrainian, QLocale::Ukraine) << "dd.MM.yyyy"
                                                  << "HH:mm:ss" << ",";
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << "MM/dd/yyyy" << "h:mm:ss AP"
                           << ".";
}

void TestRegional::formats()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, decimal);

    Regional::pin(locale);
    QCOMPARE(Regional::shortDateFormat(), date);
    QCOMPARE(Regional::timeFormat(), time);
    QCOMPARE(Regional::decimalSeparator(), decimal);
}

void TestRegional::dateRoundTrip_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text"); // 9 December 2026

    QTest::newRow("en_US month first, widened") << QLocale("en_US") << "12/09/2026";
    QTest::newRow("C has month names: ISO") << QLocale::c() << "2026-12-09";
    QTest::newRow("ja_JP year first") << QLocale("ja_JP") << "2026/12/09";
    QTest::newRow("hu_HU blanks and trailing dot dropped") << QLocale("hu_HU") << "2026.12.09";
    QTest::newRow("bg_BG quoted year word dropped") << QLocale("bg_BG") << "09.12.2026";
    QTest::newRow("ar_EG direction marks dropped") << QLocale("ar_EG") << QString::fromUtf8("٠٩/١٢/٢٠٢٦");
}

// What the programs write into their own date boxes must always read back.
void TestRegional::dateRoundTrip()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);

    Regional::pin(locale);
    QCOMPARE(Regional::DateToText(QDate(2026, 12, 9)), text);
    QCOMPARE(Regional::TextToDate(text), QDate(2026, 12, 9));
    const QDateTime stamp(QDate(2024, 2, 29), QTime(13, 45, 10));
    QCOMPARE(Regional::TextToDateTime(Regional::DateTimeToText(stamp)), stamp);
}

void TestRegional::dateToText_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("text");

    QTest::newRow("end of year") << QDate(2013, 12, 31) << "31.12.2013";
    QTest::newRow("leading zeros") << QDate(2014, 1, 2) << "02.01.2014";
    QTest::newRow("leap day") << QDate(2012, 2, 29) << "29.02.2012";
    QTest::newRow("null date") << QDate() << "";
}

void TestRegional::dateToText()
{
    QFETCH(QDate, date);
    QFETCH(QString, text);
    QCOMPARE(Regional::DateToText(date), text);
}

void TestRegional::textToDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");

    QTest::newRow("short format") << "31.12.2013" << QDate(2013, 12, 31);
    QTest::newRow("one-digit day and month") << "1.2.2013" << QDate(2013, 2, 1);
    QTest::newRow("blanks around") << "  31.12.2013 " << QDate(2013, 12, 31);
    QTest::newRow("time part dropped") << "31.12.2013 10:20:30" << QDate(2013, 12, 31);
    QTest::newRow("leap day") << "29.02.2012" << QDate(2012, 2, 29);
    QTest::newRow("no leap day in 2013") << "29.02.2013" << QDate();
    QTest::newRow("no leap day in 1900") << "29.02.1900" << QDate();
    QTest::newRow("leap day in 2000") << "29.02.2000" << QDate(2000, 2, 29);
    QTest::newRow("day 32") << "32.01.2013" << QDate();
    QTest::newRow("month 13") << "01.13.2013" << QDate();
    QTest::newRow("two-digit year refused") << "31.12.13" << QDate();
    QTest::newRow("ISO order refused") << "2013-12-31" << QDate();
    QTest::newRow("empty") << "" << QDate();
    QTest::newRow("words") << "вчера" << QDate();
}

void TestRegional::textToDate()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(Regional::TextToDate(text), date);
}

void TestRegional::textToDateTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("dateTime");

    const QDate d(2013, 12, 31);
    QTest::newRow("date and time") << "31.12.2013 09:05:07" << QDateTime(d, QTime(9, 5, 7));
    QTest::newRow("one-digit hour") << "31.12.2013 9:05:07" << QDateTime(d, QTime(9, 5, 7));
    QTest::newRow("without seconds") << "31.12.2013 23:59" << QDateTime(d, QTime(23, 59));
    QTest::newRow("date alone is midnight") << "31.12.2013" << QDateTime(d, QTime(0, 0));
    QTest::newRow("last second of the day") << "31.12.2013 23:59:59" << QDateTime(d, QTime(23, 59, 59));
    QTest::newRow("hour 24 refused") << "31.12.2013 24:00:00" << QDateTime();
    QTest::newRow("bad date") << "31.02.2013 10:00:00" << QDateTime();
    QTest::newRow("garbage time") << "31.12.2013 полдень" << QDateTime();
}

void TestRegional::textToDateTime()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, dateTime);
    QCOMPARE(Regional::TextToDateTime(text), dateTime);
}

void TestRegional::dateTimeRoundTrip()
{
    const QDateTime dt(QDate(2014, 3, 8), QTime(7, 6, 5));
    QCOMPARE(Regional::DateTimeToText(dt), QString("08.03.2014 07:06:05"));
    QCOMPARE(Regional::TextToDateTime(Regional::DateTimeToText(dt)), dt);
    QCOMPARE(Regional::TimeToText(QTime(0, 0)), QString("00:00:00"));
    QCOMPARE(Regional::DateTimeToText(QDateTime()), QString());
}

void TestRegional::names()
{
    QCOMPARE(Regional::MonthName(1), QString("Январь"));
    QCOMPARE(Regional::MonthName(5), QString("Май"));
    QCOMPARE(Regional::MonthName(12), QString("Декабрь"));
    QCOMPARE(Regional::MonthNameGenitive(1), QString("января"));
    QCOMPARE(Regional::MonthNameGenitive(3), QString("марта"));
    QCOMPARE(Regional::DayName(1), QString("Пн"));
    QCOMPARE(Regional::DayName(7), QString("Вс"));
    QCOMPARE(Regional::DayName(3, QLocale::LongFormat), QString("Среда"));
}

void TestRegional::firstDayOfWeek_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("day");

    QTest::newRow("ru_RU Monday") << Russian << int(Qt::Monday);
    QTest::newRow("en_US Sunday") << QLocale(QLocale::English, QLocale::UnitedStates) << int(Qt::Sunday);
}

void TestRegional::firstDayOfWeek()
{
    QFETCH(QLocale, locale);
    QFETCH(int, day);
    Regional::pin(locale);
    QCOMPARE(int(Regional::firstDayOfWeek()), day);
}

void TestRegional::numberToText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("text");

    QTest::newRow("fraction") << 20.5 << 15 << "20,5";
    QTest::newRow("whole number has no separator") << 20.0 << 15 << "20";
    QTest::newRow("zero") << 0.0 << 15 << "0";
    QTest::newRow("negative") << -1.25 << 15 << "-1,25";
    QTest::newRow("no digit grouping") << 1234567.5 << 15 << "1234567,5";
    QTest::newRow("binary noise rounded away") << (0.1 + 0.2) << 15 << "0,3";
    QTest::newRow("single precision price") << double(12.3f) << 7 << "12,3";
}

void TestRegional::numberToText()
{
    QFETCH(double, value);
    QFETCH(int, digits);
    QFETCH(QString, text);
    QCOMPARE(Regional::NumberToText(value, digits), text);
}

void TestRegional::textToNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");

    QTest::newRow("regional separator") << "20,5" << true << 20.5;
    QTest::newRow("blanks around") << "  20,5 " << true << 20.5;
    QTest::newRow("whole") << "150" << true << 150.0;
    QTest::newRow("negative") << "-3,75" << true << -3.75;
    QTest::newRow("point is not the separator here") << "20.5" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("letters") << "abc" << false << 0.0;
    QTest::newRow("trailing letters") << "20г" << false << 0.0;
}

void TestRegional::textToNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);

    bool parsed = !ok;
    QCOMPARE(Regional::TextToNumber(text, &parsed), value);
    QCOMPARE(parsed, ok);
}

QTEST_GUILESS_MAIN(TestRegional)
#include "tst_regional.moc"
