// The spreadsheet layer against a real headless LibreOffice: what the
// printing window and the register builder rely on. One office serves all
// cases, as it serves all prints of a program run.

#include "spreadsheet/calcoffice.h"
#include "spreadsheet/excelapplication.h"
#include "spreadsheet/officelockfile.h"
#include "spreadsheet/officeprocess.h"
#include "spreadsheet/spreadsheeterror.h"

#include <QClipboard>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <QtTest>

#include <csignal>
#include <stdexcept>

namespace {

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QString xmlText(const QString &text)
{
    return text.toHtmlEscaped();
}

// A two-sheet workbook source: the first sheet has a column of numbers in
// G9:G12 and a totals line in row 13, like the register templates.
QByteArray fodsSource()
{
    QString rows;
    const auto textCell = [](const QString &t) {
        return QStringLiteral("<table:table-cell office:value-type=\"string\"><text:p>%1</text:p>"
                              "</table:table-cell>")
            .arg(xmlText(t));
    };
    rows += QStringLiteral("<table:table-row>%1</table:table-row>").arg(textCell("Первый лист"));
    rows += QStringLiteral("<table:table-row table:number-rows-repeated=\"7\"><table:table-cell/>"
                           "</table:table-row>");
    for (int v = 1; v <= 4; ++v)
        rows += QStringLiteral("<table:table-row><table:table-cell table:number-columns-repeated=\"6\"/>"
                               "<table:table-cell office:value-type=\"float\" office:value=\"%1\">"
                               "<text:p>%1</text:p></table:table-cell></table:table-row>")
                    .arg(v);
    rows += QStringLiteral("<table:table-row>%1</table:table-row>").arg(textCell("ИТОГО"));
    const QString xml =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
            "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
            "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
            "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">"
            "<office:body><office:spreadsheet>"
            "<table:table table:name=\"Лист1\">%1</table:table>"
            "<table:table table:name=\"Лист2\"><table:table-row>%2</table:table-row></table:table>"
            "</office:spreadsheet></office:body></office:document>\n")
            .arg(rows, textCell("Второй лист"));
    return xml.toUtf8();
}

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList pdfsIn(const QString &dir)
{
    return QDir(dir).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
}

bool processGone(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    // A zombie has ended; only its parent has not collected it yet.
    const QByteArray s = stat.readAll();
    const int close = s.lastIndexOf(')');
    return close > 0 && s.mid(close + 2, 1) == "Z";
}

QList<qint64> processesMentioning(const QString &text)
{
    QList<qint64> found;
    const QByteArray needle = QFile::encodeName(text);
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(needle))
            found << pid;
    }
    return found;
}

// Waits for something that happens outside our control; bounded, so a
// fault fails the test instead of hanging it.
template <typename F>
bool eventually(F condition, int timeoutMs = 10000)
{
    for (int i = 0; i < timeoutMs / 20; ++i) {
        if (condition())
            return true;
        QThread::msleep(20);
    }
    return condition();
}

} // namespace

class TestSpreadsheetCalc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void saveAsLeavesTemplateUntouched_data();
    void saveAsLeavesTemplateUntouched();
    void cellValues_data();
    void cellValues();
    void blockOfValues();
    void formulas_data();
    void formulas();
    void refusesBrokenFormula();
    void rowHeightAndColumnWidth_data();
    void rowHeightAndColumnWidth();
    void pictureIsAnchoredAtSelectedCell();
    void pasteWithoutPicture();
    void insertedRowsPushRowsDown_data();
    void insertedRowsPushRowsDown();
    void printsEverySheetToPdf();
    void printWithoutPrinterFails();
    void quitDiscardsWithoutQuestion();
    void instancesShareOneOffice();
    void visibleWorkbookIsHandedToClerk_data();
    void visibleWorkbookIsHandedToClerk();
    void failedActionIsNeverShown_data();
    void failedActionIsNeverShown();
    void openErrors_data();
    void openErrors();
    void copyOpensDespiteLock();
    void staleLockIsCleared();
    void officeEndsWithProgram_data();
    void officeEndsWithProgram();
    void deadOfficeIsReplaced();
    void visibleOfficeOutlivesProgram();

private:
    QString templatePath(const QString &name) const { return m_dir.filePath("templates/" + name); }
    QString workingCopy();
    void writeLock(const QString &document, const QString &profileUrl);

    QTemporaryDir m_dir;
    QString m_pdfDir;
    QStringList m_shown;
    int m_copies = 0;
};

