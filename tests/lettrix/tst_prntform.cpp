// The printing window against the real LibreOffice and the real templates:
// what each button prints, what it leaves to the clerk, and how a failing
// print is abandoned. One office serves all cases.

#include "currentletter.h"
#include "printmaps.h"
#include "prntform.h"

#include "check.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "spreadsheet/calcoffice.h"
#include "spreadsheet/excelapplication.h"
#include "ui/msgbox.h"
#include "ui/msgboxrecorder.h"
#include "xpb.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <csignal>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kEnvelope1 = QStringLiteral("Конверт 1 (DL 110x220).xls");
const QString kEnvelope2 = QStringLiteral("Конверт 2 (C5 162x229).xls");

QString runTool(const QString &tool, const QStringList &arguments)
{
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(60000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// pdftotext's words with every run of white space made one blank, so that a
// text is found whatever the columns between its words.
QString pdfText(const QString &pdf)
{
    return runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).simplified();
}

// Top-left corners, in millimetres from the page's top left, of the words
// "УВЕДОМЛЕНИЕ" on a printed page: the title at the top left of each card,
// front and back alike.
QList<QPointF> titleCorners(const QString &pdf)
{
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>УВЕДОМЛЕНИЕ</word>"));
    constexpr double MmPerPoint = 25.4 / 72;
    QList<QPointF> corners;
    const QString xml = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    for (auto it = word.globalMatch(xml); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        corners << QPointF(m.captured(1).toDouble() * MmPerPoint, m.captured(2).toDouble() * MmPerPoint);
    }
    return corners;
}

int pdfImageCount(const QString &pdf)
{
    // Two heading lines, then one line per image.
    const QStringList lines = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return qMax(0, int(lines.size()) - 2);
}

const QString kRecipient = QStringLiteral("Петренко Иван Сергеевич");

QString ukrainianAddress()
{
    return QStringList{QStringLiteral("01001"), QStringLiteral("УКРАИНА"),
                       QStringLiteral("Киевская обл."), QStringLiteral("г. Киев"),
                       QStringLiteral("ул. Крещатик"), QStringLiteral("д. 22")}
        .join(kCrLf);
}

void writeEmptyFile(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

} // namespace

class TestPrntForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void envelopeList_data();
    void envelopeList();
    void templatesLeaveFilledCellsEmpty();
    void envelopePrints_data();
    void envelopePrints();
    void envelopeWithBarcodeCarriesPicture();
    void notificationBackPrints_data();
    void notificationBackPrints();
    void frontPrintsUnchanged();
    void backMeetsItsFrontCard();
    void tickedBoxHandsWorkbookToClerk_data();
    void tickedBoxHandsWorkbookToClerk();
    void failedPrintIsReported_data();
    void failedPrintIsReported();
    void closeButtonClosesWindow();
    void officeStartedAheadAndReplaced();

private:
    // A window over the program folder; shown, so that clicks reach it.
    std::unique_ptr<PrntForm> openForm();
    void click(PrntForm &form, const QString &button);
    // The PDFs that appeared since init().
    QStringList newPdfs() const;
    void saveShot(const QString &pdf, const QString &name);

    QTemporaryDir m_dir;
    QString m_programFolder;
    QString m_pdfDir;
    QString m_tempDir;
    QStringList m_shown;
    QStringList m_pdfsBefore;
};

void TestPrntForm::initTestCase()
{
    QVERIFY(m_dir.isValid());
    Regional::pin(QLocale(QLocale::Russian, QLocale::Russia));
    m_programFolder = qEnvironmentVariable("COURTMAIL_PROGRAM_DIR");
    QVERIFY2(QFileInfo::exists(m_programFolder + QStringLiteral("/templates/") + kEnvelope1),
             "the workbook templates are not built");
    m_pdfDir = m_dir.filePath(QStringLiteral("pdf"));
    m_tempDir = m_dir.filePath(QStringLiteral("temp"));
    QVERIFY(QDir().mkpath(m_pdfDir));
    QVERIFY(QDir().mkpath(m_tempDir));
    // Working copies go to the Temp folder; keep them inside the test's own.
    qputenv("TMPDIR", QFile::encodeName(m_tempDir));
    QCOMPARE(TempFolder(), m_tempDir);
    CalcOffice::setPrintToPdfDirectory(m_pdfDir);
    CalcOffice::setHandOverHandler([this](const QStringList &files) { m_shown += files; });
}

