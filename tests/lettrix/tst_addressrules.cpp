#include "addressrules.h"

#include <QLocale>
#include <QtTest>

#include <array>
#include <optional>

using namespace AddressRules;

namespace {

QString crlf(const QStringList &lines)
{
    return lines.join(QStringLiteral("\r\n"));
}

// Cyrillic filler, so that a length counted in bytes instead of characters fails.
QString cyr(int n)
{
    return QString(n, QChar(u'ж'));
}

const QString Region = QStringLiteral("Полтавская обл.");
const QString Town = QStringLiteral("г.Полтава");
const QString Street = QStringLiteral("ул.Садовая");
const QString House = QStringLiteral("д.12, корп.3, кв.45");

QString fiveLines(const QString &index)
{
    return crlf({index, Region, Town, Street, House});
}

} // namespace

class TstAddressRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void validate_data();
    void validate();
    void readNumber_data();
    void readNumber();
    void compose_data();
    void compose();
    void lineNames_data();
    void lineNames();
    void countryMark_data();
    void countryMark();
    void printAddress_data();
    void printAddress();
    void counters_data();
    void counters();
    void lineBreaks_data();
    void lineBreaks();
};

void TstAddressRules::initTestCase()
{
    // The clerks' regional settings use "," as decimal separator; the index reader
    // must not follow them.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void TstAddressRules::validate_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("notes");
    QTest::addColumn<QString>("expected");

    const QString notes = QStringLiteral("дело 2-15/2024");
    const QString tooMany = QStringLiteral("превышено количество полей");
    const QString tooFew = QStringLiteral("слишком мало полей");
    const QString badIndex = QStringLiteral("неверный индекс");
    const QString ok = QStringLiteral("ok");

    QTest::newRow("empty address") << QString() << notes << tooFew;
    QTest::newRow("two lines") << crlf({"36000", Town}) << notes << tooFew;
    QTest::newRow("five lines, six-digit index") << fiveLines("314000") << notes << ok;
    QTest::newRow("three lines, town second") << crlf({"36000", Town, Street}) << notes << ok;
    QTest::newRow("three lines, region second") << crlf({"36000", Region, Town}) << notes << tooFew;
    QTest::newRow("three lines, capital Г. second") << crlf({"36000", "Г.Полтава", Street}) << notes << tooFew;
    QTest::newRow("four lines, region second") << crlf({"36000", Region, Town, Street}) << notes << ok;
    QTest::newRow("trailing CR LF after five lines") << fiveLines("36000") + "\r\n" << notes << tooMany;
    QTest::newRow("trailing CR LF after four lines") << crlf({"36000", Region, Town, Street, ""}) << notes << ok;
    QTest::newRow("six lines beat a bad index") << crlf({"1", Region, Town, Street, House, "x"}) << notes << tooMany;
    QTest::newRow("LF alone does not break lines") << QStringLiteral("36000\nг.Полтава\nул.Садовая") << notes << tooFew;
    QTest::newRow("five-digit index beginning with 0") << fiveLines("01234") << notes << badIndex;
    QTest::newRow("six-digit index beginning with 0") << fiveLines("012345") << notes << ok;
    QTest::newRow("four-digit index") << fiveLines("3600") << notes << badIndex;
    QTest::newRow("seven-digit index") << fiveLines("3600000") << notes << badIndex;
    QTest::newRow("letters as index") << fiveLines("abcde") << notes << badIndex;
    QTest::newRow("overflowing index") << fiveLines("1e999") << notes << badIndex;
    QTest::newRow("too few lines beat a bad index") << crlf({"0123", Region, cyr(35)}) << notes << tooFew;
    QTest::newRow("bad index beats a long line") << crlf({"0123", Town, cyr(35)}) << notes << badIndex;
    QTest::newRow("line 2 of 34 characters") << crlf({"36000", cyr(34), Town, Street, House}) << notes << ok;
    QTest::newRow("line 2 of 35 characters") << crlf({"36000", cyr(35), Town, Street, House}) << notes << "превышена длина поля 2";
    QTest::newRow("line 3 of 35, overlong notes untested") << crlf({"36000", Region, cyr(35), Street, House}) << cyr(81) << "превышена длина поля 3";
    QTest::newRow("lines 3 and 5 too long: first reported") << crlf({"36000", Region, cyr(35), Street, cyr(40)}) << notes << "превышена длина поля 3";
    QTest::newRow("line 5 of 35 characters") << crlf({"36000", Region, Town, Street, cyr(35)}) << notes << "превышена длина поля 5";
    QTest::newRow("notes of 80 characters") << fiveLines("36000") << cyr(80) << ok;
    QTest::newRow("notes of 81 characters") << fiveLines("36000") << cyr(81) << "превышена длина примечания";
    QTest::newRow("empty notes pass the check") << fiveLines("36000") << QString() << ok;
}

