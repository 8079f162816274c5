// The tariff editor's price check: what it lets through is written with a
// comma and must read back in Rostrel as the price the clerk typed.
#include "tariffprices.h"

#include <QTest>

class TestTariffPrices : public QObject
{
    Q_OBJECT

private slots:
    void priceCheck_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written"); // empty: refused
        QTest::addColumn<double>("read");
        QTest::newRow("point turns comma") << "12.50" << "12,50" << 12.5;
        QTest::newRow("comma, one decimal") << "12,5" << "12,5" << 12.5;
        QTest::newRow("whole") << "0" << "0" << 0.0;
        QTest::newRow("blanks around dropped") << " \t45,50 " << "45,50" << 45.5;
        QTest::newRow("letters") << "abc" << "" << 0.0;
        QTest::newRow("empty") << "" << "" << 0.0;
        QTest::newRow("blanks only") << "   " << "" << 0.0;
        QTest::newRow("three decimals") << "1,234" << "" << 0.0;
        QTest::newRow("apostrophe") << "12'5" << "" << 0.0;
        QTest::newRow("two separators") << "1.2,5" << "" << 0.0;
        QTest::newRow("separator last") << "12," << "" << 0.0;
        QTest::newRow("separator first") << ",5" << "" << 0.0;
        QTest::newRow("blank inside") << "1 000" << "" << 0.0;
        QTest::newRow("sign") << "-5" << "" << 0.0;
        QTest::newRow("digits of another script") << QString::fromUtf8("١٢") << "" << 0.0;
    }

    void priceCheck()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(double, read);
        QCOMPARE(IsTariffPrice(typed), !written.isEmpty());
        if (written.isEmpty())
            return;
        QCOMPARE(TariffPriceText(typed), written);
        QCOMPARE(ReadPrice(written), std::optional<double>(read));
    }
};

QTEST_GUILESS_MAIN(TestTariffPrices)
#include "tst_tariffprices.moc"