void TestPrntForm::init()
{
    setProgramFolder(m_programFolder);
    ItemId = 16;
    ItemNumber = QStringLiteral("17");
    ItemDate = QDateTime(QDate(2024, 3, 5), QTime(14, 30, 0));
    ItemRecipient = kRecipient;
    ItemAddress = ukrainianAddress();
    ItemNotes = QStringLiteral("дело 2-315/2024");
    ItemType = 2;
    ItemBarcode = QStringLiteral("Null");
    ItemCreator = QStringLiteral("clerk");
    ItemFlag = 1;
    m_shown.clear();
    m_pdfsBefore = QDir(m_pdfDir).entryList({QStringLiteral("*.pdf")}, QDir::Files);
}

void TestPrntForm::cleanup()
{
    setProgramFolder(m_programFolder);
}

std::unique_ptr<PrntForm> TestPrntForm::openForm()
{
    auto form = std::make_unique<PrntForm>();
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    return form;
}

void TestPrntForm::click(PrntForm &form, const QString &button)
{
    auto *target = form.findChild<XpB *>(button);
    QVERIFY2(target, qPrintable(button));
    QTest::mouseClick(target, Qt::LeftButton);
}

QStringList TestPrntForm::newPdfs() const
{
    QStringList found;
    for (const QString &name : QDir(m_pdfDir).entryList({QStringLiteral("*.pdf")}, QDir::Files)) {
        if (!m_pdfsBefore.contains(name))
            found << QDir(m_pdfDir).filePath(name);
    }
    return found;
}

// Renders a printed page for a person to look at; only when asked, since a
// test must not write outside its own folders.
void TestPrntForm::saveShot(const QString &pdf, const QString &name)
{
    const QString dir = qEnvironmentVariable("COURTMAIL_SHOTS_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"),
                                         QStringLiteral("60"), QStringLiteral("-singlefile"), pdf,
                                         QDir(dir).filePath(name)});
}

void TestPrntForm::envelopeList_data()
{
    QTest::addColumn<QStringList>("files");     // empty: the real templates folder
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("the two shipped layouts, first selected")
        << QStringList{} << QStringList{kEnvelope1, kEnvelope2};
    QTest::newRow("sorted by name, other workbooks left out")
        << QStringList{QStringLiteral("Конверт Б.xls"), QStringLiteral("уведомление 1.xls"),
                       QStringLiteral("Конверт А.xls"), QStringLiteral("Журнал.xls"),
                       QStringLiteral("Конверт В.ods")}
        << QStringList{QStringLiteral("Конверт А.xls"), QStringLiteral("Конверт Б.xls")};
    QTest::newRow("no envelope layout: empty, nothing selected")
        << QStringList{QStringLiteral("уведомление 2.xls")} << QStringList{};
}

void TestPrntForm::envelopeList()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, expected);

    QTemporaryDir folder;
    if (!files.isEmpty()) {
        QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("templates"))));
        for (const QString &name : files)
            writeEmptyFile(folder.filePath(QStringLiteral("templates/") + name));
        setProgramFolder(folder.path());
    }
    PrntForm form;
    auto *combo = form.findChild<QComboBox *>(QStringLiteral("Combo1"));
    QVERIFY(combo);
    QStringList listed;
    for (int i = 0; i < combo->count(); ++i)
        listed << combo->itemText(i);
    QCOMPARE(listed, expected);
    QCOMPARE(combo->currentIndex(), expected.isEmpty() ? -1 : 0);
    QCOMPARE(combo->currentText(), expected.value(0));
    QCOMPARE(form.windowTitle(), QStringLiteral("Печать"));
    auto *check = form.findChild<Check *>(QStringLiteral("Check1"));
    QVERIFY(check);
    QVERIFY(!check->Value());
}

