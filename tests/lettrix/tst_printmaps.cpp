#include "printmaps.h"

#include <QtTest>

namespace {

// Marks a cell the plan must leave as the template has it.
const QString kNone = QStringLiteral("<not written>");

QString valueAt(const SheetPlan &plan, const QString &cell)
{
    QString value = kNone;
    for (const CellWrite &write : plan.cells) {
        if (write.cell == cell)
            value = write.value;
    }
    return value;
}

// "cell=value" for every write, in order, leaving out the cells in `skip`.
QStringList writes(const SheetPlan &plan, const QStringList &skip = {})
{
    QStringList out;
    for (const CellWrite &write : plan.cells) {
        if (!skip.contains(write.cell))
            out << write.cell + QLatin1Char('=') + write.value;
    }
    return out;
}

QString lines(const QStringList &parts)
{
    return parts.join(QStringLiteral("\r\n"));
}

CurrentLetter letterWithAddress(const QString &address)
{
    CurrentLetter letter;
    letter.ItemRecipient = QStringLiteral("Коваленко П.С.");
    letter.ItemAddress = address;
    letter.ItemNotes = QStringLiteral("дело 2-15/2026");
    letter.ItemType = 1;
    return letter;
}

const QStringList kBarcodeCells = {"AH3", "AL3", "AP3", "AT3", "AX3", "BB3", "BF3",
                                   "BJ3", "BN3", "BR3", "BV3", "BZ3", "CD3"};
const QStringList kIndexCells = {"BQ33", "BT33", "BW33", "BZ33", "CC33", "CF33"};
const QString kDateTime = QStringLiteral("09.12.2026 13:45:10");

} // namespace

class TestPrintMaps : public QObject
{
    Q_OBJECT

private slots:
    void splitAtBlank_data();
    void splitAtBlank();
    void recipientLines_data();
    void recipientLines();
    void barcode_data();
    void barcode();
    void injectedCheckDigitIsUsed();
    void reference_data();
    void reference();
    void date_data();
    void date();
    void notificationAddress_data();
    void notificationAddress();
    void notificationIndex_data();
    void notificationIndex();
    void position_data();
    void position();
    void envelopeAddress_data();
    void envelopeAddress();
    void cellsFollowTheFormOrder();
};

void TestPrintMaps::splitAtBlank_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");

    QTest::newRow("blank inside the window") << "Коваленко Петро Степанович" << 25
                                             << "Коваленко Петро" << "Степанович";
    QTest::newRow("last of several blanks") << "aa bb cc dd" << 8 << "aa bb" << "cc dd";
    QTest::newRow("blank as the window's last character") << "abcd efgh" << 5 << "abcd" << "efgh";
    QTest::newRow("blank just past the window is not used") << "ab cde fg" << 6 << "ab" << "cde fg";
    QTest::newRow("no blank: cut at the edge") << "abcdefgh" << 5 << "abcde" << "fgh";
    QTest::newRow("no blank in the window, one at the cut") << "abcde fg" << 5 << "abcde" << "fg";
    QTest::newRow("blank first: empty first line") << " abcdefg" << 5 << "" << "abcdefg";
    QTest::newRow("two blanks: first line keeps one") << "ab  cd" << 4 << "ab " << "cd";
}

void TestPrintMaps::splitAtBlank()
{
    QFETCH(QString, text);
    QFETCH(int, window);
    QFETCH(QString, first);
    QFETCH(QString, second);
    const SplitLines split = SplitAtBlank(text, window);
    QCOMPARE(split.first, first);
    QCOMPARE(split.second, second);
}

void TestPrintMaps::recipientLines_data()
{
    QTest::addColumn<bool>("envelope");
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QString>("secondLine");

    QTest::newRow("envelope: 25 characters fill H9 alone")
        << true << "Коваленко Петр Степанович" << 25 << "Коваленко Петр Степанович" << kNone;
    QTest::newRow("envelope: 26 characters split at the last blank")
        << true << "Коваленко Петро Степанович" << 26 << "Коваленко Петро" << "Степанович";
    QTest::newRow("envelope: no blank in 25 cuts at 25")
        << true << "Агропромкомплексинвестстройтрест" << 32 << "Агропромкомплексинвестстр" << "ойтрест";
    QTest::newRow("envelope: empty recipient")
        << true << "" << 0 << "" << kNone;
    QTest::newRow("notification: 41 characters fill AC16 alone")
        << false << "Товариство з обмеженою відповідальністю А" << 41
        << "Товариство з обмеженою відповідальністю А" << kNone;
    QTest::newRow("notification: 42 characters split at the last blank")
        << false << "Товариство з обмеженою відповідальністю Аг" << 42
        << "Товариство з обмеженою відповідальністю" << "Аг";
    QTest::newRow("notification: no blank in 41 cuts at 41")
        << false << QString(45, QChar(u'Ж')) << 45 << QString(41, QChar(u'Ж')) << "ЖЖЖЖ";
}

