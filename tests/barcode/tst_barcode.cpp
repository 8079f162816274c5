#include "barcode/barcode.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

namespace {

// Reads an Interleaved 2 of 5 symbol back from one pixel row, the way a
// scanner would: bar and space widths, narrow or wide, five of each per pair
// of digits. Returns the digits, or a description of what went wrong.
QString decodeInterleaved2of5(const QImage &image, int y)
{
    // Alternating bar and space widths from the first bar to the last.
    const auto isDark = [&](int x) { return qGray(image.pixel(x, y)) < 128; };
    int first = 0, last = image.width() - 1;
    while (first <= last && !isDark(first))
        ++first;
    while (last >= first && !isDark(last))
        --last;
    QList<int> runs;
    for (int x = first; x <= last;) {
        const bool d = isDark(x);
        int w = 0;
        while (x <= last && isDark(x) == d) {
            ++w;
            ++x;
        }
        runs.append(w);
    }
    if (runs.size() < 7)
        return "too few bars";

    int narrow = runs.first();
    for (int r : runs)
        narrow = qMin(narrow, r);
    const auto wide = [&](int r) { return r > narrow * 2; };

    // Start: four narrow elements; stop: wide bar, narrow space, narrow bar.
    for (int i = 0; i < 4; ++i)
        if (wide(runs.at(i)))
            return "bad start";
    const qsizetype n = runs.size();
    if (!wide(runs.at(n - 3)) || wide(runs.at(n - 2)) || wide(runs.at(n - 1)))
        return "bad stop";
    const qsizetype body = n - 4 - 3;
    if (body % 10 != 0)
        return QString("bad length %1").arg(body);

    static const char *patterns[] = {"nnwwn", "wnnnw", "nwnnw", "wwnnn", "nnwnw",
                                     "wnwnn", "nwwnn", "nnnww", "wnnwn", "nwnwn"};
    const auto digitOf = [&](const QString &p) -> QChar {
        for (int d = 0; d < 10; ++d)
            if (p == QLatin1String(patterns[d]))
                return QChar('0' + d);
        return QChar('?');
    };
    QString digits;
    for (qsizetype i = 4; i < n - 3; i += 10) {
        QString bars, spaces;
        for (int k = 0; k < 5; ++k) {
            bars += wide(runs.at(i + 2 * k)) ? 'w' : 'n';
            spaces += wide(runs.at(i + 2 * k + 1)) ? 'w' : 'n';
        }
        digits += digitOf(bars);
        digits += digitOf(spaces);
    }
    return digits;
}

bool hasDarkAndLight(const QImage &image)
{
    bool darkSeen = false, lightSeen = false;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); ++x)
            (qGray(image.pixel(x, y)) < 128 ? darkSeen : lightSeen) = true;
    return darkSeen && lightSeen;
}

} // namespace

class TestBarcode : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void checkDigit_data();
    void checkDigit();
    void invalidCodes_data();
    void invalidCodes();
    void imageReadsBackAsTheCode_data();
    void imageReadsBackAsTheCode();
    void digitsUnderTheBarsMakeItTaller();
    void clipboardHoldsPictureAndDigits();
    void failureLeavesClipboardAlone();
    void missingLibraryIsAnErrorNotACrash();
};

void TestBarcode::cleanup()
{
    setBarcodeLibraryName("zint");
}

void TestBarcode::checkDigit_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("digit");

    QTest::newRow("EAN-13 example") << "400638133393" << "1";
    QTest::newRow("ISBN-13 978-0-306-40615") << "978030640615" << "7";
    QTest::newRow("EAN-13 590123412345") << "590123412345" << "7";
    QTest::newRow("EAN-8 7351353") << "7351353" << "7";
    QTest::newRow("test button code") << "1111111111114" << "4";
    QTest::newRow("all zeros") << "0000000000000" << "0";
    QTest::newRow("one digit weighs 3") << "1" << "7";
    QTest::newRow("sum a multiple of ten") << "5" << "5";
    QTest::newRow("two digits, left weighs 1") << "10" << "9";
    QTest::newRow("nines") << "9999999999999" << "7";
}