// A label in a cell the program fills would be overwritten, or lend the
// filling its style: every cell the fullest letter fills is empty.
void TestPrntForm::templatesLeaveFilledCellsEmpty()
{
    CurrentLetter letter;
    letter.ItemRecipient = QStringLiteral("Общество с ограниченной ответственностью «Ромашка»");
    // Five lines after the index, the last two too long to be joined.
    letter.ItemAddress = ukrainianAddress()
                             .replace(QStringLiteral("г. Киев"), QStringLiteral("Броварской р-н\r\nпгт. Калиновка"))
                             .replace(QStringLiteral("д. 22"), QStringLiteral("д. 22, корп. 3, кв. 145"));
    letter.ItemNumber = QStringLiteral("17");
    letter.ItemBarcode = QStringLiteral("1234567890123");
    ExcelApplication excel;
    for (const QString &workbook : {kEnvelope1, kEnvelope2, QStringLiteral("уведомление 2.xls")}) {
        const SheetPlan plan = workbook.startsWith(QLatin1String("Конверт"))
            ? EnvelopePlan(letter)
            : NotificationBackPlan(letter, 0, QStringLiteral("05.03.2024 14:30:00"));
        ExcelWorksheet sheet =
            excel.Workbooks().Open(m_programFolder + QStringLiteral("/templates/") + workbook).Worksheets(1);
        for (const CellWrite &write : plan.cells) {
            const QString there = sheet.Range(write.cell).Value().toString();
            QVERIFY2(there.isEmpty(), qPrintable(workbook + QLatin1Char(' ') + write.cell + QStringLiteral(": ") + there));
        }
    }
    excel.Quit();
}

void TestPrntForm::envelopePrints_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("expectedTexts");
    QTest::addColumn<bool>("country");
    QTest::addColumn<double>("bottomMarginMm");

    QTest::newRow("five-digit index gets the country")
        << 0 << ukrainianAddress() << QStringList{QStringLiteral("01001"), QStringLiteral("Киевская обл."),
                                                  QStringLiteral("ул. Крещатик, д. 22")}
        << true << 5.0;
    QTest::newRow("six-digit index, other layout, no country")
        << 1
        << QStringList{QStringLiteral("603000"), QStringLiteral("Нижегородская обл."),
                       QStringLiteral("г. Нижний Новгород"), QStringLiteral("ул. Большая Покровская"),
                       QStringLiteral("д. 12, кв. 5")}
               .join(kCrLf)
        << QStringList{QStringLiteral("603000"), QStringLiteral("г. Нижний Новгород"),
                       QStringLiteral("ул. Большая Покровская")}
        << false << 8.0;
}

void TestPrntForm::envelopePrints()
{
    QFETCH(int, layout);
    QFETCH(QString, address);
    QFETCH(QStringList, expectedTexts);
    QFETCH(bool, country);
    QFETCH(double, bottomMarginMm);

    ItemAddress = address;
    ItemBarcode = QStringLiteral("1234567890123");
    MsgBoxRecorder boxes;
    auto form = openForm();
    QVERIFY(form);
    form->findChild<QComboBox *>(QStringLiteral("Combo1"))->setCurrentIndex(layout);
    click(*form, QStringLiteral("XpB2"));

    QCOMPARE(boxes.count(), 0);
    const QStringList pdfs = newPdfs();
    QCOMPARE(pdfs.size(), 1);
    QVERIFY(m_shown.isEmpty());
    const QString text = pdfText(pdfs.first());
    QVERIFY2(text.contains(ItemRecipient), qPrintable(text));
    for (const QString &expected : expectedTexts)
        QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" in: ") + text));
    QCOMPARE(text.contains(QStringLiteral("УКРАИНА")), country);
    if (layout == 0)
        saveShot(pdfs.first(), QStringLiteral("envelope"));

    // The barcode at B13 prints whole, its digits readable and above the
    // page's bottom margin: below the middle and left of the address labels
    // there is nothing but bars, a gap, the digits.
    const QString png = m_dir.filePath(QStringLiteral("barcode-page"));
    runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-gray"), QStringLiteral("-png"), QStringLiteral("-r"),
                                         QStringLiteral("300"), QStringLiteral("-singlefile"), pdfs.first(), png});
    const QImage page(png + QStringLiteral(".png"));
    QVERIFY(!page.isNull());
    QList<QPair<int, int>> bands;
    for (int y = page.height() / 2; y < page.height(); ++y) {
        bool dark = false;
        for (int x = 0; x < page.width() * 7 / 20 && !dark; ++x)
            dark = qGray(page.pixel(x, y)) < 128;
        if (dark && !bands.isEmpty() && bands.last().second == y - 1)
            bands.last().second = y;
        else if (dark)
            bands.append({y, y});
    }
    QCOMPARE(bands.size(), 2);
    constexpr double MmPerPixel = 25.4 / 300;
    const double digitsMm = (bands.last().second - bands.last().first + 1) * MmPerPixel;
    QVERIFY2(digitsMm >= 2.5, qPrintable(QString::number(digitsMm)));
    QVERIFY((page.height() - 1 - bands.last().second) * MmPerPixel >= bottomMarginMm);
}