void TstAddressRules::validate()
{
    QFETCH(QString, address);
    QFETCH(QString, notes);
    QFETCH(QString, expected);
    QCOMPARE(ValidateAddress(address, notes), expected);
}

void TstAddressRules::readNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("written");
    QTest::addColumn<bool>("validIndex");

    QTest::newRow("leading zero dropped") << "01234" << true << 1234.0 << "1234" << false;
    QTest::newRow("blank inside") << "12 345" << true << 12345.0 << "12345" << true;
    QTest::newRow("stops at a letter") << "12345a" << true << 12345.0 << "12345" << true;
    QTest::newRow("negative") << "-1234" << true << -1234.0 << "-1234" << true;
    QTest::newRow("no number") << "abcde" << true << 0.0 << "0" << false;
    QTest::newRow("overflow") << "1e999" << false << 0.0 << QString() << false;
    QTest::newRow("empty") << "" << true << 0.0 << "0" << false;
    QTest::newRow("blanks everywhere, line too long") << " 1 2 3 4 5 " << true << 12345.0 << "12345" << false;
    QTest::newRow("fraction with exponent") << "12.5e3" << true << 12500.0 << "12500" << true;
    QTest::newRow("D exponent") << "1d3" << true << 1000.0 << "1000" << false;
    QTest::newRow("plus sign") << "+12345" << true << 12345.0 << "12345" << true;
    QTest::newRow("fraction written out") << "1234.5" << true << 1234.5 << "1234.5" << true;
    QTest::newRow("no zero before the point") << "0.1234" << true << 0.1234 << ".1234" << true;
    QTest::newRow("short fraction") << "0.123" << true << 0.123 << ".123" << false;
    QTest::newRow("negative fraction") << "-0.5" << true << -0.5 << "-.5" << false;
    QTest::newRow("large value never in exponent form") << "1e100" << true << 1e100 << "1" + QString(100, '0') << false;
    QTest::newRow("small value never in exponent form") << "1e-5" << true << 1e-5 << ".00001" << false;
    QTest::newRow("fraction overflows through exponent") << "0.001e400" << false << 0.0 << QString() << false;
    QTest::newRow("exponent too long for any integer") << "1e99999999999999999999" << false << 0.0 << QString() << false;
    QTest::newRow("zero with huge exponent") << "0e999" << true << 0.0 << "0" << false;
    QTest::newRow("underflow reads as 0") << "1e-999" << true << 0.0 << "0" << false;
    QTest::newRow("negative zero") << "-0000" << true << 0.0 << "0" << false;
    QTest::newRow("tab skipped") << "\t12345" << true << 12345.0 << "12345" << true;
    QTest::newRow("CR not skipped") << "\r12345" << true << 0.0 << "0" << false;
    QTest::newRow("regional comma is no point") << "12,345" << true << 12.0 << "12" << false;
    QTest::newRow("second point stops") << "1.2.34" << true << 1.2 << "1.2" << false;
    QTest::newRow("exponent without digits") << "12345e" << true << 12345.0 << "12345" << true;
    QTest::newRow("exponent with sign") << "1E+4x" << true << 10000.0 << "10000" << true;
    QTest::newRow("exponent without mantissa") << "e12345" << true << 0.0 << "0" << false;
    QTest::newRow("blank after sign") << "- 1234" << true << -1234.0 << "-1234" << true;
    QTest::newRow("non-ASCII digits") << QStringLiteral("١٢٣٤٥") << true << 0.0 << "0" << false;
}

void TstAddressRules::readNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, readable);
    QFETCH(double, value);
    QFETCH(QString, written);
    QFETCH(bool, validIndex);

    const std::optional<double> number = ReadNumber(text);
    QCOMPARE(number.has_value(), readable);
    if (number) {
        QCOMPARE(*number, value);
        QCOMPARE(WriteNumber(*number), written);
    }
    QCOMPARE(IsValidIndex(text), validIndex);
}