void TestSpreadsheetCalc::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir().mkpath(m_dir.filePath("templates")));
    m_pdfDir = m_dir.filePath("pdf");
    CalcOffice::setPrintToPdfDirectory(m_pdfDir);
    CalcOffice::setHandOverHandler([this](const QStringList &files) { m_shown += files; });

    const QString source = m_dir.filePath("source.fods");
    QFile f(source);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(fodsSource());
    f.close();
    // The test templates are made through the layer itself.
    for (const QString name : {"Конверт 1.xls", "уведомление 2.xls"}) {
        ExcelApplication excel;
        ExcelWorkbook book = excel.Workbooks().Open(source);
        book.SaveAs(templatePath(name));
        excel.Quit();
        QVERIFY(QFileInfo(templatePath(name)).size() > 0);
    }
}

void TestSpreadsheetCalc::cleanupTestCase()
{
    CalcOffice::setHandOverHandler(nullptr);
}

void TestSpreadsheetCalc::init()
{
    m_shown.clear();
}

QString TestSpreadsheetCalc::workingCopy()
{
    return m_dir.filePath(QStringLiteral("tovra_znp_%1.xls").arg(++m_copies));
}

void TestSpreadsheetCalc::writeLock(const QString &document, const QString &profileUrl)
{
    QFile lock(OfficeLockFile::lockPathFor(document));
    QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lock.write(QStringLiteral("Иванова М.,clerk,pc12,09.12.2026 10:15,%1;").arg(profileUrl).toUtf8());
}

void TestSpreadsheetCalc::saveAsLeavesTemplateUntouched_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("envelope") << "Конверт 1.xls";
    QTest::newRow("notification back") << "уведомление 2.xls";
}

void TestSpreadsheetCalc::saveAsLeavesTemplateUntouched()
{
    QFETCH(QString, name);
    const QString path = templatePath(name);
    const QByteArray before = fileHash(path);
    const QDateTime modified = QFileInfo(path).lastModified();
    const QString copy = workingCopy();
    {
        ExcelApplication excel;
        ExcelWorkbook book = excel.Workbooks().Open(path);
        QVERIFY2(!QFile::exists(OfficeLockFile::lockPathFor(path)), "the template is never locked");
        book.SaveAs(copy);
        QCOMPARE(book.FullName(), copy);
        book.Worksheets(1).Range("A1").setValue("Иванов Иван Иванович");
        excel.setDisplayAlerts(false);
        excel.Quit();
    }
    QCOMPARE(fileHash(path), before);
    QCOMPARE(QFileInfo(path).lastModified(), modified);
    QVERIFY(!QFile::exists(OfficeLockFile::lockPathFor(path)));
    QVERIFY(!QFile::exists(OfficeLockFile::lockPathFor(copy)));

    // An Excel 97 file (OLE compound document), holding the template's
    // content: the filling came after the save and was never written.
    QFile written(copy);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.read(4), QByteArray("\xD0\xCF\x11\xE0", 4));
    ExcelApplication check;
    QCOMPARE(check.Workbooks().Open(copy).Worksheets(1).Range("A1").Value(), QVariant("Первый лист"));
    check.Quit();
}

void TestSpreadsheetCalc::cellValues_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("text") << QVariant("Иванов Иван Иванович") << QVariant("Иванов Иван Иванович");
    QTest::newRow("postal index keeps leading zeros") << QVariant("00123") << QVariant("00123");
    QTest::newRow("digits stay text") << QVariant("123456") << QVariant("123456");
    QTest::newRow("formula-looking text stays text") << QVariant("=1+2") << QVariant("=1+2");
    QTest::newRow("reference in brackets") << QVariant("[Дело 2-15/2026 исх 17]")
                                           << QVariant("[Дело 2-15/2026 исх 17]");
    QTest::newRow("weight in kilograms") << QVariant(0.02) << QVariant(0.02);
    QTest::newRow("whole number") << QVariant(7) << QVariant(7.0);
    QTest::newRow("largest outgoing number") << QVariant(2147483647) << QVariant(2147483647.0);
    QTest::newRow("negative") << QVariant(-12.5) << QVariant(-12.5);
    QTest::newRow("empty text") << QVariant("") << QVariant();
    QTest::newRow("null clears") << QVariant() << QVariant();
}