void TestPrntForm::envelopeWithBarcodeCarriesPicture()
{
    MsgBoxRecorder boxes;
    auto form = openForm();
    QVERIFY(form);

    click(*form, QStringLiteral("XpB2"));
    QCOMPARE(boxes.count(), 0);
    QStringList pdfs = newPdfs();
    QCOMPARE(pdfs.size(), 1);
    const int imagesWithout = pdfImageCount(pdfs.first());

    m_pdfsBefore << QFileInfo(pdfs.first()).fileName();
    ItemBarcode = QStringLiteral("1234567890123");
    click(*form, QStringLiteral("XpB2"));
    QCOMPARE(boxes.count(), 0);
    pdfs = newPdfs();
    QCOMPARE(pdfs.size(), 1);
    QCOMPARE(pdfImageCount(pdfs.first()), imagesWithout + 1);
    saveShot(pdfs.first(), QStringLiteral("envelope-barcode"));

    // A 13-character code the barcode cannot draw abandons the whole print.
    m_pdfsBefore << QFileInfo(pdfs.first()).fileName();
    ItemBarcode = QStringLiteral("12345678901AB");
    click(*form, QStringLiteral("XpB2"));
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().title, QStringLiteral("Ошибка"));
    QCOMPARE(boxes.last().icon(), vbCritical);
    QVERIFY(!boxes.last().prompt.isEmpty());
    QVERIFY(newPdfs().isEmpty());
}

void TestPrntForm::notificationBackPrints_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("reference");

    QTest::newRow("position 0, registered, number 17")
        << 0 << 2 << QStringLiteral("17") << QStringLiteral("05.03.2024 (з/ув)")
        << QStringLiteral("[дело 2-315/2024 исх 17]");
    QTest::newRow("position 3, simple letter, one-digit number")
        << 3 << 1 << QStringLiteral("7") << QStringLiteral("05.03.2024")
        << QStringLiteral("[дело 2-315/2024]");
}

void TestPrntForm::notificationBackPrints()
{
    QFETCH(int, position);
    QFETCH(int, type);
    QFETCH(QString, number);
    QFETCH(QString, date);
    QFETCH(QString, reference);

    ItemType = type;
    ItemNumber = number;
    MsgBoxRecorder boxes;
    auto form = openForm();
    QVERIFY(form);
    click(*form, QStringLiteral("uob_%1").arg(position));

    QCOMPARE(boxes.count(), 0);
    const QStringList pdfs = newPdfs();
    QCOMPARE(pdfs.size(), 1);
    const QString text = pdfText(pdfs.first());
    for (const QString &expected : {ItemRecipient, reference, date,
                                    QStringLiteral("Украина, Киевская обл., г. Киев")}) {
        QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" in: ") + text));
    }
    if (type == 1)
        QVERIFY(!text.contains(QStringLiteral("(з/ув)")));
    if (position == 0)
        saveShot(pdfs.first(), QStringLiteral("notification-back"));
    else
        saveShot(pdfs.first(), QStringLiteral("notification-back-%1").arg(position));
}

void TestPrntForm::frontPrintsUnchanged()
{
    const QStringList copiesBefore = QDir(m_tempDir).entryList({QStringLiteral("*.xls")}, QDir::Files);
    MsgBoxRecorder boxes;
    auto form = openForm();
    QVERIFY(form);
    click(*form, QStringLiteral("ulic_0"));

    QCOMPARE(boxes.count(), 0);
    const QStringList pdfs = newPdfs();
    QCOMPARE(pdfs.size(), 1);
    const QString text = pdfText(pdfs.first());
    QVERIFY(!text.isEmpty());
    QVERIFY(!text.contains(ItemRecipient));
    // The front is printed from the template itself: no working copy.
    QCOMPARE(QDir(m_tempDir).entryList({QStringLiteral("*.xls")}, QDir::Files), copiesBefore);
    saveShot(pdfs.first(), QStringLiteral("notification-front"));
}

