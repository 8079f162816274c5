#include "registermaps.h"
#include "tariffs.h"

#include <QtTest>

namespace {

ListRow letter(const QString &number, qint16 kind, qint16 reestr, const QString &weight,
               double price)
{
    ListRow row;
    row.NUMBER = number;
    row.TYPEM = kind;
    row.REESTR = reestr;
    row.WEIGHT = weight;
    row.PRICE = price;
    row.FIO = QStringLiteral("Иванов И.И.");
    row.ADRESS = QStringLiteral("101000, Московская обл., г. Москва, ул. Тверская, д. 12-3");
    row.NOTES = QStringLiteral("1-2");
    row.BARCODE = QStringLiteral("4600000000013");
    return row;
}

// Fees as the window looks them up: kind 3 at 30 where a fee is charged.
QList<double> feesOf(const QList<ListRow> &rows)
{
    QList<double> fees;
    for (const ListRow &row : rows)
        fees << (NotificationFeeQuery(row).statement.isEmpty() ? 0.0 : 30.0);
    return fees;
}

// "B9 'text'", "A9 1", "E10 =SUM(E9:E9)" for every write, in order, leaving
// out the columns in `skip`. Numbers with 15 digits: a float's tail shows.
QStringList writes(const RegisterPlan &plan, const QString &skip = {})
{
    QStringList out;
    for (const RegisterCell &cell : plan.cells) {
        if (skip.contains(cell.address().at(0)))
            continue;
        switch (cell.kind) {
        case RegisterCell::Text:
            out << cell.address() + QStringLiteral(" '") + cell.value.toString() + QLatin1Char('\'');
            break;
        case RegisterCell::Number:
            out << cell.address() + QLatin1Char(' ')
                    + (cell.value.metaType().id() == QMetaType::Double
                           ? QString::number(cell.value.toDouble(), 'g', 15)
                           : QStringLiteral("<not a double>"));
            break;
        case RegisterCell::Formula:
            out << cell.address() + QLatin1Char(' ') + cell.value.toString();
            break;
        }
    }
    return out;
}

} // namespace

class TestRegisterMaps : public QObject
{
    Q_OBJECT

private slots:
    void plans_data();
    void plans();
    void dataBlock();
};

