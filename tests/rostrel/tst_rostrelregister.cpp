// Rostrel's register and journal workbooks through the real engine and the
// real headless LibreOffice: each working copy read back with its look;
// refusals and a build that fails halfway.
#include "rostrelmain.h"

#include "check.h"
#include "database/command.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "sheetlook.h"
#include "spreadsheet/calcoffice.h"
#include "spreadsheet/excelapplication.h"
#include "testdb.h"
#include "testmain.h"
#include "ui/msgbox.h"
#include "ui/msgboxrecorder.h"
#include "windowtesting.h"
#include "xpb.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace {

const QString kRegistered = QStringLiteral("Реестр заказных писем.xls");
const QString kProtected = QStringLiteral("Реестр заказных (защищён).xls");

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// "B9 'text'", "A9 1", "F10 -" for an empty cell, "E12 =SUM(E9:E11) 169.1".
QString cells(const ExcelWorksheet &sheet, const QString &addresses)
{
    QStringList out;
    for (const QString &a : addresses.split(' ')) {
        const QVariant v = sheet.Range(a).Value();
        const QString f = sheet.Range(a).Formula();
        out << a + ' ' + (f.startsWith('=') ? f + ' ' : QString())
                   + (!v.isValid()                      ? "-"
                      : v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'g', 15)
                                                        : "'" + v.toString() + "'");
    }
    return out.join(" | ");
}

} // namespace

class TestRostrelRegister : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    TestDb m_db;
    std::unique_ptr<MsgBoxRecorder> m_boxes;
    std::unique_ptr<RostrelMain> m_w;
    QStringList m_shown;

    QString templates() const { return m_dir.filePath("program/templates/"); }
    QStringList copies() const { return QDir(TempFolder()).entryList({"tovra_znp_*"}, QDir::Files); }
    QString status() const { return child<QLabel>(m_w.get(), "St")->text(); }

    QString run(const QString &statement)
    {
        Command c;
        c.ActiveConnection = m_w->connection();
        c.CommandText = statement;
        QStringList values;
        for (Recordset rs = c.Execute(); !rs.Eof(); rs.MoveNext())
            for (int i = 0; i < rs.FieldCount(); ++i)
                values << rs.Fields(i).toString();
        return values.join('|');
    }

    // Lists kind 1, 2 or 0 (both), ticks the first `ticked` lines, chooses
    // the template, moves the registered one aside if asked, and presses the
    // print button.
    void build(int kind, int ticked, const QString &templateName, bool moveAside)
    {
        child<Check>(m_w.get(), "Check2_1")->setValue(kind != 1);
        child<Check>(m_w.get(), "Check2_0")->setValue(kind == 2);
        QTest::mouseClick(child<Check>(m_w.get(), "Check2_0"), Qt::LeftButton);
        if (kind != 0)
            child<QComboBox>(m_w.get(), "Combo1")->setCurrentText(templateName);
        for (int i = 0; i < ticked; ++i)
            child<QListWidget>(m_w.get(), "List1")->item(i)->setCheckState(Qt::Checked);
        if (moveAside)
            QFile::rename(templates() + kRegistered, m_dir.filePath("aside.xls"));
        m_shown.clear();
        emit child<XpB>(m_w.get(), "XpB1")->Click();
    }

