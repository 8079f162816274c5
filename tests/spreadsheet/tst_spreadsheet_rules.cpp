// Rules of the spreadsheet layer that need no office: A1 references, unit
// conversions, lock files, and what a machine without LibreOffice reports.

#include "spreadsheet/calcoffice.h"
#include "spreadsheet/cellreference.h"
#include "spreadsheet/excelapplication.h"
#include "spreadsheet/excelunits.h"
#include "spreadsheet/officelockfile.h"
#include "spreadsheet/spreadsheeterror.h"
#include "spreadsheet/workbookfilecheck.h"

#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QtEndian>
#include <QtTest>

class TestSpreadsheetRules : public QObject
{
    Q_OBJECT

private slots:
    void parsesReferences_data();
    void parsesReferences();
    void refusesReferences_data();
    void refusesReferences();
    void wholeRowsAndColumns();
    void columnNames_data();
    void columnNames();

    void rowHeights_data();
    void rowHeights();
    void columnWidths_data();
    void columnWidths();
    void digitWidthOfDefaultFonts_data();
    void digitWidthOfDefaultFonts();

    void readsLockFiles_data();
    void readsLockFiles();
    void lockStaleness();

    void missingOfficeIsReportedOnFirstUse();

    void damagedWorkbooksAreRefused_data();
    void damagedWorkbooksAreRefused();
};

void TestSpreadsheetRules::parsesReferences_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<QString>("address");

    QTest::newRow("first cell") << "A1" << int(CellReference::Cells) << 0 << 0 << 0 << 0 << "$A$1";
    QTest::newRow("notification barcode cell") << "AH3" << int(CellReference::Cells) << 33 << 2 << 33 << 2 << "$AH$3";
    QTest::newRow("postal index cell") << "CF33" << int(CellReference::Cells) << 83 << 32 << 83 << 32 << "$CF$33";
    QTest::newRow("lower case") << "bq33" << int(CellReference::Cells) << 68 << 32 << 68 << 32 << "$BQ$33";
    QTest::newRow("absolute marks") << "$B$13" << int(CellReference::Cells) << 1 << 12 << 1 << 12 << "$B$13";
    QTest::newRow("Z then AA") << "AA1" << int(CellReference::Cells) << 26 << 0 << 26 << 0 << "$AA$1";
    QTest::newRow("Excel's last cell") << "XFD1048576" << int(CellReference::Cells) << 16383 << 1048575 << 16383 << 1048575 << "$XFD$1048576";
    QTest::newRow("block") << "A1:B2" << int(CellReference::Cells) << 0 << 0 << 1 << 1 << "$A$1:$B$2";
    QTest::newRow("block written backwards") << "D12:A9" << int(CellReference::Cells) << 0 << 8 << 3 << 11 << "$A$9:$D$12";
    QTest::newRow("one row") << "9:9" << int(CellReference::Rows) << 0 << 8 << -1 << 8 << "$9:$9";
    QTest::newRow("several rows") << "9:12" << int(CellReference::Rows) << 0 << 8 << -1 << 11 << "$9:$12";
    QTest::newRow("one column") << "A:A" << int(CellReference::Columns) << 0 << 0 << 0 << -1 << "$A:$A";
    QTest::newRow("several columns") << "$B:$D" << int(CellReference::Columns) << 1 << 0 << 3 << -1 << "$B:$D";
}

void TestSpreadsheetRules::parsesReferences()
{
    QFETCH(QString, text);
    const CellReference ref = CellReference::parse(text);
    QTEST(int(ref.kind()), "kind");
    QTEST(ref.left(), "left");
    QTEST(ref.top(), "top");
    QTEST(ref.right(), "right");
    QTEST(ref.bottom(), "bottom");
    QTEST(ref.address(), "address");
}