void TestSpreadsheetCalc::cellValues()
{
    QFETCH(QVariant, value);
    QFETCH(QVariant, expected);
    const QString copy = workingCopy();
    {
        ExcelApplication excel;
        ExcelWorkbook book = excel.Workbooks().Open(templatePath("Конверт 1.xls"));
        book.SaveAs(copy);
        ExcelRange cell = book.Worksheets(1).Range("A1"); // holds text before
        cell.setValue(value);
        QCOMPARE(cell.Value(), expected);
        QCOMPARE(cell.Value().metaType(), expected.metaType());
        book.Save();
        excel.Quit();
    }
    // What the clerk and the printer see is the .xls, so check it there too.
    ExcelApplication reread;
    const QVariant stored = reread.Workbooks().Open(copy).Worksheets(1).Range("A1").Value();
    QCOMPARE(stored, expected);
    QCOMPARE(stored.metaType(), expected.metaType());
    reread.Quit();
}

// What a block writes is read back from the register builder's workbooks;
// here only that a block must fit its range exactly, or nothing is written.
void TestSpreadsheetCalc::blockOfValues()
{
    ExcelApplication excel;
    ExcelWorkbook book = excel.Workbooks().Open(templatePath("Конверт 1.xls"));
    book.SaveAs(workingCopy());
    ExcelWorksheet sheet = book.Worksheets(1);
    const QList<QVariantList> rows{{1, QString("12-3")}, {0.0205, QVariant()}};
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError, sheet.Range("E9:F11").setValues(rows));
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError, sheet.Range("E9:E10").setValues(rows));
    QCOMPARE(sheet.Range("E9").Value(), QVariant());
    sheet.Range("E9:F10").setValues(rows);
    QCOMPARE(sheet.Range("F9").Value(), QVariant("12-3"));
    excel.Quit();
}

void TestSpreadsheetCalc::formulas_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QVariant>("result");
    QTest::newRow("register column total") << "G13" << "=SUM(G9:G12)" << QVariant(10.0);
    QTest::newRow("comma between arguments") << "H9" << "=SUM(G9:G10,G12)" << QVariant(7.0);
    QTest::newRow("text result") << "H10" << "=IF(G9>0,\"да\",\"нет\")" << QVariant("да");
    QTest::newRow("grand total over totals row") << "E14" << "=SUM(G9:G12)+G9" << QVariant(11.0);
}

void TestSpreadsheetCalc::formulas()
{
    QFETCH(QString, cell);
    QFETCH(QString, formula);
    QFETCH(QVariant, result);
    ExcelApplication excel;
    ExcelWorksheet sheet = excel.Workbooks().Open(templatePath("Конверт 1.xls")).Worksheets(1);
    sheet.Range(cell).setFormula(formula);
    QCOMPARE(sheet.Range(cell).Formula(), formula);
    QCOMPARE(sheet.Range(cell).Value(), result);
    // A cell without a formula gives its content as Excel does.
    QCOMPARE(sheet.Range("A1").Formula(), QStringLiteral("Первый лист"));
    excel.Quit();
}

void TestSpreadsheetCalc::refusesBrokenFormula()
{
    ExcelApplication excel;
    ExcelWorksheet sheet = excel.Workbooks().Open(templatePath("Конверт 1.xls")).Worksheets(1);
    for (const QString formula : {"=G9+", "=SUM(G9:G12))", "=СУММ(G9:G12)", "=SUM(G9;G12)"}) {
        try {
            sheet.Range("H9").setFormula(formula);
            QFAIL(qPrintable("accepted " + formula));
        } catch (const SpreadsheetError &e) {
            QCOMPARE(e.message(), QStringLiteral("Ошибка в формуле «%1».").arg(formula));
        }
    }
    // A calculation error is a result, not a refusal.
    sheet.Range("H9").setFormula("=1/0");
    QCOMPARE(sheet.Range("H9").Value(), QVariant("Err:532"));
    excel.Quit();
}

void TestSpreadsheetCalc::rowHeightAndColumnWidth_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<double>("height");
    QTest::addColumn<double>("width");
    QTest::newRow("notification moved down and right") << "A1" << 295.0 << 71.0;
    QTest::newRow("narrow column, low row") << "C5" << 9.75 << 2.5;
    QTest::newRow("block sets every row and column") << "B2:C3" << 30.0 << 12.0;
}