void TstAddressRules::compose_data()
{
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<QStringList>("composedParts");
    QTest::addColumn<QString>("text");

    QTest::newRow("every part filled")
            << QStringList{"36000", Region, "Полтава", "Садовая", "12", "3", "45"}
            << QStringList{"36000", Region, Town, Street, "д.12", ", корп.3", ", кв.45"}
            << fiveLines("36000");
    QTest::newRow("prospect and town keep their text")
            << QStringList{"36000", "", "г.Полтава", "пр.Мира", "1", "", ""}
            << QStringList{"36000", "", "г.Полтава", "пр.Мира", "д.1", "", ""}
            << crlf({"36000", "", "г.Полтава", "пр.Мира", "д.1"});
    QTest::newRow("lane keeps its text, capital town prefixed")
            << QStringList{"37300", Region, "Гадяч", "пер.Тихий", "", "", ""}
            << QStringList{"37300", Region, "г.Гадяч", "пер.Тихий", "", "", ""}
            << crlf({"37300", Region, "г.Гадяч", "пер.Тихий", ""});
    QTest::newRow("empty settlement and street get bare prefixes")
            << QStringList{"", "", "", "", "", "", ""}
            << QStringList{"", "", "г.", "ул.", "", "", ""}
            << crlf({"", "", "г.", "ул.", ""});
    QTest::newRow("capital У street is prefixed")
            << QStringList{"36000", "", "гор", "Улица", "", "", ""}
            << QStringList{"36000", "", "гор", "ул.Улица", "", "", ""}
            << crlf({"36000", "", "гор", "ул.Улица", ""});
    QTest::newRow("room without house")
            << QStringList{"36000", "", "г.Полтава", "ул.Садовая", "", "", "5"}
            << QStringList{"36000", "", "г.Полтава", "ул.Садовая", "", "", ", кв.5"}
            << crlf({"36000", "", "г.Полтава", "ул.Садовая", ", кв.5"});
    QTest::newRow("parts are not trimmed")
            << QStringList{" 36000", "", " Полтава", " Садовая", " 1", "", ""}
            << QStringList{" 36000", "", "г. Полтава", "ул. Садовая", "д. 1", "", ""}
            << crlf({" 36000", "", "г. Полтава", "ул. Садовая", "д. 1"});
}

void TstAddressRules::compose()
{
    QFETCH(QStringList, parts);
    QFETCH(QStringList, composedParts);
    QFETCH(QString, text);

    std::array<QString, 7> boxes;
    std::copy(parts.cbegin(), parts.cend(), boxes.begin());
    QCOMPARE(ComposeParts(boxes), text);
    QCOMPARE(QStringList(boxes.cbegin(), boxes.cend()), composedParts);
}

void TstAddressRules::lineNames_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("expected");

    // What the hint showed before: it must survive where the table has no row.
    const QString before = QStringLiteral("индекс\r\n");

    QTest::newRow("2 lines, town") << crlf({"36000", Town}) << crlf({"индекс", "город"});
    QTest::newRow("2 lines, region") << crlf({"36000", Region}) << crlf({"индекс", "область"});
    QTest::newRow("3 lines, town") << crlf({"36000", Town, Street}) << crlf({"индекс", "город", "улица"});
    QTest::newRow("3 lines, region") << crlf({"36000", Region, Town}) << crlf({"индекс", "область", "город"});
    QTest::newRow("4 lines, town") << crlf({"36000", Town, Street, House}) << crlf({"индекс", "город", "улица", "дом, кв"});
    QTest::newRow("4 lines, region") << crlf({"36000", Region, Town, Street}) << crlf({"индекс", "область", "город", "улица"});
    QTest::newRow("5 lines, town: four names") << crlf({"36000", Town, Street, House, "x"}) << crlf({"индекс", "город", "улица", "дом, кв"});
    QTest::newRow("5 lines, region") << fiveLines("36000") << crlf({"индекс", "область", "город", "улица", "дом, кв"});
    QTest::newRow("capital Г. counts as region") << crlf({"36000", "Г.Полтава"}) << crlf({"индекс", "область"});
    QTest::newRow("6 lines unchanged") << fiveLines("36000") + "\r\n" << before;
    QTest::newRow("1 line unchanged") << "36000" << before;
    QTest::newRow("empty unchanged") << "" << before;
}

