#include "tariffs.h"

#include <QtTest>

class TestTariffs : public QObject
{
    Q_OBJECT

private slots:
    // A weight as typed or stored, in grams, and as ru_RU and en_US write
    // it back; empty texts: refused.
    void weights_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("grams");
        QTest::addColumn<QString>("ru");
        QTest::addColumn<QString>("en");
        QTest::newRow("point") << "20.5" << 20.5 << "20,5" << "20.5";
        QTest::newRow("regional comma") << "20,5" << 20.5 << "20,5" << "20.5";
        QTest::newRow("blanks anywhere") << " 2 0" << 20.0 << "20" << "20";
        QTest::newRow("tab and line feed inside") << "\t4\n9,5" << 49.5 << "49,5" << "49.5";
        QTest::newRow("stops at a letter") << "12abc" << 12.0 << "12" << "12";
        QTest::newRow("exponent E") << "1e2" << 100.0 << "100" << "100";
        QTest::newRow("exponent D") << "1d2" << 100.0 << "100" << "100";
        QTest::newRow("empty") << "" << 0.0 << "0" << "0";
        QTest::newRow("no number") << "abc" << 0.0 << "0" << "0";
        QTest::newRow("negative") << "-5" << -5.0 << "" << "";
        QTest::newRow("endless") << "1e999" << qInf() << "" << "";
    }

    void weights()
    {
        QFETCH(QString, typed);
        QFETCH(double, grams);
        QFETCH(QString, ru);
        const double value = WeightValue(typed);
        QVERIFY2(value == grams, qPrintable(QString::number(value)));
        QCOMPARE(IsStorableWeight(value), !ru.isEmpty());
        if (!ru.isEmpty()) {
            QCOMPARE(WeightText(value, QLocale(QLocale::Russian, QLocale::Russia)), ru);
            QTEST(WeightText(value, QLocale(QLocale::English, QLocale::UnitedStates)), "en");
        }
    }

    // A stored tariff price read to the kopeck whatever its form, and shown
    // as ru_RU and en_US write it; empty texts: counted as no row.
    void prices_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("ru");
        QTest::addColumn<QString>("en");
        QTest::newRow("tariff editor's text") << QVariant("45,50") << "45,5" << "45.5";
        QTest::newRow("text with a point") << QVariant("45.50") << "45,5" << "45.5";
        QTest::newRow("number column") << QVariant(45.5) << "45,5" << "45.5";
        QTest::newRow("float tariff 33.6") << QVariant(33.6f) << "33,6" << "33.6";
        QTest::newRow("postage plus fee") << QVariant(45.5 + 30) << "75,5" << "75.5";
        QTest::newRow("half a kopeck up") << QVariant(1.005) << "1,01" << "1.01";
        QTest::newRow("nothing to pay") << QVariant(0.0) << "0" << "0";
        QTest::newRow("Null") << QVariant() << "" << "";
        QTest::newRow("typed Null") << QVariant(QMetaType(QMetaType::Double)) << "" << "";
        QTest::newRow("empty text") << QVariant("") << "" << "";
        QTest::newRow("junk") << QVariant("сорок") << "" << "";
        QTest::newRow("number then junk") << QVariant("45,50 руб.") << "" << "";
    }

    void prices()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, ru);
        const std::optional<double> read = ReadPrice(stored);
        QCOMPARE(read.has_value(), !ru.isEmpty());
        if (!read)
            return;
        // Exactly: a cell and its sum must not carry a float's tail.
        QCOMPARE(QString::number(*read, 'g', 17), QString::number(QString(ru).replace(',', '.').toDouble(), 'g', 17));
        if (stored.typeId() != QMetaType::QString)
            QCOMPARE(RoundMoney(stored.toDouble()), *read);
        QCOMPARE(PriceText(*read, QLocale(QLocale::Russian, QLocale::Russia)), ru);
        QTEST(PriceText(*read, QLocale(QLocale::English, QLocale::UnitedStates)), "en");
    }
};

QTEST_GUILESS_MAIN(TestTariffs)
#include "tst_tariffs.moc"