void TestSpreadsheetCalc::rowHeightAndColumnWidth()
{
    QFETCH(QString, cell);
    QFETCH(double, height);
    QFETCH(double, width);
    const QString copy = workingCopy();
    {
        ExcelApplication excel;
        ExcelWorkbook book = excel.Workbooks().Open(templatePath("уведомление 2.xls"));
        book.SaveAs(copy);
        ExcelWorksheet sheet = book.Worksheets(1);
        const double otherHeight = sheet.Range("A20").RowHeight();
        const double otherWidth = sheet.Range("Z1").ColumnWidth();
        sheet.Range(cell).setRowHeight(height);
        sheet.Range(cell).setColumnWidth(width);
        const ExcelRange last = sheet.Range(cell.section(':', -1));
        QCOMPARE(sheet.Range(cell).RowHeight(), height);
        QCOMPARE(sheet.Range(cell).ColumnWidth(), width);
        QCOMPARE(last.RowHeight(), height);
        QCOMPARE(last.ColumnWidth(), width);
        QCOMPARE(sheet.Range("A20").RowHeight(), otherHeight);
        QCOMPARE(sheet.Range("Z1").ColumnWidth(), otherWidth);
        book.Save();
        excel.Quit();
    }
    // Through the .xls, which stores Excel's units: the conversion must
    // agree with the office's own.
    ExcelApplication reread;
    ExcelWorksheet sheet = reread.Workbooks().Open(copy).Worksheets(1);
    QVERIFY2(qAbs(sheet.Range(cell).RowHeight() - height) <= 0.05,
             qPrintable(QString::number(sheet.Range(cell).RowHeight())));
    QVERIFY2(qAbs(sheet.Range(cell).ColumnWidth() - width) <= 0.05,
             qPrintable(QString::number(sheet.Range(cell).ColumnWidth())));
    reread.Quit();
}

void TestSpreadsheetCalc::pictureIsAnchoredAtSelectedCell()
{
    QImage barcode(200, 60, QImage::Format_RGB32);
    barcode.fill(Qt::white);
    QPainter painter(&barcode);
    for (int x = 10; x < 190; x += 6)
        painter.fillRect(x, 5, 3, 50, Qt::black);
    painter.end();
    QGuiApplication::clipboard()->setImage(barcode);

    const QString copy = workingCopy();
    {
        ExcelApplication excel;
        ExcelWorkbook book = excel.Workbooks().Open(templatePath("Конверт 1.xls"));
        book.SaveAs(copy);
        ExcelWorksheet sheet = book.Worksheets(1);
        sheet.Range("B13").Select();
        sheet.Paste();
        QList<ExcelShape> shapes = sheet.Shapes();
        QCOMPARE(shapes.size(), 1);
        QCOMPARE(shapes.at(0).TopLeftCell().Address(), QStringLiteral("$B$13"));
        // 200 × 60 pixels at 96 dpi.
        QVERIFY(qAbs(shapes.at(0).Width() - 150.0) < 1.0);
        QVERIFY(qAbs(shapes.at(0).Height() - 45.0) < 1.0);
        // Anchored to the cell, it moves down with it.
        sheet.Rows("9:9").EntireRow().Insert();
        QCOMPARE(sheet.Shapes().at(0).TopLeftCell().Address(), QStringLiteral("$B$14"));
        book.Save();
        excel.Quit();
    }
    ExcelApplication reread;
    const QList<ExcelShape> stored = reread.Workbooks().Open(copy).Worksheets(1).Shapes();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.at(0).TopLeftCell().Address(), QStringLiteral("$B$14"));
    reread.Quit();
}

void TestSpreadsheetCalc::pasteWithoutPicture()
{
    QGuiApplication::clipboard()->setText("не рисунок");
    ExcelApplication excel;
    ExcelWorksheet sheet = excel.Workbooks().Open(templatePath("Конверт 1.xls")).Worksheets(1);
    sheet.Range("B13").Select();
    try {
        sheet.Paste();
        QFAIL("pasted text as a picture");
    } catch (const SpreadsheetError &e) {
        QCOMPARE(e.message(), QStringLiteral("В буфере обмена нет рисунка для вставки."));
    }
    QCOMPARE(sheet.Shapes().size(), 0);
    excel.Quit();
}

