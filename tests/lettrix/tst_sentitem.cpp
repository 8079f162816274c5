// The lines of the sent-items list: a row as read, its address on one line
// and its fields cut or padded to their columns.
#include "sentitem.h"

#include <QtTest>

namespace {

// Cyrillic filler, so that a length counted in bytes instead of characters fails.
QString cyr(int n)
{
    return QString(n, QChar(u'ж'));
}

QVariantList row(const QString &fio, const QString &address, const QString &notes)
{
    return {40000, QStringLiteral("12"), QDateTime(QDate(2025, 3, 5), QTime(10, 0)), fio, address, notes,
            QVariant(), QVariant(), QVariant(), 2};
}

} // namespace

class TstSentItem : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void line_data()
    {
        QTest::addColumn<QVariantList>("columns");
        QTest::addColumn<QStringList>("fields");

        const QString a = QStringLiteral("г.Тверь");
        const QString n = QStringLiteral("дело 2-1");
        const auto line = [](const QString &fio, const QString &address, const QString &notes) {
            return QStringList{QStringLiteral("12"), fio.leftJustified(22), address.leftJustified(50),
                               notes.leftJustified(30)};
        };
        QTest::newRow("name of 5") << row(cyr(5), a, n) << line(cyr(5), a, n);
        QTest::newRow("name of 22") << row(cyr(22), a, n) << line(cyr(22), a, n);
        QTest::newRow("name of 23 cut") << row(cyr(23), a, n) << line(cyr(22), a, n);
        QTest::newRow("three lines") << row(cyr(5), QStringLiteral("170000\r\nг.Тверь\r\nд.1"), n)
                                     << line(cyr(5), QStringLiteral("170000, г.Тверь, д.1"), n);
        QTest::newRow("empty middle line") << row(cyr(5), QStringLiteral("170000\r\n\r\nд.1"), n)
                                           << line(cyr(5), QStringLiteral("170000, д.1"), n);
        QTest::newRow("three commas leave two") << row(cyr(5), QStringLiteral("a,,,b"), n)
                                                << line(cyr(5), QStringLiteral("a,,b"), n);
        QTest::newRow("three blanks leave two") << row(cyr(5), QStringLiteral("a   b"), n)
                                                << line(cyr(5), QStringLiteral("a  b"), n);
        QTest::newRow("address of 51 cut") << row(cyr(5), cyr(51), n) << line(cyr(5), cyr(50), n);
        QTest::newRow("notes of 30") << row(cyr(5), a, cyr(30)) << line(cyr(5), a, cyr(30));
        QTest::newRow("notes of 31 cut") << row(cyr(5), a, cyr(31)) << line(cyr(5), a, cyr(30));
        QTest::newRow("null columns") << QVariantList(10)
                                      << QStringList{QString(), cyr(0).leftJustified(22), cyr(0).leftJustified(50),
                                                     cyr(0).leftJustified(30)};
    }

    void line()
    {
        QFETCH(QVariantList, columns);
        QFETCH(QStringList, fields);
        SentItem item = ReadSentItem(columns);
        item.ADRESS = ListedAddress(item.ADRESS);
        QCOMPARE(SentItemLine(item), fields.join(QLatin1Char('\t')));
        QCOMPARE(item.ID, columns.at(0).isNull() ? 0 : 40000);
    }
};

QTEST_GUILESS_MAIN(TstSentItem)
#include "tst_sentitem.moc"