void TestSpreadsheetRules::refusesReferences_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("column alone") << "A";
    QTest::newRow("row alone") << "9";
    QTest::newRow("row zero") << "A0";
    QTest::newRow("digits first") << "1A";
    QTest::newRow("open end") << "A1:";
    QTest::newRow("cell to column") << "A1:B";
    QTest::newRow("row to cell") << "9:B2";
    QTest::newRow("three parts") << "A1:B2:C3";
    QTest::newRow("beyond Excel's columns") << "XFE1";
    QTest::newRow("beyond Excel's rows") << "A1048577";
    QTest::newRow("sheet name") << "Лист1!A1";
    QTest::newRow("Cyrillic letter") << "А1";
    QTest::newRow("blank inside") << "A 1";
    QTest::newRow("trailing dollar") << "A1$";
    QTest::newRow("union") << "A1,B2";
}

void TestSpreadsheetRules::refusesReferences()
{
    QFETCH(QString, text);
    try {
        CellReference::parse(text);
        QFAIL("accepted");
    } catch (const SpreadsheetError &e) {
        QCOMPARE(e.message(), QStringLiteral("Неверный адрес ячейки: «%1».").arg(text));
    }
}

void TestSpreadsheetRules::wholeRowsAndColumns()
{
    const CellReference cell = CellReference::parse("B9");
    const CellReference row = cell.entireRows();
    QCOMPARE(row.kind(), CellReference::Rows);
    QCOMPARE(row.address(), QStringLiteral("$9:$9"));
    QCOMPARE(row.rowCount(), 1);
    QCOMPARE(cell.entireColumns().address(), QStringLiteral("$B:$B"));
    QCOMPARE(CellReference::parse("A9:C12").entireRows().rowCount(), 4);
    QCOMPARE(CellReference::parse("B:D").columnCount(), 3);
    // A whole row's whole row is itself.
    QCOMPARE(CellReference::parse("9:12").entireRows().address(), QStringLiteral("$9:$12"));
}

void TestSpreadsheetRules::columnNames_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("name");
    QTest::newRow("first") << 0 << "A";
    QTest::newRow("last single letter") << 25 << "Z";
    QTest::newRow("first double") << 26 << "AA";
    QTest::newRow("AZ") << 51 << "AZ";
    QTest::newRow("BA") << 52 << "BA";
    QTest::newRow("last double") << 701 << "ZZ";
    QTest::newRow("first triple") << 702 << "AAA";
    QTest::newRow("Excel's last") << 16383 << "XFD";
}

void TestSpreadsheetRules::columnNames()
{
    QFETCH(int, column);
    QTEST(CellReference::columnName(column), "name");
    QFETCH(QString, name);
    QCOMPARE(CellReference::parse(name + "1").left(), column);
}

void TestSpreadsheetRules::rowHeights_data()
{
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("hmm");
    QTest::newRow("notification moved down the page") << 295.0 << 10407;
    QTest::newRow("standard row") << 12.75 << 450;
    QTest::newRow("one point") << 1.0 << 35;
    QTest::newRow("hidden") << 0.0 << 0;
    QTest::newRow("Excel's highest") << 409.0 << 14429;
}

void TestSpreadsheetRules::rowHeights()
{
    QFETCH(double, points);
    QTEST(ExcelUnits::pointsToHmm(points), "hmm");
    QFETCH(int, hmm);
    QCOMPARE(ExcelUnits::hmmToPoints(hmm), points);
}

void TestSpreadsheetRules::columnWidths_data()
{
    QTest::addColumn<double>("characters");
    QTest::addColumn<int>("digitTwips");
    QTest::addColumn<int>("hmm");
    QTest::newRow("notification moved right, Arial 10") << 71.0 << 111 << 14041;
    QTest::newRow("Excel's standard width") << 8.43 << 111 << 1790;
    QTest::newRow("one character") << 1.0 << 111 << 336;
    QTest::newRow("DejaVu Sans 10 is wider") << 71.0 << 127 << 16065;
    QTest::newRow("hidden column") << 0.0 << 111 << 0;
}

void TestSpreadsheetRules::columnWidths()
{
    QFETCH(double, characters);
    QFETCH(int, digitTwips);
    QTEST(ExcelUnits::columnWidthToHmm(characters, digitTwips), "hmm");
    QFETCH(int, hmm);
    QCOMPARE(ExcelUnits::hmmToColumnWidth(hmm, digitTwips), characters);
}

