#include "registermaps.h"
#include "tariffs.h"

#include <QtTest>

namespace {

ListRow letter(const QString &number, qint16 kind, qint16 reestr, const QString &weight, double price)
{
    ListRow row;
    row.NUMBER = number;
    row.TYPEM = kind;
    row.REESTR = reestr;
    row.WEIGHT = weight;
    row.PRICE = price;
    row.FIO = QStringLiteral("Иванов И.И.");
    row.ADRESS = QStringLiteral("101000, г. Москва, ул. Тверская, д. 12-3");
    row.NOTES = QStringLiteral("1-2");
    row.BARCODE = QStringLiteral("4600000000013");
    return row;
}

} // namespace

class TestRegisterMaps : public QObject
{
    Q_OBJECT

private slots:
    void plans_data()
    {
        QTest::addColumn<QList<ListRow>>("rows");
        QTest::addColumn<bool>("journal");
        QTest::addColumn<QString>("skip"); // columns left out of "expected"
        QTest::addColumn<int>("inserted");
        QTest::addColumn<QString>("expected");

        QTest::newRow("one letter: nothing inserted, totals in row 10, grand total in E11")
            << QList<ListRow>{letter("15", 2, 1, "20", 45.5)} << false << QString() << 0
            << "A9 1 | B9 '101000, г. Москва, ул. Тверская, д. 12-3' | C9 'Иванов И.И.' | D9 0.02 | E9 45.5 | "
               "F9 30 | G9 '4600000000013' | H9 '1-2' | E10 =SUM(E9:E9) | D10 =SUM(D9:D9) | F10 =SUM(F9:F9) | "
               "E11 =SUM(E10:F10)";
        // Numbered 1 to 4 whatever the outgoing numbers; F only where REESTR
        // is 1, 0 to Ukraine; weights read with either decimal point, never
        // weighed 0, an endless one stored long ago kept as its text;
        // money exact, a float tariff rounded.
        ListRow ukrainian = letter("77", 2, 1, "", 90);
        ukrainian.ADRESS = QStringLiteral("01001, УКРАИНА, г. Киев, ул. Крещатик, д. 1");
        QTest::newRow("four letters")
            << QList<ListRow>{letter("105", 2, 1, "20", 45.5), letter("3", 2, 0, "20,5", double(33.6f)), ukrainian,
                              letter("4", 1, 1, "1e999", 10)}
            << false << "BCGH" << 3
            << "A9 1 | D9 0.02 | E9 45.5 | F9 30 | A10 2 | D10 0.0205 | E10 33.6 | A11 3 | D11 0 | E11 90 | F11 0 | "
               "A12 4 | D12 '1e999' | E12 10 | F12 0 | E13 =SUM(E9:E12) | D13 =SUM(D9:D12) | F13 =SUM(F9:F12) | "
               "E14 =SUM(E13:F13)";

        ListRow other = letter("17/1", 3, 0, "", 0);
        other.NOTES = QStringLiteral("дело 2-15/2013");
        const QString to = QStringLiteral("'Иванов И.И., адрес: 101000, г. Москва, ул. Тверская, д. 12-3' | ");
        QTest::newRow("journal: A, E, C, D, B and no totals")
            << QList<ListRow>{letter("17", 1, 0, "20", 10), letter("018", 2, 1, "20", 45.5), other} << true
            << QString() << 2
            << "A9 17 | E9 'Письмо простое' | C9 " + to + "D9 '29.01.2013' | B9 '1-2' | A10 18 | "
                   "E10 'Письмо заказное' | C10 " + to + "D10 '29.01.2013' | B10 '1-2' | A11 '17/1' | C11 " + to
                   + "D11 '29.01.2013' | B11 'дело 2-15/2013'";
    }

    // "B9 'text'", "A9 1", "E10 =SUM(E9:E9)" for every write, in order.
    // Numbers with 15 digits: a float's tail shows.
    void plans()
    {
        QFETCH(QList<ListRow>, rows);
        QFETCH(QString, skip);
        QList<double> fees; // as the window looks them up: kind 3 at 30
        for (const ListRow &row : rows)
            fees << (NotificationFeeQuery(row).statement.isEmpty() ? 0.0 : 30.0);
        QFETCH(bool, journal);
        const RegisterPlan plan = RegisterPlanFor(rows, fees, QStringLiteral("29.01.2013"), journal);
        QCOMPARE(plan.dateLine, QStringLiteral("от 29.01.2013"));
        QTEST(plan.rowsToInsert, "inserted");
        QStringList writes;
        for (const RegisterCell &cell : plan.cells) {
            const QVariant &v = cell.value;
            if (!skip.contains(cell.address().at(0)))
                writes << cell.address() + ' '
                        + (cell.kind == RegisterCell::Text      ? "'" + v.toString() + "'"
                           : cell.kind == RegisterCell::Formula ? v.toString()
                           : v.typeId() == QMetaType::Double    ? QString::number(v.toDouble(), 'g', 15)
                                                                : "<not a double>");
        }
        QTEST(writes.join(" | "), "expected");
    }
};

QTEST_GUILESS_MAIN(TestRegisterMaps)
#include "tst_registermaps.moc"