// Printed on the back of the fronts' sheet, each position lies on its card.
void TestPrntForm::backMeetsItsFrontCard()
{
    auto form = openForm();
    QVERIFY(form);
    click(*form, QStringLiteral("ulic_0"));
    QCOMPARE(newPdfs().size(), 1);
    QList<QPointF> front = titleCorners(newPdfs().first());
    QCOMPARE(front.size(), 4);
    std::sort(front.begin(), front.end(), [](const QPointF &a, const QPointF &b) {
        return qAbs(a.y() - b.y()) > 20 ? a.y() < b.y() : a.x() < b.x();
    });
    // The front's cards in reading order: positions fill the left column first.
    const int cardOf[] = {0, 2, 1, 3};
    for (int position = 0; position < 4; ++position) {
        m_pdfsBefore << QFileInfo(newPdfs().first()).fileName();
        click(*form, QStringLiteral("uob_%1").arg(position));
        QCOMPARE(newPdfs().size(), 1);
        const QList<QPointF> back = titleCorners(newPdfs().first());
        QCOMPARE(back.size(), 1);
        const QPointF offset = back.first() - front.at(cardOf[position]);
        QVERIFY2(qAbs(offset.x()) <= 2.0 && qAbs(offset.y()) <= 2.0,
                 qPrintable(QStringLiteral("position %1: %2 mm across, %3 mm down").arg(position).arg(offset.x()).arg(offset.y())));
    }
}

void TestPrntForm::tickedBoxHandsWorkbookToClerk_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("value");

    QTest::newRow("envelope: filled working copy") << QStringLiteral("XpB2")
                                                   << QStringLiteral("H9") << kRecipient;
    QTest::newRow("notification back: filled working copy")
        << QStringLiteral("uob_2") << QStringLiteral("AC16") << kRecipient;
    // Never the template itself: saving it would change every later front.
    QTest::newRow("notification front: a working copy") << QStringLiteral("ulic_0")
                                                        << QStringLiteral("B2")
                                                        << QStringLiteral("УВЕДОМЛЕНИЕ");
}

void TestPrntForm::tickedBoxHandsWorkbookToClerk()
{
    QFETCH(QString, button);
    QFETCH(QString, cell);
    QFETCH(QString, value);

    MsgBoxRecorder boxes;
    auto form = openForm();
    QVERIFY(form);
    auto *check = form->findChild<Check *>(QStringLiteral("Check1"));
    QTest::mouseClick(check, Qt::LeftButton);
    QVERIFY(check->Value());
    click(*form, button);

    QCOMPARE(boxes.count(), 0);
    QVERIFY(newPdfs().isEmpty());
    QCOMPARE(m_shown.size(), 1);
    const QString shown = m_shown.first();
    QCOMPARE(QFileInfo(shown).absolutePath(), QFileInfo(m_tempDir).absoluteFilePath());
    // Names and addresses in a shared Temp folder: the owner's alone.
    QCOMPARE(QFileInfo(shown).permissions(),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                 | QFileDevice::WriteUser);
    QVERIFY2(QRegularExpression(QStringLiteral("^tovra_znp_(0|[1-9][0-9]{0,5})\\.xls$"))
                 .match(QFileInfo(shown).fileName())
                 .hasMatch(),
             qPrintable(shown));
    // What the clerk gets is the filled copy.
    ExcelApplication excel;
    ExcelWorkbook book = excel.Workbooks().Open(shown);
    QCOMPARE(book.Worksheets(1).Range(cell).Value().toString(), value);
    excel.Quit();
    // The box keeps its state for the next print while the window is open.
    QVERIFY(check->Value());
}

void TestPrntForm::failedPrintIsReported_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("promptPart");

    QTest::newRow("empty envelope list") << QStringLiteral("no templates") << QStringLiteral("XpB2")
                                         << QStringLiteral("Конверт*.xls");
    QTest::newRow("typed name that is no file") << QStringLiteral("typed") << QStringLiteral("XpB2")
                                                << QStringLiteral("Конверт 9.xls");
    QTest::newRow("front template missing") << QStringLiteral("no templates")
                                            << QStringLiteral("ulic_0")
                                            << QStringLiteral("уведомление 1.xls");
    QTest::newRow("back template missing") << QStringLiteral("no templates")
                                           << QStringLiteral("uob_1")
                                           << QStringLiteral("уведомление 2.xls");
    QTest::newRow("printing fails") << QStringLiteral("print fails") << QStringLiteral("uob_0")
                                    << QString();
    // Refused, never imported as text or in part.
    QTest::newRow("back template cut in half") << QStringLiteral("damaged") << QStringLiteral("uob_2")
                                               << QStringLiteral("уведомление 2.xls");
}