void TestPrintMaps::recipientLines()
{
    QFETCH(bool, envelope);
    QFETCH(QString, recipient);
    QFETCH(int, length);
    QFETCH(QString, firstLine);
    QFETCH(QString, secondLine);
    QCOMPARE(recipient.size(), length);

    CurrentLetter letter = letterWithAddress(lines({"314000", "Полтавская обл.", "г.Полтава"}));
    letter.ItemRecipient = recipient;
    const SheetPlan plan = envelope ? EnvelopePlan(letter) : NotificationBackPlan(letter, 0, kDateTime);
    QCOMPARE(valueAt(plan, envelope ? "H9" : "AC16"), firstLine);
    QCOMPARE(valueAt(plan, envelope ? "G10" : "D20"), secondLine);
}

void TestPrintMaps::barcode_data()
{
    QTest::addColumn<QString>("barcode");
    QTest::addColumn<bool>("drawn");
    QTest::addColumn<QString>("withCheckDigit");

    QTest::newRow("13 digits") << "1234567890123" << true << "12345678901231";
    QTest::newRow("13 zeros keep their zeros") << "0000000000000" << true << "00000000000000";
    QTest::newRow("13 characters with letters get no digit") << "RA123456785UA" << true << "RA123456785UA";
    QTest::newRow("Null after a registration") << "Null" << false << "";
    QTest::newRow("empty before the first registration") << "" << false << "";
    QTest::newRow("11 characters") << "12345678901" << false << "";
    QTest::newRow("14 characters") << "12345678901234" << false << "";
}

void TestPrintMaps::barcode()
{
    QFETCH(QString, barcode);
    QFETCH(bool, drawn);
    QFETCH(QString, withCheckDigit);

    CurrentLetter letter = letterWithAddress(lines({"314000", "Полтавская обл.", "г.Полтава"}));
    letter.ItemBarcode = barcode;

    const SheetPlan envelope = EnvelopePlan(letter);
    QCOMPARE(envelope.pasteBarcodeAtB13, drawn);
    QCOMPARE(envelope.barcodeWithCheckDigit, withCheckDigit);

    const SheetPlan back = NotificationBackPlan(letter, 0, kDateTime);
    for (int i = 0; i < kBarcodeCells.size(); ++i)
        QCOMPARE(valueAt(back, kBarcodeCells.at(i)), drawn ? QString(barcode.at(i)) : kNone);
}

void TestPrintMaps::injectedCheckDigitIsUsed()
{
    CurrentLetter letter = letterWithAddress(lines({"314000", "Полтавская обл.", "г.Полтава"}));
    letter.ItemBarcode = QStringLiteral("1234567890123");
    QString asked;
    const SheetPlan plan = EnvelopePlan(letter, [&asked](const QString &code) {
        asked = code;
        return QStringLiteral("7");
    });
    QCOMPARE(asked, letter.ItemBarcode);
    QCOMPARE(plan.barcodeWithCheckDigit, QStringLiteral("12345678901237"));
}

void TestPrintMaps::reference_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("d24");

    QTest::newRow("empty number before the first registration") << "" << "[дело 2-15/2026]";
    QTest::newRow("one-character number is left out") << "7" << "[дело 2-15/2026]";
    QTest::newRow("two characters are quoted") << "10" << "[дело 2-15/2026 исх 10]";
    QTest::newRow("largest number") << "2147483647" << "[дело 2-15/2026 исх 2147483647]";
}

void TestPrintMaps::reference()
{
    QFETCH(QString, number);
    QFETCH(QString, d24);
    CurrentLetter letter = letterWithAddress(lines({"314000", "Полтавская обл.", "г.Полтава"}));
    letter.ItemNumber = number;
    QCOMPARE(valueAt(NotificationBackPlan(letter, 0, kDateTime), "D24"), d24);
}