private Q_SLOTS:
    void initTestCase()
    {
        Regional::pin(QLocale(QLocale::Russian, QLocale::Russia));
        QVERIFY(QDir().mkpath(templates()) && QDir().mkpath(m_dir.filePath("temp")));
        const QString built = qEnvironmentVariable("COURTMAIL_PROGRAM_DIR") + "/templates/";
        for (const QString &name : QStringList{kRegistered, "Реестр простых писем.xls", "Журнал исходящей почты.xls"})
            QVERIFY(QFile::copy(built + name, templates() + name));
        // A template whose sheet is protected: its letters' cells refuse to be written.
        QFile fods(m_dir.filePath("Реестр заказных (защищён).fods"));
        QVERIFY(fods.open(QIODevice::WriteOnly));
        fods.write(contents(qEnvironmentVariable("COURTMAIL_SOURCE_DIR") + "/templates/Реестр заказных писем.fods")
                       .replace("style-name=\"ta1\">", "style-name=\"ta1\" table:protected=\"true\">"));
        fods.close();
        QCOMPARE(QProcess::execute("/usr/lib/libreoffice/program/soffice",
                                   {"-env:UserInstallation=" + QUrl::fromLocalFile(m_dir.filePath("lo")).toString(),
                                    "--headless", "--convert-to", "xls:MS Excel 97", "--outdir", templates(),
                                    fods.fileName()}),
                 0);
        setProgramFolder(m_dir.filePath("program"));
        qputenv("TMPDIR", QFile::encodeName(m_dir.filePath("temp")));
        CalcOffice::setHandOverHandler([this](const QStringList &files) { m_shown += files; });

        // Registered letters 1 to 3, simple ones 4 to 43, all on 29.01.2013:
        // address, notes, kind, barcode, weight, price; REESTR 1 for 1, 3 and 4.
        QVERIFY(writeOptions(m_dir.filePath("program"), m_db.freshCopy()));
        m_w = std::make_unique<RostrelMain>();
        QVERIFY(QTest::qWaitFor([this] { return m_w->isConnected(); }, 15000));
        run("update Z_POSTPRICE set PRICE=30 where TYPEM=3");
        QStringList letters{"'101000\r\nг. Москва\r\nул. Тверская, д. 12-3', '1-2', 2, '4600000000013', '20', 45.5",
                            "'12-3', 'дело 2-2 о взыскании задолженности по договору поставки', 2, null, '20,5', 33.6",
                            "'01001\r\nУКРАИНА\r\nг. Киев', 'дело 2-3', 2, null, null, 90"};
        for (int n = 4; n <= 43; ++n)
            letters << QString("'170000\r\nг. Тверь', 'дело 2-%1', 1, null, '15', 10").arg(n);
        for (int n = 1; n <= 43; ++n)
            run(QString("insert into Z_POST values (%1, '%1', '29.01.2013 10:00', 'Петров П.П.', %2, 'clerk', %3)")
                    .arg(n)
                    .arg(letters.at(n - 1))
                    .arg(n == 1 || n == 3 || n == 4));
        child<QLineEdit>(m_w.get(), "Text4")->setText("29.01.2013");
    }

    void init() { m_boxes = std::make_unique<MsgBoxRecorder>(); }

    void cleanupTestCase()
    {
        m_w.reset();
        CalcOffice::shutdown();
    }

    // Builds, and refusals and failures: their box "title|buttons|prompt"
    // (no prompt for a failure, whose cause varies) and status.
    void builds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("ticked");
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<QString>("before"); // a statement, or "delete" the template
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<QString>("expected");
        QTest::newRow("register-3")
            << 2 << 3 << kRegistered << ""
            << "A3 A9 B9 C9 D9 E9 F9 G9 H9 A10 B10 D10 E10 F10 A11 D11 E11 F11 D12 E12 F12 E13 A12 A13"
            << "A3 'от 29.01.2013' | A9 1 | B9 '101000, г. Москва, ул. Тверская, д. 12-3' | C9 'Петров П.П.' | "
               "D9 0.02 | E9 45.5 | F9 30 | G9 '4600000000013' | H9 '1-2' | A10 2 | B10 '12-3' | D10 0.0205 | "
               "E10 33.6 | F10 - | A11 3 | D11 0 | E11 90 | F11 0 | D12 =SUM(D9:D11) 0.0405 | "
               "E12 =SUM(E9:E11) 169.1 | F12 =SUM(F9:F11) 30 | E13 =SUM(E12:F12) 199.1 | A12 'Итого:' | "
               "A13 'Всего к оплате:'";
        QTest::newRow("without a notification tariff")
            << 2 << 1 << kRegistered << "delete from Z_POSTPRICE where TYPEM=3" << "F9 E11"
            << "F9 0 | E11 =SUM(E10:F10) 45.5";
        // A simple letter pays no notification fee, whatever REESTR says.
        QTest::newRow("register-40")
            << 1 << 40 << "Реестр простых писем.xls" << "insert into Z_POSTPRICE values (3, 0, 30)"
            << "F9 A48 D49 E49 E50"
            << "F9 0 | A48 40 | D49 =SUM(D9:D48) 0.6 | E49 =SUM(E9:E48) 400 | E50 =SUM(E49:F49) 400";
        QTest::newRow("journal")
            << 0 << 4 << "" << "" << "A9 B9 C9 D9 E9 A12 E12 E13 A14"
            << "A9 1 | B9 '1-2' | C9 'Петров П.П., адрес: 101000, г. Москва, ул. Тверская, д. 12-3' | "
               "D9 '29.01.2013' | E9 'Письмо заказное' | A12 4 | E12 'Письмо простое' | E13 - | "
               "A14 'Журнал составил'";
        QTest::newRow("nothing ticked") << 2 << 0 << kRegistered << "" << ""
                                        << "Внимание!|64|Не выбрано ни одного отправления!|";
        QTest::newRow("template deleted") << 2 << 1 << kRegistered << "delete" << ""
                                          << "Внимание!|64|Не выбран шаблон реестра!|";
        QTest::newRow("fails halfway") << 2 << 1 << kProtected << "" << "" << "Ошибка|16||Реестр не сформирован";
    }

    void builds()
    {
        QFETCH(int, kind);
        QFETCH(int, ticked);
        QFETCH(QString, templateName);
        QFETCH(QString, before);
        QFETCH(QString, addresses);
        const QByteArray templateBytes = contents(templates() + kRegistered);
        if (!before.isEmpty() && before != "delete")
            run(before);
        const QString stored = run("select * from Z_POST order by ID");
        const QStringList copiesBefore = copies();
        const bool fails = addresses.isEmpty();
        if (fails) {
            CalcOffice::shutdown();
            child<QLabel>(m_w.get(), "St")->clear();
        }
        build(kind, ticked, templateName, before == "delete");
        QFile::rename(m_dir.filePath("aside.xls"), templates() + kRegistered);
        QCOMPARE(run("select * from Z_POST order by ID"), stored);
        QCOMPARE(contents(templates() + kRegistered), templateBytes);
        if (fails) {
            QCOMPARE(m_boxes->count(), 1);
            const MsgBoxCall &box = m_boxes->last();
            QTEST(QStringList({box.title, QString::number(box.buttons), box.buttons == vbCritical ? "" : box.prompt,
                               status()}).join('|'), "expected");
            QVERIFY(m_shown.isEmpty());
            QCOMPARE(CalcOffice::processId(), qint64(0));
            QCOMPARE(copies(), copiesBefore);
            return;
        }
        QCOMPARE(m_boxes->count(), 0);
        QCOMPARE(status(), QStringLiteral("Реестр сформирован и выгружен в Excel"));
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(copies().size(), copiesBefore.size() + 1);
        QVERIFY(copies().contains(QFileInfo(m_shown.first()).fileName()));

        ExcelApplication excel;
        const ExcelWorksheet sheet = excel.Workbooks().Open(m_shown.first()).Worksheets(1);
        QTEST(cells(sheet, addresses), "expected");
        // The first and the last letter's rows look like the template's data
        // row: frames, wrapping, three decimals for kilograms, two for money,
        // a height that fits the text (the second letter's notes wrap).
        const double wrapped = sheet.Rows(10).RowHeight();
        excel.Quit();
        if (kind != 1 && ticked > 1)
            QVERIFY2(wrapped > 20, qPrintable(QString::number(wrapped)));
        const QHash<QString, QString> looks = cellLooks(m_shown.first(), m_dir.path());
        for (const QChar c : QStringLiteral("ABCDEFGH"))
            QCOMPARE(looks.value(c + QString::number(ticked + 8)), looks.value(c + QStringLiteral("9")));
        QCOMPARE(looks.value("D9").section('|', 1), kind == 0 ? "wrap|" : "wrap|3");
        QCOMPARE(looks.value("E9").section('|', 1), kind == 0 ? "wrap|" : "wrap|2");
    }
};

COURTMAIL_TEST_MAIN(TestRostrelRegister)
#include "tst_rostrelregister.moc"