void TestPrntForm::failedPrintIsReported()
{
    QFETCH(QString, setup);
    QFETCH(QString, button);
    QFETCH(QString, promptPart);

    QTemporaryDir folder;
    QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("templates"))));
    if (setup == QLatin1String("no templates")) {
        setProgramFolder(folder.path());
    } else if (setup == QLatin1String("damaged")) {
        QFile real(m_programFolder + QStringLiteral("/templates/") + promptPart);
        QFile damaged(folder.filePath(QStringLiteral("templates/") + promptPart));
        QVERIFY(real.open(QIODevice::ReadOnly) && damaged.open(QIODevice::WriteOnly));
        damaged.write(real.read(real.size() / 2));
        setProgramFolder(folder.path());
    } else if (setup == QLatin1String("print fails")) {
        // A print folder below a plain file can never be written.
        writeEmptyFile(folder.filePath(QStringLiteral("plain")));
        CalcOffice::setPrintToPdfDirectory(folder.filePath(QStringLiteral("plain/pdf")));
    }
    const auto restorePrinting = qScopeGuard([this] { CalcOffice::setPrintToPdfDirectory(m_pdfDir); });
    const QStringList copiesBefore =
        QDir(m_tempDir).entryList({QStringLiteral("tovra_znp_*.xls")}, QDir::Files);

    MsgBoxRecorder boxes;
    auto form = openForm();
    QVERIFY(form);
    auto *combo = form->findChild<QComboBox *>(QStringLiteral("Combo1"));
    if (setup == QLatin1String("typed"))
        combo->setEditText(QStringLiteral("Конверт 9.xls"));
    click(*form, button);

    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().title, QStringLiteral("Ошибка"));
    QCOMPARE(boxes.last().icon(), vbCritical);
    QVERIFY(!boxes.last().prompt.isEmpty());
    QVERIFY2(boxes.last().prompt.contains(promptPart), qPrintable(boxes.last().prompt));
    QVERIFY(newPdfs().isEmpty());
    QVERIFY(m_shown.isEmpty());
    QVERIFY(form->isVisible());

    if (setup != QLatin1String("print fails"))
        QCOMPARE(QDir(m_tempDir).entryList({QStringLiteral("tovra_znp_*.xls")}, QDir::Files),
                 copiesBefore);
    // The window stays usable: with a real layout chosen, the next print works.
    if (setup == QLatin1String("typed")) {
        combo->setCurrentIndex(0);
        click(*form, button);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(newPdfs().size(), 1);
    }
}

void TestPrntForm::closeButtonClosesWindow()
{
    auto form = openForm();
    QVERIFY(form);
    const QString shots = qEnvironmentVariable("COURTMAIL_SHOTS_DIR");
    if (!shots.isEmpty())
        form->grab().save(QDir(shots).filePath(QStringLiteral("prntform.png")));
    click(*form, QStringLiteral("XpB1"));
    QVERIFY(!form->isVisible());
}

// The office is started without holding up the caller, is ready before the
// first print, and a print still works after it was killed meanwhile. After
// thirty prints a fresh office takes over, once nothing is open.
void TestPrntForm::officeStartedAheadAndReplaced()
{
    MsgBoxRecorder boxes;
    CalcOffice::shutdown();
    CalcOffice::startInBackground();
    QVERIFY(!CalcOffice::isStarted());
    QTRY_VERIFY_WITH_TIMEOUT(CalcOffice::isStarted(), 60000);
    QVERIFY(::kill(pid_t(CalcOffice::processId()), SIGKILL) == 0);

    auto form = openForm();
    QVERIFY(form);
    click(*form, QStringLiteral("XpB2"));
    QCOMPARE(boxes.count(), 0);
    QCOMPARE(newPdfs().size(), 1);

    const qint64 first = CalcOffice::processId();
    for (int i = 1; i < 30; ++i)
        click(*form, QStringLiteral("XpB2"));
    QCOMPARE(CalcOffice::processId(), first);
    QTRY_VERIFY_WITH_TIMEOUT(CalcOffice::processId() != first, 60000);
    QCOMPARE(::kill(pid_t(first), 0), -1);
    click(*form, QStringLiteral("XpB2"));
    QCOMPARE(boxes.count(), 0);
    QCOMPARE(newPdfs().size(), 31);
}

QTEST_MAIN(TestPrntForm)
#include "tst_prntform.moc"