void TestBarcode::checkDigit()
{
    QFETCH(QString, code);
    QFETCH(QString, digit);
    QString error;
    QCOMPARE(Get_Check_num(code, &error), digit);
    QCOMPARE(error, QString());
}

void TestBarcode::invalidCodes_data()
{
    QTest::addColumn<QString>("code");

    QTest::newRow("empty") << "";
    QTest::newRow("letter inside") << "12a4";
    QTest::newRow("leading blank") << " 123";
    QTest::newRow("blank inside") << "12 3";
    QTest::newRow("minus sign") << "-1";
    QTest::newRow("non-latin digits") << QString::fromUtf8("١٢٣");
    QTest::newRow("fullwidth digits") << QString::fromUtf8("１２３");
}

void TestBarcode::invalidCodes()
{
    QFETCH(QString, code);

    QString error;
    QCOMPARE(Get_Check_num(code, &error), QString());
    QVERIFY(!error.isEmpty());

    error.clear();
    QVERIFY(BarcodeImage(code, &error).isNull());
    QVERIFY(!error.isEmpty());

    error.clear();
    QVERIFY(!MakeBarCode(code, -1, &error));
    QVERIFY(!error.isEmpty());
}

void TestBarcode::imageReadsBackAsTheCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("decoded");

    QTest::newRow("test button code with check digit") << "11111111111144" << "11111111111144";
    QTest::newRow("every digit") << "01234567890123" << "01234567890123";
    QTest::newRow("odd length gets a leading zero") << "123" << "0123";
}

void TestBarcode::imageReadsBackAsTheCode()
{
    QFETCH(QString, code);
    QFETCH(QString, decoded);

    QString error;
    const QImage image = BarcodeImage(code, &error);
    QVERIFY2(!image.isNull(), qPrintable(error));
    QVERIFY(image.width() > image.height());
    QVERIFY(image.height() >= 40);
    QVERIFY(hasDarkAndLight(image));
    // Through the bars, well above the digits written below them.
    QCOMPARE(decodeInterleaved2of5(image, image.height() / 4), decoded);
}

void TestBarcode::digitsUnderTheBarsMakeItTaller()
{
    const QImage with = BarcodeImage("11111111111144", nullptr, true);
    const QImage without = BarcodeImage("11111111111144", nullptr, false);
    QVERIFY(!with.isNull() && !without.isNull());
    QCOMPARE(with.width(), without.width());
    QVERIFY(with.height() > without.height());
}

void TestBarcode::clipboardHoldsPictureAndDigits()
{
    const QString code = "1111111111114" + Get_Check_num("1111111111114");
    QString error;
    QVERIFY2(MakeBarCode(code, -1, &error), qPrintable(error));
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime);
    QVERIFY(mime->hasImage());
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("11111111111144"));
    const QImage image = QGuiApplication::clipboard()->image();
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), BarcodeImage(code).size());
}

void TestBarcode::failureLeavesClipboardAlone()
{
    QGuiApplication::clipboard()->setText("before");
    QVERIFY(!MakeBarCode("12x", -1));
    setBarcodeLibraryName("courtmail-no-such-zint");
    QVERIFY(!MakeBarCode("11111111111144", -1));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("before"));
}

void TestBarcode::missingLibraryIsAnErrorNotACrash()
{
    setBarcodeLibraryName("courtmail-no-such-zint");
    QString error;
    QVERIFY(BarcodeImage("11111111111144", &error).isNull());
    QCOMPARE(error, QString("Библиотека штрихкодов не найдена"));
    error.clear();
    QVERIFY(!MakeBarCode("11111111111144", -1, &error));
    QCOMPARE(error, QString("Библиотека штрихкодов не найдена"));
    // The check digit needs no library.
    QCOMPARE(Get_Check_num("1111111111114"), QString("4"));

    setBarcodeLibraryName("zint");
    QVERIFY(!BarcodeImage("11111111111144").isNull());
}

QTEST_MAIN(TestBarcode)
#include "tst_barcode.moc"