void TestPrintMaps::date_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("flag");
    QTest::addColumn<QString>("dateTimeText");
    QTest::addColumn<QString>("d4");

    QTest::newRow("simple letter: date alone") << 1 << 0 << kDateTime << "09.12.2026";
    QTest::newRow("registered letter") << 2 << 0 << kDateTime << "09.12.2026 (з/ув)";
    QTest::newRow("registered letter with notification") << 2 << 1 << kDateTime << "09.12.2026 (з/ув)";
    QTest::newRow("no kind chosen yet") << 0 << 0 << kDateTime << "09.12.2026";
    QTest::newRow("text without a time") << 1 << 0 << "09.12.2026" << "09.12.2026";
    QTest::newRow("blanks around the text") << 1 << 0 << "  9.12.2026 9:05  " << "9.12.2026";
}

void TestPrintMaps::date()
{
    QFETCH(int, type);
    QFETCH(int, flag);
    QFETCH(QString, dateTimeText);
    QFETCH(QString, d4);
    CurrentLetter letter = letterWithAddress(lines({"314000", "Полтавская обл.", "г.Полтава"}));
    letter.ItemType = type;
    letter.ItemFlag = flag;
    QCOMPARE(valueAt(NotificationBackPlan(letter, 0, dateTimeText), "D4"), d4);
}

void TestPrintMaps::notificationAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("l28");
    QTest::addColumn<QString>("d33");

    QTest::newRow("six-character index: no country")
        << lines({"314000", "Полтавская обл.", "г.Полтава", "ул.Соборности", "д.12"})
        << "Полтавская обл., г.Полтава, ул.Соборности, д.12" << kNone;
    QTest::newRow("five-character index: country line becomes the prefix")
        << lines({"36000", "УКРАИНА", "Полтавская обл.", "г.Полтава", "ул.Соборности", "д.12"})
        << "Украина, Полтавская обл., г.Полтава, ул.Соборности, д.12" << kNone;
    QTest::newRow("64 characters fill L28 alone")
        << lines({"314000", "Полтавская обл.", "г.Полтава", "ул.Соборности", "д.120, корп.3, кв.145"})
        << "Полтавская обл., г.Полтава, ул.Соборности, д.120, корп.3, кв.145" << kNone;
    QTest::newRow("65 characters split within the first 60")
        << lines({"314000", "Полтавская обл.", "г.Полтава", "ул.Соборности", "д.120, корп.13, кв.145"})
        << "Полтавская обл., г.Полтава, ул.Соборности, д.120, корп.13," << "кв.145";
    QTest::newRow("five-character index: prefix counts toward 64")
        << lines({"36000", "УКРАИНА", "Полтавская обл.", "г.Полтава", "ул.Соборности", "д.120, корп.3"})
        << "Украина, Полтавская обл., г.Полтава, ул.Соборности, д.120," << "корп.3";
    QTest::newRow("empty middle line is joined")
        << lines({"314000", "Полтавская обл.", "г.Полтава", "", "д.12"})
        << "Полтавская обл., г.Полтава, , д.12" << kNone;
    QTest::newRow("no blank in 60 cuts at 60")
        << lines({"314000", QString(70, QChar(u'Ж'))}) << QString(60, QChar(u'Ж')) << QString(10, QChar(u'Ж'));
    QTest::newRow("index only, five characters") << lines({"36000", "УКРАИНА"}) << "Украина, " << kNone;
    QTest::newRow("index only, six characters") << "314000" << "" << kNone;
    QTest::newRow("empty address") << "" << "" << kNone;
}

void TestPrintMaps::notificationAddress()
{
    QFETCH(QString, address);
    QFETCH(QString, l28);
    QFETCH(QString, d33);
    const SheetPlan plan = NotificationBackPlan(letterWithAddress(address), 0, kDateTime);
    QCOMPARE(valueAt(plan, "L28"), l28);
    QCOMPARE(valueAt(plan, "D33"), d33);
}

