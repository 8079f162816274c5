// The synthetic case-file parties: the fixed ones tests rely on, and the
// variety the generated ones must cover.

#include "partygenerator.h"

#include <QRegularExpression>
#include <QtTest>

class TestPartyGenerator : public QObject
{
    Q_OBJECT

private slots:
    void sameSeedSameParties();
    void fixedPartiesComeFirst_data();
    void fixedPartiesComeFirst();
    void generatedPartiesCoverTheSearchCases();
};

namespace {

QList<PartyGenerator::Party> generate(quint32 seed, int count)
{
    PartyGenerator generator(seed);
    QList<PartyGenerator::Party> parties;
    for (int i = 0; i < count; ++i)
        parties << generator.next();
    return parties;
}

QString describe(const PartyGenerator::Party &party)
{
    QStringList parts{QString::number(party.Oid), party.FullName.toString()};
    for (const PartyGenerator::Address &address : party.Addresses)
        for (const QVariant &part : address)
            parts << (part.isNull() ? QStringLiteral("<null>") : part.toString());
    return parts.join(QLatin1Char('|'));
}

} // namespace

void TestPartyGenerator::sameSeedSameParties()
{
    const auto first = generate(7, 300);
    const auto again = generate(7, 300);
    const auto other = generate(8, 300);
    bool differs = false;
    for (int i = 0; i < first.size(); ++i) {
        QCOMPARE(describe(again.at(i)), describe(first.at(i)));
        QCOMPARE(first.at(i).Oid, i + 1);
        differs = differs || describe(other.at(i)) != describe(first.at(i));
    }
    QVERIFY(differs);
}

void TestPartyGenerator::fixedPartiesComeFirst_data()
{
    QTest::addColumn<int>("oid");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("addresses");
    QTest::addColumn<QString>("index");

    QTest::newRow("Иванов, Ukrainian index") << 1 << "Иванов Иван Иванович" << 1 << "36000";
    QTest::newRow("ИВАНОВ in capitals, Russian index") << 2 << "ИВАНОВ ПЕТР СЕРГЕЕВИЧ" << 1 << "101000";
    QTest::newRow("apostrophe, index with leading zero") << 3 << "Іваненко Дар'я Олексіївна" << 1 << "03150";
    QTest::newRow("no address") << 4 << "Петров Петр Петрович" << 0 << "";
    QTest::newRow("two addresses") << 5 << "Коваль Олена Миколаївна" << 2 << "37300";
    QTest::newRow("Null name") << 6 << QString() << 0 << "";
    QTest::newRow("organisation") << 7 << "ООО «Ромашка»" << 1 << "36039";
    QTest::newRow("name longer than 65") << 8
        << "Государственное предприятие «Полтавский областной центр обслуживания»" << 1 << "36020";
}

void TestPartyGenerator::fixedPartiesComeFirst()
{
    QFETCH(int, oid);
    QFETCH(QString, name);
    QFETCH(int, addresses);
    QFETCH(QString, index);
    // The fixed parties do not depend on the seed.
    for (quint32 seed : {1u, 99u}) {
        const PartyGenerator::Party party = generate(seed, oid).constLast();
        QCOMPARE(party.Oid, oid);
        QCOMPARE(party.FullName.isNull(), name.isNull());
        QCOMPARE(party.FullName.toString(), name);
        QCOMPARE(party.Addresses.size(), addresses);
        if (addresses > 0)
            QCOMPARE(party.Addresses.first()[0].toString(), index);
    }
    if (oid == 8)
        QVERIFY(name.size() > 65);
}

void TestPartyGenerator::generatedPartiesCoverTheSearchCases()
{
    const auto parties = generate(20260112, 2000).mid(PartyGenerator::FixedPartyCount);
    int capitals = 0, apostrophes = 0, withoutAddress = 0, twoAddresses = 0, russianIndex = 0, nullParts = 0;
    const QRegularExpression index(QStringLiteral("^\\d{5,6}$"));
    for (const PartyGenerator::Party &party : parties) {
        const QString name = party.FullName.toString();
        QVERIFY(!name.isEmpty());
        QVERIFY2(name.size() <= 255, qPrintable(name));
        capitals += name == name.toUpper() ? 1 : 0;
        apostrophes += name.contains(QLatin1Char('\'')) ? 1 : 0;
        withoutAddress += party.Addresses.isEmpty() ? 1 : 0;
        twoAddresses += party.Addresses.size() == 2 ? 1 : 0;
        for (const PartyGenerator::Address &address : party.Addresses) {
            QVERIFY2(index.match(address[0].toString()).hasMatch(), qPrintable(address[0].toString()));
            russianIndex += address[0].toString().size() == 6 ? 1 : 0;
            for (const QVariant &part : address)
                nullParts += part.isNull() ? 1 : 0;
            QVERIFY(!address[3].isNull()); // a street always
        }
    }
    QVERIFY(capitals > 0);
    QVERIFY(capitals < parties.size() / 2);
    QVERIFY(apostrophes > 0);
    QVERIFY(withoutAddress > 0);
    QVERIFY(twoAddresses > 0);
    QVERIFY(russianIndex > 0);
    QVERIFY(nullParts > 0);
}

QTEST_GUILESS_MAIN(TestPartyGenerator)
#include "tst_partygenerator.moc"