void TestSpreadsheetCalc::insertedRowsPushRowsDown_data()
{
    QTest::addColumn<QString>("rows");
    QTest::addColumn<int>("times");
    QTest::addColumn<int>("shift");
    QTest::addColumn<QString>("totalCell");
    QTest::addColumn<QString>("totalFormula");
    // As the register builder does for n letters: n − 1 single insertions at row 9.
    QTest::newRow("one letter, nothing inserted") << "9:9" << 0 << 0 << "G13" << "=SUM(G9:G12)";
    QTest::newRow("three letters") << "9:9" << 2 << 2 << "G15" << "=SUM(G11:G14)";
    QTest::newRow("two rows at once") << "9:10" << 1 << 2 << "G15" << "=SUM(G11:G14)";
}

void TestSpreadsheetCalc::insertedRowsPushRowsDown()
{
    QFETCH(QString, rows);
    QFETCH(int, times);
    QFETCH(int, shift);
    QFETCH(QString, totalCell);
    ExcelApplication excel;
    ExcelWorksheet sheet = excel.Workbooks().Open(templatePath("Конверт 1.xls")).Worksheets(1);
    sheet.Range("G13").setFormula("=SUM(G9:G12)");
    for (int i = 0; i < times; ++i)
        sheet.Rows(rows).EntireRow().Insert();
    QCOMPARE(sheet.Range(QStringLiteral("A%1").arg(13 + shift)).Value(), QVariant("ИТОГО"));
    QCOMPARE(sheet.Range(QStringLiteral("G%1").arg(9 + shift)).Value(), QVariant(1.0));
    if (shift > 0)
        QCOMPARE(sheet.Range("G9").Value(), QVariant());
    QTEST(sheet.Range(totalCell).Formula(), "totalFormula");
    QCOMPARE(sheet.Range(totalCell).Value(), QVariant(10.0));
    excel.Quit();
}

void TestSpreadsheetCalc::printsEverySheetToPdf()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const QStringList before = pdfsIn(m_pdfDir);
    ExcelApplication excel;
    ExcelWorkbook book = excel.Workbooks().Open(templatePath("уведомление 2.xls"));
    book.SaveAs(workingCopy());
    ExcelWorksheet sheet = book.Worksheets(1);
    sheet.Range("D4").setValue("09.12.2026 (з/ув)");
    sheet.Range("L28").setValue("Украина, Киевская обл., г. Киев, ул. Крещатик, д. 1");
    book.PrintOut();
    book.PrintOut(); // printing again makes another file
    excel.setDisplayAlerts(false);
    excel.Quit();

    QStringList added = pdfsIn(m_pdfDir);
    for (const QString &old : before)
        added.removeAll(old);
    QCOMPARE(added.size(), 2);
    const QString text = pdfText(QDir(m_pdfDir).filePath(added.first()));
    QVERIFY2(text.contains("09.12.2026 (з/ув)"), qPrintable(text));
    QVERIFY(text.contains("Украина, Киевская обл., г. Киев, ул. Крещатик, д. 1"));
    QVERIFY2(text.contains("Первый лист") && text.contains("Второй лист"), "both sheets printed");
}

void TestSpreadsheetCalc::printWithoutPrinterFails()
{
    if (QFileInfo::exists("/run/cups/cups.sock") || QFileInfo::exists("/var/run/cups/cups.sock"))
        QSKIP("a print server runs here; the default printer may be real");
    if (!qEnvironmentVariableIsEmpty("COURTMAIL_PRINT_TO_PDF_DIR"))
        QSKIP("printing to PDF is forced by the environment");
    CalcOffice::setPrintToPdfDirectory(QString());
    auto restore = qScopeGuard([this] { CalcOffice::setPrintToPdfDirectory(m_pdfDir); });
    {
        ExcelApplication excel;
        ExcelWorkbook book = excel.Workbooks().Open(templatePath("Конверт 1.xls"));
        try {
            book.PrintOut();
            QFAIL("printed without a printer");
        } catch (const SpreadsheetError &e) {
            QCOMPARE(e.message(),
                     QStringLiteral("Не удалось напечатать книгу на принтере по умолчанию.\n"
                                    "Принтер по умолчанию не настроен или не принял задание печати."));
        }
        excel.Quit();
    }
    // The failure leaves the program able to print again.
    CalcOffice::setPrintToPdfDirectory(m_pdfDir);
    ExcelApplication next;
    next.Workbooks().Open(templatePath("Конверт 1.xls")).PrintOut();
    next.Quit();
}