void TestPrintMaps::notificationIndex_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("digits");

    QTest::newRow("six characters") << lines({"314000", "Полтавская обл.", "г.Полтава"})
                                    << QStringList{"3", "1", "4", "0", "0", "0"};
    QTest::newRow("five characters leave CF33 empty")
        << lines({"01001", "УКРАИНА", "г.Киев", "ул.Крещатик"}) << QStringList{"0", "1", "0", "0", "1", ""};
    QTest::newRow("seven characters: first six") << lines({"3140001", "г.Полтава", "ул.Садовая"})
                                                 << QStringList{"3", "1", "4", "0", "0", "0"};
    QTest::newRow("empty address") << "" << QStringList{"", "", "", "", "", ""};
}

void TestPrintMaps::notificationIndex()
{
    QFETCH(QString, address);
    QFETCH(QStringList, digits);
    const SheetPlan plan = NotificationBackPlan(letterWithAddress(address), 0, kDateTime);
    for (int i = 0; i < kIndexCells.size(); ++i)
        QCOMPARE(valueAt(plan, kIndexCells.at(i)), digits.at(i));
}

void TestPrintMaps::position_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("moveDown");
    QTest::addColumn<bool>("moveRight");

    QTest::newRow("0: as printed") << 0 << false << false;
    QTest::newRow("1: row 1 295 points") << 1 << true << false;
    QTest::newRow("2: column A 71 wide") << 2 << false << true;
    QTest::newRow("3: both") << 3 << true << true;
    QTest::newRow("-1: nothing") << -1 << false << false;
    QTest::newRow("4: nothing") << 4 << false << false;
}

void TestPrintMaps::position()
{
    QFETCH(int, position);
    QFETCH(bool, moveDown);
    QFETCH(bool, moveRight);
    const CurrentLetter letter = letterWithAddress(lines({"314000", "Полтавская обл.", "г.Полтава"}));
    const SheetPlan plan = NotificationBackPlan(letter, position, kDateTime);
    QCOMPARE(plan.row1HeightPt, moveDown ? std::optional<double>(295) : std::nullopt);
    QCOMPARE(plan.columnAWidth, moveRight ? std::optional<double>(71) : std::nullopt);
    QVERIFY(!EnvelopePlan(letter).row1HeightPt && !EnvelopePlan(letter).columnAWidth);
}

void TestPrintMaps::envelopeAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("cells");

    QTest::newRow("K=1: short last two lines merged")
        << lines({"314000", "г.Полтава", "ул.Садовая, д.1"})
        << QStringList{"G15=314000", "H11=г.Полтава, ул.Садовая, д.1"};
    QTest::newRow("K=2")
        << lines({"314000", "Полтавская обл.", "г.Полтава", "ул.Соборности, д.12"})
        << QStringList{"G15=314000", "H11=г.Полтава, ул.Соборности, д.12", "G13=Полтавская обл."};
    QTest::newRow("K=3: street and house of 25 characters merged")
        << lines({"314000", "Полтавская обл.", "г.Полтава", "ул.Соборности", "д.12, кв.345"})
        << QStringList{"G15=314000", "H11=ул.Соборности, д.12, кв.345", "G12=г.Полтава",
                       "G13=Полтавская обл."};
    QTest::newRow("K=4: street and house of 31 characters apart")
        << lines({"314000", "Полтавская обл.", "г.Полтава", "ул.Соборности", "д.12, корп.3, кв.4"})
        << QStringList{"G15=314000", "H11=д.12, корп.3, кв.4", "G12=ул.Соборности", "G13=г.Полтава",
                       "G14=Полтавская обл."};
    QTest::newRow("29 characters together are merged")
        << lines({"314000", "Полтавская обл.", "г.Полтава", "ул.Гоголя", "д.12, корп.3, кв.456"})
        << QStringList{"G15=314000", "H11=ул.Гоголя, д.12, корп.3, кв.456", "G12=г.Полтава",
                       "G13=Полтавская обл."};
    QTest::newRow("30 characters together stay apart")
        << lines({"314000", "Полтавская обл.", "г.Полтава", "ул.Гоголя", "д.12, корп.3, кв.4567"})
        << QStringList{"G15=314000", "H11=д.12, корп.3, кв.4567", "G12=ул.Гоголя", "G13=г.Полтава",
                       "G14=Полтавская обл."};
    QTest::newRow("K=5 reaches G11")
        << lines({"314000", "Украина", "Полтавская обл.", "г.Полтава", "проспект Соборности",
                  "д.12, корп.3, кв.45"})
        << QStringList{"G15=314000", "H11=д.12, корп.3, кв.45", "G11=проспект Соборности",
                       "G12=г.Полтава", "G13=Полтавская обл.", "G14=Украина"};
    QTest::newRow("K=6: surplus joined into G11, recipient rows untouched")
        << lines({"314000", "Украина", "Полтавская обл.", "Полтавский р-н", "г.Полтава",
                  "проспект Соборности", "д.12, корп.3, кв.45"})
        << QStringList{"G15=314000", "H11=д.12, корп.3, кв.45", "G11=г.Полтава, проспект Соборности",
                       "G12=Полтавский р-н", "G13=Полтавская обл.", "G14=Украина"};
    QTest::newRow("five-character index: УКРАИНА in I15, not among the lines")
        << lines({"36000", "УКРАИНА", "Полтавская обл.", "г.Полтава", "ул.Соборности", "д.12, корп.3, кв.45"})
        << QStringList{"I15=УКРАИНА", "G15=36000", "H11=д.12, корп.3, кв.45", "G12=ул.Соборности",
                       "G13=г.Полтава", "G14=Полтавская обл."};
    QTest::newRow("empty middle line dropped")
        << lines({"314000", "Полтавская обл.", "", "проспект Соборности", "д.12, корп.3, кв.45"})
        << QStringList{"G15=314000", "H11=д.12, корп.3, кв.45", "G12=проспект Соборности",
                       "G13=Полтавская обл."};
    QTest::newRow("empty house line merges with the street")
        << lines({"314000", "Полтавская обл.", "г.Полтава", "ул.Соборности", ""})
        << QStringList{"G15=314000", "H11=ул.Соборности, ", "G12=г.Полтава", "G13=Полтавская обл."};
    QTest::newRow("one line after the index: index never merged")
        << lines({"314000", "г.Полтава"}) << QStringList{"G15=314000", "H11=г.Полтава"};
    QTest::newRow("index only, six characters") << "314000" << QStringList{"G15=314000"};
    QTest::newRow("index only, five characters")
        << lines({"36000", "УКРАИНА"}) << QStringList{"I15=УКРАИНА", "G15=36000"};
    QTest::newRow("only empty lines after the index")
        << lines({"314000", "", "", ""}) << QStringList{"G15=314000", "H11=, "};
    QTest::newRow("empty address") << "" << QStringList{"G15="};
}