void TestRegisterMaps::plans_data()
{
    QTest::addColumn<QList<ListRow>>("rows");
    QTest::addColumn<bool>("journal");
    QTest::addColumn<QString>("skip");
    QTest::addColumn<int>("inserted");
    QTest::addColumn<QStringList>("expected");

    ListRow ukrainian = letter("7", 2, 1, "10", 90);
    ukrainian.ADRESS = QStringLiteral("01001, УКРАИНА, г. Киев, ул. Крещатик, д. 1");

    QTest::newRow("one letter: nothing inserted, totals in row 10, grand total in E11")
        << QList<ListRow>{letter("15", 2, 1, "20", 45.5)} << false << QString() << 0
        << QStringList{"A9 1", "B9 '101000, Московская обл., г. Москва, ул. Тверская, д. 12-3'",
                       "C9 'Иванов И.И.'", "D9 0.02", "E9 45.5", "F9 30", "G9 '4600000000013'",
                       "H9 '1-2'", "E10 =SUM(E9:E9)", "D10 =SUM(D9:D9)", "F10 =SUM(F9:F9)",
                       "E11 =SUM(E10:F10)"};
    QTest::newRow("three registered letters, the second without notification")
        << QList<ListRow>{letter("40", 2, 1, "20", 45.5), letter("41", 2, 0, "20", 45.5),
                          letter("42", 2, 1, "20", 45.5)}
        << false << "BCDGH" << 2
        << QStringList{"A9 1",  "E9 45.5",  "F9 30",  "A10 2",  "E10 45.5",
                       "A11 3", "E11 45.5", "F11 30", "E12 =SUM(E9:E11)", "F12 =SUM(F9:F11)",
                       "E13 =SUM(E12:F12)"};
    QTest::newRow("registered letter to Ukraine with notification: fee 0")
        << QList<ListRow>{ukrainian} << false << "ABCDGH" << 0
        << QStringList{"E9 90", "F9 0", "E10 =SUM(E9:E9)", "F10 =SUM(F9:F9)", "E11 =SUM(E10:F10)"};
    QTest::newRow("weights in kilograms, regional or weighed or none")
        << QList<ListRow>{letter("1", 1, 0, "20", 10), letter("2", 1, 0, "20,5", 15),
                          letter("3", 1, 0, "20.5", 15), letter("4", 1, 0, "", 0)}
        << false << "ABCEFGH" << 3
        << QStringList{"D9 0.02", "D10 0.0205", "D11 0.0205", "D12 0", "D13 =SUM(D9:D12)"};
    QTest::newRow("money exact, a float tariff rounded")
        << QList<ListRow>{letter("1", 2, 1, "20", 45.5), letter("2", 1, 0, "20", double(33.6f))}
        << false << "ABCDGH" << 1
        << QStringList{"E9 45.5", "F9 30", "E10 33.6", "E11 =SUM(E9:E10)",
                       "F11 =SUM(F9:F10)", "E12 =SUM(E11:F11)"};
    QTest::newRow("numbered 1, 2, 3 whatever the outgoing numbers")
        << QList<ListRow>{letter("105", 1, 0, "", 0), letter("3", 1, 0, "", 0),
                          letter("77", 1, 0, "", 0)}
        << false << "BCDEFGH" << 2 << QStringList{"A9 1", "A10 2", "A11 3"};
    QTest::newRow("an endless weight stored long ago shows as its text")
        << QList<ListRow>{letter("1", 1, 0, "1e999", 0)} << false << "ABCEFGH" << 0
        << QStringList{"D9 '1e999'", "D10 =SUM(D9:D9)"};

    ListRow other = letter("17/1", 3, 0, "", 0);
    other.NOTES = QStringLiteral("дело 2-15/2013");
    QTest::newRow("journal: A, E, C, D, B and no totals")
        << QList<ListRow>{letter("17", 1, 0, "20", 10), letter("018", 2, 1, "20", 45.5), other}
        << true << QString() << 2
        << QStringList{"A9 17", "E9 'Письмо простое'",
                       "C9 'Иванов И.И., адрес: 101000, Московская обл., г. Москва, ул. Тверская, д. 12-3'",
                       "D9 '29.01.2013'", "B9 '1-2'", "A10 18", "E10 'Письмо заказное'",
                       "C10 'Иванов И.И., адрес: 101000, Московская обл., г. Москва, ул. Тверская, д. 12-3'",
                       "D10 '29.01.2013'", "B10 '1-2'", "A11 '17/1'",
                       "C11 'Иванов И.И., адрес: 101000, Московская обл., г. Москва, ул. Тверская, д. 12-3'",
                       "D11 '29.01.2013'", "B11 'дело 2-15/2013'"};
}

void TestRegisterMaps::plans()
{
    QFETCH(QList<ListRow>, rows);
    QFETCH(bool, journal);
    QFETCH(QString, skip);
    const RegisterPlan plan =
        RegisterPlanFor(rows, feesOf(rows), QStringLiteral("29.01.2013"), journal);
    QCOMPARE(plan.dateLine, QStringLiteral("от 29.01.2013"));
    QTEST(plan.rowsToInsert, "inserted");
    QTEST(writes(plan, skip), "expected");
}

void TestRegisterMaps::dataBlock()
{
    const QList<ListRow> rows{letter("40", 2, 1, "20", 45.5), letter("41", 2, 0, "20,5", 45.5)};
    const RegisterPlan plan = RegisterPlanFor(rows, feesOf(rows), QStringLiteral("29.01.2013"), false);
    QCOMPARE(DataBlockRange(plan), QStringLiteral("A9:H10"));
    const QList<QVariantList> block = DataBlock(plan);
    QCOMPARE(block.size(), 2);
    QCOMPARE(block.at(0), (QVariantList{1.0, rows.at(0).ADRESS, rows.at(0).FIO, 0.02, 45.5, 30.0,
                                        QStringLiteral("4600000000013"), QStringLiteral("1-2")}));
    // F10 is not written: null leaves the template's cell as it is.
    QVERIFY(block.at(1).at(5).isNull());
    QCOMPARE(block.at(1).at(3), QVariant(0.0205));
    // Texts go as QString so that the office keeps them as text.
    QCOMPARE(block.at(1).at(6).metaType().id(), QMetaType::QString);

    const RegisterPlan journal = RegisterPlanFor(rows, {}, QStringLiteral("29.01.2013"), true);
    QCOMPARE(DataBlockRange(journal), QStringLiteral("A9:E10"));
    QCOMPARE(DataBlock(journal).at(1).at(0), QVariant(41.0));
    QCOMPARE(RegisterPlanFor({}, {}, QStringLiteral("29.01.2013"), false).cells.size(), 0);
}

QTEST_GUILESS_MAIN(TestRegisterMaps)
#include "tst_registermaps.moc"