void TestSpreadsheetCalc::quitDiscardsWithoutQuestion()
{
    const QString copy = workingCopy();
    ExcelApplication excel;
    ExcelWorkbook book = excel.Workbooks().Open(templatePath("Конверт 1.xls"));
    book.SaveAs(copy);
    const QByteArray saved = fileHash(copy);
    book.Worksheets(1).Range("H9").setValue("не сохранять");
    QVERIFY(!book.Saved());
    excel.setDisplayAlerts(false);
    excel.Quit();

    QCOMPARE(excel.Workbooks().Count(), 0);
    try {
        book.Worksheets(1);
        QFAIL("closed workbook still answered");
    } catch (const SpreadsheetError &e) {
        QCOMPARE(e.message(), QStringLiteral("Книга «%1» уже закрыта.").arg(QFileInfo(copy).fileName()));
    }
    QCOMPARE(fileHash(copy), saved);
    QVERIFY(!QFile::exists(OfficeLockFile::lockPathFor(copy)));
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError, excel.Workbooks().Open(copy));
}

void TestSpreadsheetCalc::instancesShareOneOffice()
{
    ExcelApplication first;
    ExcelWorkbook a = first.Workbooks().Open(templatePath("Конверт 1.xls"));
    const qint64 office = CalcOffice::processId();
    QVERIFY(office > 0);
    {
        ExcelApplication second;
        ExcelWorkbook b = second.Workbooks().Open(templatePath("Конверт 1.xls"));
        QCOMPARE(CalcOffice::processId(), office);
        // One file, two instances, two workbooks.
        b.Worksheets(1).Range("A1").setValue("второй");
        QCOMPARE(a.Worksheets(1).Range("A1").Value(), QVariant("Первый лист"));
        second.Quit();
    }
    QCOMPARE(a.Worksheets(1).Range("A1").Value(), QVariant("Первый лист"));
    QCOMPARE(first.Workbooks().Count(), 1);
    first.Quit();
    QCOMPARE(CalcOffice::processId(), office);
}

void TestSpreadsheetCalc::visibleWorkbookIsHandedToClerk_data()
{
    QTest::addColumn<bool>("workingCopy");
    QTest::addColumn<bool>("visibleFirst");
    // The notification front: the template itself, unchanged.
    QTest::newRow("template itself") << false << true;
    // Envelope with the edit box ticked: visible before the filling.
    QTest::newRow("filled copy, visible first") << true << true;
    // The register: made visible after the filling.
    QTest::newRow("filled copy, visible last") << true << false;
}

void TestSpreadsheetCalc::visibleWorkbookIsHandedToClerk()
{
    QFETCH(bool, workingCopy);
    QFETCH(bool, visibleFirst);
    const QString templ = templatePath("уведомление 2.xls");
    const QByteArray before = fileHash(templ);
    const QString copy = this->workingCopy();
    {
        ExcelApplication excel;
        excel.setVisible(false);
        excel.setDisplayAlerts(false);
        ExcelWorkbook book = excel.Workbooks().Open(templ);
        if (visibleFirst)
            excel.setVisible(true);
        if (workingCopy) {
            book.SaveAs(copy);
            book.Worksheets(1).Range("A3").setValue("от 09.12.2026");
        }
        excel.setVisible(true);
    } // let go
    QCOMPARE(m_shown, QStringList{workingCopy ? copy : templ});
    QCOMPARE(fileHash(templ), before);
    QVERIFY2(!QFile::exists(OfficeLockFile::lockPathFor(m_shown.at(0))),
             "our office let go of the file");
    if (workingCopy) {
        ExcelApplication check;
        QCOMPARE(check.Workbooks().Open(copy).Worksheets(1).Range("A3").Value(),
                 QVariant("от 09.12.2026"));
        check.Quit();
    }
}

void TestSpreadsheetCalc::failedActionIsNeverShown_data()
{
    QTest::addColumn<bool>("throwOther");
    QTest::newRow("a step of ours failed") << false;
    QTest::newRow("the caller threw") << true;
}

