#include "tariffs.h"

#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(ListRow)

namespace {

const QLocale kRu(QLocale::Russian, QLocale::Russia);
const QLocale kEn(QLocale::English, QLocale::UnitedStates);
const double kEndless = std::numeric_limits<double>::infinity();
const QString kLadder = QStringLiteral("select Z_POSTPRICE.PRICE from Z_POSTPRICE where TYPEM=? "
                                       "AND WEIGHT>CAST(? AS DOUBLE PRECISION) ORDER BY WEIGHT");

ListRow letter(qint16 kind, const QString &address)
{
    ListRow row;
    row.TYPEM = kind;
    row.ADRESS = address;
    return row;
}

} // namespace

class TestTariffs : public QObject
{
    Q_OBJECT

private slots:
    void weightValue_data();
    void weightValue();
    void weightTexts_data();
    void weightTexts();
    void readPrice_data();
    void readPrice();
    void money_data();
    void money();
    void priceQueries_data();
    void priceQueries();
};

void TestTariffs::weightValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("grams");
    QTest::addColumn<bool>("storable");
    QTest::newRow("point") << "20.5" << 20.5 << true;
    QTest::newRow("regional comma") << "20,5" << 20.5 << true;
    QTest::newRow("blanks anywhere") << " 2 0" << 20.0 << true;
    QTest::newRow("tab and line feed inside") << "\t4\n9,5" << 49.5 << true;
    QTest::newRow("stops at a letter") << "12abc" << 12.0 << true;
    QTest::newRow("exponent E") << "1e2" << 100.0 << true;
    QTest::newRow("exponent D") << "1d2" << 100.0 << true;
    QTest::newRow("empty") << "" << 0.0 << true;
    QTest::newRow("no number") << "abc" << 0.0 << true;
    QTest::newRow("negative refused") << "-5" << -5.0 << false;
    QTest::newRow("endless refused") << "1e999" << kEndless << false;
}

void TestTariffs::weightValue()
{
    QFETCH(QString, text);
    QFETCH(double, grams);
    QFETCH(bool, storable);
    const double value = WeightValue(text);
    if (std::isinf(grams))
        QVERIFY(std::isinf(value) && value > 0);
    else
        QCOMPARE(value, grams);
    QCOMPARE(IsStorableWeight(value), storable);
}

void TestTariffs::weightTexts_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("grams");
    QTest::addColumn<QString>("regional");
    QTest::addColumn<QString>("record");
    QTest::newRow("fraction, ru_RU") << kRu << 20.5 << "20,5" << "20.5";
    QTest::newRow("whole, ru_RU") << kRu << 20.0 << "20" << "20";
    QTest::newRow("fraction, en_US") << kEn << 20.5 << "20.5" << "20.5";
    QTest::newRow("weight read back keeps its fraction")
        << kRu << WeightValue(QStringLiteral("49,5")) << "49,5" << "49.5";
}

void TestTariffs::weightTexts()
{
    QFETCH(QLocale, locale);
    QFETCH(double, grams);
    QTEST(WeightText(grams, locale), "regional");
    QTEST(WeightRecordText(grams), "record");
}

void TestTariffs::readPrice_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("found");
    QTest::addColumn<double>("price");
    QTest::newRow("tariff editor's text") << QVariant("45,50") << true << 45.5;
    QTest::newRow("text with a point") << QVariant("45.50") << true << 45.5;
    QTest::newRow("number column") << QVariant(45.5) << true << 45.5;
    QTest::newRow("single-precision number") << QVariant(33.6f) << true << 33.6;
    QTest::newRow("Null") << QVariant() << false << 0.0;
    QTest::newRow("typed Null") << QVariant(QMetaType(QMetaType::Double)) << false << 0.0;
    QTest::newRow("empty text") << QVariant("") << false << 0.0;
    QTest::newRow("junk") << QVariant("сорок") << false << 0.0;
    QTest::newRow("number then junk") << QVariant("45,50 руб.") << false << 0.0;
}

void TestTariffs::readPrice()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, found);
    QFETCH(double, price);
    const std::optional<double> read = ReadPrice(stored);
    QCOMPARE(read.has_value(), found);
    if (found)
        QCOMPARE(*read, price);
}

void TestTariffs::money_data()
{
    QTest::addColumn<double>("amount");
    QTest::addColumn<double>("rounded");
    QTest::addColumn<QString>("shownRu");
    QTest::addColumn<QString>("shownEn");
    QTest::newRow("float tariff 33.6") << double(33.6f) << 33.6 << "33,6" << "33.6";
    QTest::newRow("postage plus fee") << 45.5 + 30 << 75.5 << "75,5" << "75.5";
    QTest::newRow("half a kopeck up") << 1.005 << 1.01 << "1,01" << "1.01";
    QTest::newRow("nothing to pay") << 0.0 << 0.0 << "0" << "0";
}

void TestTariffs::money()
{
    QFETCH(double, amount);
    QFETCH(double, rounded);
    QCOMPARE(RoundMoney(amount), rounded);
    // Exactly: the cell and its sum must not carry a float's tail.
    QCOMPARE(QString::number(RoundMoney(amount), 'g', 17), QString::number(rounded, 'g', 17));
    QTEST(PriceText(amount, kRu), "shownRu");
    QTEST(PriceText(amount, kEn), "shownEn");
}

void TestTariffs::priceQueries_data()
{
    QTest::addColumn<ListRow>("row");
    QTest::addColumn<double>("grams");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QVariantList>("bindings");
    QTest::addColumn<QString>("fee");
    const QString kyiv = QStringLiteral("01001, УКРАИНА, г. Киев, ул. Крещатик, д. 1");
    const QString domestic = QStringLiteral("101000, Московская обл., г. Москва");
    const QString kind3 = QStringLiteral("select Z_POSTPRICE.PRICE from Z_POSTPRICE where TYPEM=3");
    QTest::newRow("simple, domestic: ladder of kind 1")
        << letter(1, domestic) << 49.5 << kLadder << QVariantList{1, 49.5} << QString();
    QTest::newRow("registered, domestic: ladder of kind 2, fee of kind 3")
        << letter(2, domestic) << 20.0 << kLadder << QVariantList{2, 20.0} << kind3;
    QTest::newRow("simple to Ukraine: kind 4")
        << letter(1, kyiv) << 500.0
        << "select Z_POSTPRICE.PRICE from Z_POSTPRICE where TYPEM=4" << QVariantList{} << QString();
    QTest::newRow("registered to Ukraine: kind 5, no fee")
        << letter(2, kyiv) << 10.0
        << "select Z_POSTPRICE.PRICE from Z_POSTPRICE where TYPEM=5" << QVariantList{} << QString();
    QTest::newRow("address ending in УКРАИНА: domestic ladder")
        << letter(2, QStringLiteral("01001, УКРАИНА")) << 20.0 << kLadder << QVariantList{2, 20.0}
        << kind3;
    QTest::newRow("lower case is not the country line")
        << letter(1, QStringLiteral("01001, Украина, г. Киев")) << 20.0 << kLadder
        << QVariantList{1, 20.0} << QString();
}

void TestTariffs::priceQueries()
{
    QFETCH(ListRow, row);
    QFETCH(double, grams);
    QFETCH(QVariantList, bindings);
    const TariffQuery price = LookUpPriceQuery(row.ADRESS, row.TYPEM, grams);
    QTEST(price.statement, "price");
    QCOMPARE(price.bindings, bindings);
    QTEST(NotificationFeeQuery(row).statement, "fee");
}

QTEST_GUILESS_MAIN(TestTariffs)
#include "tst_tariffs.moc"