void TestPrintMaps::envelopeAddress()
{
    QFETCH(QString, address);
    QFETCH(QStringList, cells);
    QCOMPARE(writes(EnvelopePlan(letterWithAddress(address)), {"H9", "G10"}), cells);
}

void TestPrintMaps::cellsFollowTheFormOrder()
{
    CurrentLetter letter = letterWithAddress(
        lines({"36000", "УКРАИНА", "Полтавская обл.", "г.Полтава", "ул.Соборности", "д.12"}));
    letter.ItemRecipient = QStringLiteral("Товариство з обмеженою відповідальністю Аг");
    letter.ItemBarcode = QStringLiteral("1234567890123");
    letter.ItemNumber = QStringLiteral("15");
    letter.ItemType = 2;

    QStringList back = writes(NotificationBackPlan(letter, 3, kDateTime));
    QCOMPARE(back.mid(0, 13).join(QLatin1Char(' ')),
             "AH3=1 AL3=2 AP3=3 AT3=4 AX3=5 BB3=6 BF3=7 BJ3=8 BN3=9 BR3=0 BV3=1 BZ3=2 CD3=3");
    QCOMPARE(back.mid(13), (QStringList{
        "AC16=Товариство з обмеженою відповідальністю", "D20=Аг", "D24=[дело 2-15/2026 исх 15]",
        "D4=09.12.2026 (з/ув)", "L28=Украина, Полтавская обл., г.Полтава, ул.Соборности, д.12",
        "BQ33=3", "BT33=6", "BW33=0", "BZ33=0", "CC33=0", "CF33="}));

    const SheetPlan envelope = EnvelopePlan(letter);
    QVERIFY(envelope.pasteBarcodeAtB13);
    QCOMPARE(writes(envelope), (QStringList{
        "H9=Товариство з обмеженою", "G10=відповідальністю Аг", "I15=УКРАИНА", "G15=36000",
        "H11=ул.Соборности, д.12", "G12=г.Полтава", "G13=Полтавская обл."}));
}

QTEST_APPLESS_MAIN(TestPrintMaps)
#include "tst_printmaps.moc"