void TestSpreadsheetRules::digitWidthOfDefaultFonts_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("size");
    QTest::addColumn<int>("twips");
    // The figures the office itself uses for these fonts.
    QTest::newRow("Arial 10") << "Arial" << 10.0 << 111;
    QTest::newRow("Liberation Sans 10") << "Liberation Sans" << 10.0 << 111;
    QTest::newRow("Calibri 11") << "Calibri" << 11.0 << 111;
    QTest::newRow("Carlito 11") << "Carlito" << 11.0 << 111;
    QTest::newRow("DejaVu Sans 10") << "DejaVu Sans" << 10.0 << 127;
}

void TestSpreadsheetRules::digitWidthOfDefaultFonts()
{
    QFETCH(QString, family);
    QFETCH(double, size);
    QTEST(ExcelUnits::digitWidthTwips(family, size), "twips");
}

void TestSpreadsheetRules::readsLockFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("holder");

    QTest::newRow("office user name empty")
        << QByteArray(",clerk,pc12,09.12.2026 05:40,file:///home/clerk/.config/libreoffice/4;")
        << "clerk" << "pc12" << "09.12.2026 05:40" << "file:///home/clerk/.config/libreoffice/4"
        << "clerk на компьютере pc12 с 09.12.2026 05:40";
    QTest::newRow("office user name given")
        << QByteArray("Иванова Мария,clerk,pc12,09.12.2026 05:40,file:///p;")
        << "Иванова Мария" << "pc12" << "09.12.2026 05:40" << "file:///p"
        << "Иванова Мария на компьютере pc12 с 09.12.2026 05:40";
    QTest::newRow("escaped comma in name")
        << QByteArray("Иванова\\, М.,clerk,pc12,09.12.2026,file:///p;")
        << "Иванова, М." << "pc12" << "09.12.2026" << "file:///p"
        << "Иванова, М. на компьютере pc12 с 09.12.2026";
    QTest::newRow("cut short") << QByteArray(",clerk") << "clerk" << "" << "" << "" << "clerk";
    QTest::newRow("empty file") << QByteArray() << "" << "" << "" << "" << "другой пользователь";
}

void TestSpreadsheetRules::readsLockFiles()
{
    QFETCH(QByteArray, content);
    const OfficeLockFile lock = OfficeLockFile::parse("/x/.~lock.a.xls#", content);
    QTEST(lock.user(), "user");
    QTEST(lock.host(), "host");
    QTEST(lock.date(), "date");
    QTEST(lock.profileUrl(), "profile");
    QTEST(lock.holder(), "holder");
}

void TestSpreadsheetRules::lockStaleness()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString document = dir.filePath("Конверт 1.xls");
    QCOMPARE(OfficeLockFile::lockPathFor(document), dir.filePath(".~lock.Конверт 1.xls#"));
    QVERIFY(!OfficeLockFile::find(document));

    const auto writeLock = [&](const QString &profileUrl) {
        QFile f(OfficeLockFile::lockPathFor(document));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write((",clerk,pc12,09.12.2026 05:40," + profileUrl + ";").toUtf8());
    };
    writeLock(QUrl::fromLocalFile(dir.path()).toString());
    QVERIFY(OfficeLockFile::find(document));
    QVERIFY2(!OfficeLockFile::find(document)->isStale(), "profile folder exists");

    writeLock(QUrl::fromLocalFile(dir.filePath("gone-profile")).toString());
    QVERIFY2(OfficeLockFile::find(document)->isStale(), "profile folder gone");

    // Not knowing where the profile is, the lock must be respected.
    writeLock("vnd.sun.star.expand:$UNKNOWN");
    QVERIFY(!OfficeLockFile::find(document)->isStale());

    QVERIFY(OfficeLockFile::find(document)->remove());
    QVERIFY(!OfficeLockFile::find(document));
}