void TstAddressRules::lineNames()
{
    QFETCH(QString, address);
    QFETCH(QString, expected);
    QCOMPARE(LineNames(SplitCrLf(address), QStringLiteral("индекс\r\n")), expected);
}

void TstAddressRules::countryMark_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("expected");   // -1: the mark keeps its state

    QTest::newRow("5-character index") << fiveLines("36000") << 1;
    QTest::newRow("6-character index") << fiveLines("314000") << 0;
    QTest::newRow("5 characters, not digits") << crlf({"abcde", Region}) << 1;
    QTest::newRow("1 line keeps state") << "36000" << -1;
    QTest::newRow("empty keeps state") << "" << -1;
}

void TstAddressRules::countryMark()
{
    QFETCH(QString, address);
    QFETCH(int, expected);
    const std::optional<bool> shown = ShowsCountryMark(SplitCrLf(address));
    QCOMPARE(shown.has_value() ? int(*shown) : -1, expected);
}

void TstAddressRules::printAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("expected");

    QTest::newRow("5-character index gets the country")
            << fiveLines("36000") << crlf({"36000", "УКРАИНА", Region, Town, Street, House});
    QTest::newRow("6-character index stored as typed") << fiveLines("314000") << fiveLines("314000");
    QTest::newRow("4-character index stored as typed") << fiveLines("3600") << fiveLines("3600");
    QTest::newRow("trailing empty line kept") << crlf({"36000", Town, ""}) << crlf({"36000", "УКРАИНА", Town, ""});
    QTest::newRow("index alone") << "36000" << crlf({"36000", "УКРАИНА"});
    QTest::newRow("empty") << "" << "";
}

void TstAddressRules::printAddress()
{
    QFETCH(QString, address);
    QFETCH(QString, expected);
    QCOMPARE(PrintAddress(address), expected);
}

void TstAddressRules::counters_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("notesLeft");
    QTest::addColumn<bool>("recipientTooLong");

    QTest::newRow("empty") << 0 << "80" << false;
    QTest::newRow("65 characters") << 65 << "15" << false;
    QTest::newRow("66 characters") << 66 << "14" << true;
    QTest::newRow("80 characters") << 80 << "0" << true;
    QTest::newRow("81 characters") << 81 << "-1" << true;
    QTest::newRow("84 characters") << 84 << "-4" << true;
}

void TstAddressRules::counters()
{
    QFETCH(int, length);
    QFETCH(QString, notesLeft);
    QFETCH(bool, recipientTooLong);
    QCOMPARE(NotesLeft(cyr(length)), notesLeft);
    QCOMPARE(RecipientTooLong(cyr(length)), recipientTooLong);
}

void TstAddressRules::lineBreaks_data()
{
    QTest::addColumn<QString>("boxText");   // as a multi-line edit box hands it out
    QTest::addColumn<QString>("crLfText");
    QTest::addColumn<int>("lineCount");

    QTest::newRow("empty") << "" << "" << 0;
    QTest::newRow("one line") << "36000" << "36000" << 1;
    QTest::newRow("LF breaks") << "36000\nг.Полтава" << "36000\r\nг.Полтава" << 2;
    QTest::newRow("trailing break gives an empty line") << "36000\n" << "36000\r\n" << 2;
    QTest::newRow("only a break") << "\n" << "\r\n" << 2;
    QTest::newRow("paragraph separator") << QString("a") + QChar(QChar::ParagraphSeparator) + "b" << "a\r\nb" << 2;
    QTest::newRow("lone CR stays in its line") << "a\rb" << "a\rb" << 1;
}

void TstAddressRules::lineBreaks()
{
    QFETCH(QString, boxText);
    QFETCH(QString, crLfText);
    QFETCH(int, lineCount);

    QCOMPARE(ToCrLf(boxText), crLfText);
    // CR LF already in the box must not be doubled.
    QCOMPARE(ToCrLf(crLfText), crLfText);
    QCOMPARE(SplitCrLf(crLfText).size(), lineCount);
    QCOMPARE(ToCrLf(FromCrLf(crLfText)), crLfText);
}

QTEST_APPLESS_MAIN(TstAddressRules)
#include "tst_addressrules.moc"