void TestSpreadsheetCalc::failedActionIsNeverShown()
{
    QFETCH(bool, throwOther);
    const QString copy = workingCopy();
    try {
        ExcelApplication excel;
        excel.setVisible(true);
        ExcelWorkbook book = excel.Workbooks().Open(templatePath("Конверт 1.xls"));
        book.SaveAs(copy);
        book.Worksheets(1).Range("H9").setValue("наполовину");
        if (throwOther)
            throw std::runtime_error("barcode library missing");
        try {
            book.Worksheets(1).Range("H0").setValue("x");
        } catch (const SpreadsheetError &) {
            // Shown by the caller; the instance still goes out of scope normally.
        }
    } catch (const std::runtime_error &) {
    }
    QVERIFY(m_shown.isEmpty());
    QVERIFY2(!QFile::exists(OfficeLockFile::lockPathFor(copy)), "nothing left open");
}

void TestSpreadsheetCalc::openErrors_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << "Конверт 9.xls" << false
                                  << "Не найден файл книги «%1».";
    QTest::newRow("a folder") << "" << false << "«%1» — не файл книги.";
    QTest::newRow("open elsewhere for editing")
        << "уведомление 2.xls" << true
        << "Файл «уведомление 2.xls» уже открыт для редактирования: Иванова М. на компьютере pc12 "
           "с 09.12.2026 10:15.";
}

void TestSpreadsheetCalc::openErrors()
{
    QFETCH(QString, file);
    QFETCH(bool, locked);
    QFETCH(QString, message);
    const QString path = file.isEmpty() ? m_dir.filePath("templates") : templatePath(file);
    if (locked)
        writeLock(path, QUrl::fromLocalFile(m_dir.path()).toString());
    auto unlock = qScopeGuard([&] { QFile::remove(OfficeLockFile::lockPathFor(path)); });
    ExcelApplication excel;
    try {
        excel.Workbooks().Open(path, ExcelWorkbooks::OpenForEditing);
        QFAIL("opened");
    } catch (const SpreadsheetError &e) {
        QCOMPARE(e.message(), message.contains("%1") ? message.arg(path) : message);
    }
    QCOMPARE(excel.Workbooks().Count(), 0);
}

void TestSpreadsheetCalc::copyOpensDespiteLock()
{
    // Printing must work while the clerk has the template open for editing.
    const QString path = templatePath("уведомление 2.xls");
    writeLock(path, QUrl::fromLocalFile(m_dir.path()).toString());
    auto unlock = qScopeGuard([&] { QFile::remove(OfficeLockFile::lockPathFor(path)); });
    const QByteArray lockBefore = fileHash(OfficeLockFile::lockPathFor(path));
    ExcelApplication excel;
    ExcelWorkbook book = excel.Workbooks().Open(path);
    QCOMPARE(book.Worksheets(1).Range("A1").Value(), QVariant("Первый лист"));
    excel.Quit();
    QCOMPARE(fileHash(OfficeLockFile::lockPathFor(path)), lockBefore);
}

void TestSpreadsheetCalc::staleLockIsCleared()
{
    const QString path = m_dir.filePath("tovra_znp_stale.xls");
    QVERIFY(QFile::copy(templatePath("Конверт 1.xls"), path));
    writeLock(path, QUrl::fromLocalFile(m_dir.filePath("crashed-office-profile")).toString());
    ExcelApplication excel;
    ExcelWorkbook book = excel.Workbooks().Open(path, ExcelWorkbooks::OpenForEditing);
    book.Worksheets(1).Range("A2").setValue("сохранено");
    book.Save();
    excel.Quit();
    QVERIFY(!QFile::exists(OfficeLockFile::lockPathFor(path)));
    ExcelApplication check;
    QCOMPARE(check.Workbooks().Open(path).Worksheets(1).Range("A2").Value(), QVariant("сохранено"));
    check.Quit();
}

void TestSpreadsheetCalc::officeEndsWithProgram_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("program exits") << "exit";
    QTest::newRow("program crashes") << "crash";
}