void TestSpreadsheetRules::missingOfficeIsReportedOnFirstUse()
{
    // As on a machine without LibreOffice: the module cannot be loaded.
    CalcOffice::setModulePath(QDir::temp().filePath("absent/libcourtmail_calc.so"));
    QTemporaryDir dir;
    const QString workbook = dir.filePath("Конверт 1.xls");
    QFile file(workbook);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Spreadsheet module .* not usable"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Spreadsheet module .* not usable"));
    ExcelApplication excel; // starting up must not fail
    try {
        excel.Workbooks().Open(workbook);
        QFAIL("opened without an office");
    } catch (const SpreadsheetError &e) {
        QCOMPARE(e.message(), QStringLiteral("Не установлен LibreOffice Calc: печать невозможна."));
    }
    QCOMPARE(CalcOffice::processId(), qint64(0));
    // The program goes on: the next attempt says the same, nothing crashed.
    ExcelApplication again;
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError, again.Workbooks().Open(workbook));
}

void TestSpreadsheetRules::damagedWorkbooksAreRefused_data()
{
    QTest::addColumn<QString>("workbook");
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("defect");

    const QString cut = QStringLiteral("книга обрезана или повреждена");
    const QString notExcel = QStringLiteral("это не книга Excel 97");
    // The envelope keeps its records in the compound file's small sectors,
    // the journal in its large ones.
    for (const char *workbook : {"Конверт 1 (DL 110x220).xls", "Журнал исходящей почты.xls"}) {
        const QString name = QString::fromUtf8(workbook);
        QTest::addRow("%s: whole", workbook) << name << "" << QString();
        QTest::addRow("%s: first half", workbook) << name << "half" << cut;
        QTest::addRow("%s: one byte short", workbook) << name << "byte" << cut;
        QTest::addRow("%s: records cut", workbook) << name << "records" << cut;
        QTest::addRow("%s: no workbook stream", workbook) << name << "rename" << notExcel;
    }
    const QString envelope = QStringLiteral("Конверт 1 (DL 110x220).xls");
    QTest::newRow("empty file") << envelope << "empty" << QStringLiteral("файл пуст");
    QTest::newRow("random bytes") << envelope << "random" << notExcel;
    QTest::newRow("plain text") << envelope << "text" << notExcel;
}

void TestSpreadsheetRules::damagedWorkbooksAreRefused()
{
    QFETCH(QString, workbook);
    QFETCH(QString, damage);
    QFETCH(QString, defect);

    QFile file(qEnvironmentVariable("COURTMAIL_PROGRAM_DIR") + QStringLiteral("/templates/") + workbook);
    if (!file.open(QIODevice::ReadOnly))
        QSKIP("the workbook templates are not built");
    QByteArray bytes = file.readAll();
    // The directory entry of the "Workbook" stream: its name, its size at 120.
    const qsizetype entry = bytes.indexOf(QByteArray(reinterpret_cast<const char *>(u"Workbook"), 16));
    QVERIFY(entry > 0);
    if (damage == QLatin1String("half"))
        bytes.truncate(bytes.size() / 2);
    else if (damage == QLatin1String("byte"))
        bytes.chop(1);
    else if (damage == QLatin1String("records"))
        qToLittleEndian<quint32>(qFromLittleEndian<quint32>(bytes.constData() + entry + 120) - 10,
                                 bytes.data() + entry + 120);
    else if (damage == QLatin1String("rename"))
        bytes[entry] = 'X';
    else if (damage == QLatin1String("empty"))
        bytes.clear();
    else if (damage == QLatin1String("random"))
        bytes = QByteArray::fromHex("7f3a9c01e4d2b8a655c0ffee12345678").repeated(1000);
    else if (damage == QLatin1String("text"))
        bytes = QStringLiteral("Кому;Куда\r\nИванов;Москва\r\n").toUtf8();
    QCOMPARE(WorkbookFileCheck::defectOf(bytes, QStringLiteral("xls")), defect);
}

QTEST_MAIN(TestSpreadsheetRules)
#include "tst_spreadsheet_rules.moc"