void TestSpreadsheetCalc::officeEndsWithProgram()
{
    QFETCH(QString, mode);
    const QString pdfDir = m_dir.filePath("child-" + mode);
    QProcess child;
    child.start(QStringLiteral(SPREADSHEET_CHILD), {mode, templatePath("Конверт 1.xls"), pdfDir});
    QVERIFY(child.waitForFinished(120000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    QVERIFY2(!out.contains("ERROR"), qPrintable(out));
    const qint64 office = out.section("PID ", 1).section('\n', 0, 0).toLongLong();
    const QString profile = out.section("PROFILE ", 1).section('\n', 0, 0);
    QVERIFY2(office > 0 && !profile.isEmpty(), qPrintable(out));
    QCOMPARE(pdfsIn(pdfDir).size(), 1);

    QVERIFY2(eventually([&] { return processGone(office); }), "office outlived the program");
    QVERIFY2(eventually([&] { return processesMentioning(profile).isEmpty(); }),
             "a process still uses the program's office profile");
    if (mode == "exit") {
        QVERIFY2(!QFileInfo::exists(profile), "profile removed at exit");
    } else {
        // Left by the crash; the next program run clears it.
        QVERIFY(QFileInfo::exists(profile));
        OfficeProcess::removeStaleProfiles();
        QVERIFY(!QFileInfo::exists(profile));
    }
}

void TestSpreadsheetCalc::deadOfficeIsReplaced()
{
    ExcelApplication excel;
    ExcelWorkbook book = excel.Workbooks().Open(templatePath("Конверт 1.xls"));
    const qint64 office = CalcOffice::processId();
    QVERIFY(office > 0);
    QVERIFY(::kill(pid_t(office), SIGKILL) == 0);
    QVERIFY(eventually([&] { return processGone(office) || CalcOffice::processId() != office; }));
    try {
        book.Worksheets(1).Range("A1").setValue("x");
        QFAIL("wrote into a dead office");
    } catch (const SpreadsheetError &e) {
        QVERIFY2(e.message().contains("LibreOffice Calc"), qPrintable(e.message()));
    }
    // The next action starts a new office.
    ExcelApplication next;
    QCOMPARE(next.Workbooks().Open(templatePath("Конверт 1.xls")).Worksheets(1).Range("A1").Value(),
             QVariant("Первый лист"));
    QVERIFY(CalcOffice::processId() != office);
    next.Quit();
}

void TestSpreadsheetCalc::visibleOfficeOutlivesProgram()
{
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty())
        QSKIP("Xvfb is not installed");
    QProcess server;
    server.start(xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    QVERIFY(server.waitForStarted());
    auto stopServer = qScopeGuard([&] {
        server.terminate();
        server.waitForFinished(10000);
    });
    QVERIFY(eventually([&] {
        server.waitForReadyRead(50);
        return server.canReadLine() || server.state() != QProcess::Running;
    }));
    const QString display = QString::fromLatin1(server.readLine()).trimmed();
    QVERIFY2(!display.isEmpty(), "Xvfb gave no display number");

    QTemporaryDir home; // the clerk's own office profile goes there
    const QString folder = m_dir.filePath("shown");
    QVERIFY(QDir().mkpath(folder));
    const QString copy = QDir(folder).filePath("tovra_znp_1.xls");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", ":" + display);
    env.insert("HOME", home.path());
    env.remove("XDG_CONFIG_HOME");
    child.setProcessEnvironment(env);
    child.start(QStringLiteral(SPREADSHEET_CHILD), {"show", templatePath("Конверт 1.xls"), folder});
    QVERIFY(child.waitForFinished(120000));
    QCOMPARE(child.exitCode(), 0);
    auto stopOffice = qScopeGuard([&] {
        for (qint64 pid : processesMentioning(copy))
            ::kill(pid_t(pid), SIGKILL);
    });

    // The program has ended; an office on the display now holds the copy
    // open for editing, and it is none of the program's headless ones.
    // A desktop office on a fresh profile starts twice and builds the
    // profile first: on a busy machine that takes a while.
    QVERIFY2(eventually([&] { return QFile::exists(OfficeLockFile::lockPathFor(copy)); }, 60000),
             "no office opened the working copy");
    const QList<qint64> offices = processesMentioning(copy);
    QVERIFY(!offices.isEmpty());
    for (qint64 pid : offices) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        QVERIFY(cmdline.open(QIODevice::ReadOnly));
        QVERIFY(!cmdline.readAll().contains("--headless"));
    }
}

QTEST_MAIN(TestSpreadsheetCalc)
#include "tst_spreadsheet_calc.moc"
