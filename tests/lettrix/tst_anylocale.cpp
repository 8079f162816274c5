// Lettrix under whatever locale the machine gives it, nothing pinned: ctest
// runs this program under several LANG values (see CMakeLists.txt), one of
// them naming a locale the machine lacks. Start-up, a date chosen in the
// calendar, a registration and its envelope printed by the real office.
#include "lettrixmain.h"

#include "modaldriver.h"

#include "database/command.h"
#include "database/connection.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "environment/utf8environment.h"
#include "lettrixtesting.h"
#include "testdb.h"
#include "testmain.h"
#include "uccalendar.h"
#include "ui/msgbox.h"
#include "ui/msgboxrecorder.h"
#include "xpb.h"

#include <QCalendarWidget>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>

namespace {

const QString kRecipient = QStringLiteral("Петренко Иван Сергеевич");

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

} // namespace

class TestAnyLocale : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    TestDb m_db;
    QString m_pdfDir;
    std::unique_ptr<MsgBoxRecorder> m_boxes;
    std::unique_ptr<LettrixMain> m_w;

private Q_SLOTS:
    void initTestCase()
    {
        qInfo("LANG=%s, Qt's locale %s, character type %s", qgetenv("LANG").constData(),
              qPrintable(QLocale::system().name()),
              HasUtf8CharacterType(ProcessEnvironment()) ? "UTF-8" : "not UTF-8");
        // The variant that names a locale the machine lacks must really lack it.
        if (qEnvironmentVariableIsSet("COURTMAIL_EXPECT_NO_UTF8"))
            QVERIFY(!HasUtf8CharacterType(ProcessEnvironment()));
        Regional::unpin();
        QCoreApplication::setApplicationName(QStringLiteral("Lettrix"));
        qputenv("USERNAME", "clerk.ivanova");

        // options.ini of our own beside the real templates.
        QVERIFY(m_dir.isValid());
        const QString program = m_dir.filePath(QStringLiteral("program"));
        QVERIFY(QDir().mkpath(program));
        QVERIFY(QFile::link(qEnvironmentVariable("COURTMAIL_PROGRAM_DIR") + QStringLiteral("/templates"),
                            program + QStringLiteral("/templates")));
        setProgramFolder(program);
        m_pdfDir = m_dir.filePath(QStringLiteral("pdf"));
        QVERIFY(QDir().mkpath(m_pdfDir));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("temp"))));
        qputenv("TMPDIR", QFile::encodeName(m_dir.filePath(QStringLiteral("temp"))));
        qputenv("COURTMAIL_PRINT_TO_PDF_DIR", QFile::encodeName(m_pdfDir));
    }

    void init()
    {
        QVERIFY(writeOptions(QDir(ProgramFolder()).path(), m_db.freshCopy()));
        m_boxes = std::make_unique<MsgBoxRecorder>();
        m_w = std::make_unique<LettrixMain>();
        QTRY_VERIFY_WITH_TIMEOUT(m_w->isConnected(), 15000);
    }

    void cleanup()
    {
        m_w.reset();
        m_boxes.reset();
    }

    void startUpWritesADateThatReadsBack()
    {
        QCOMPARE(m_boxes->count(), 0);
        const QString expectedFormat = qEnvironmentVariable("COURTMAIL_EXPECT_DATE_FORMAT");
        if (!expectedFormat.isEmpty())
            QCOMPARE(Regional::shortDateFormat(), expectedFormat);
        const QString shown = child<QLineEdit>(m_w.get(), "Text8")->text();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+([./-])\\d+\\1\\d+$")).match(shown).hasMatch(),
                 qPrintable(shown));
        QCOMPARE(Regional::TextToDate(shown), QDate::currentDate());
        QCOMPARE(child<ucCalendar>(m_w.get(), "Cal")->date(), QDate::currentDate());

        if (qEnvironmentVariableIsSet("COURTMAIL_SCREENSHOT_DIR")) {
            m_w->show();
            QTest::qWait(50);
            m_w->grab().save(qEnvironmentVariable("COURTMAIL_SCREENSHOT_DIR") + QStringLiteral("/lettrix-main-")
                             + QLocale::system().name() + QStringLiteral(".png"));
        }
    }

    void registrationWithEnvelopePrint()
    {
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
        child<QPlainTextEdit>(m_w.get(), "Text4")
            ->setPlainText(QStringLiteral("603000\nНижегородская обл.\nг.Нижний Новгород\nул.Большая Покровская\nд.12"));
        child<QLineEdit>(m_w.get(), "Text5")->setText(kRecipient);
        child<QLineEdit>(m_w.get(), "Text6")->setText(QStringLiteral("дело 2-15/2026"));

        // A date chosen in the calendar lands in the date box and is taken.
        auto *text8 = child<QLineEdit>(m_w.get(), "Text8");
        auto *cal = child<ucCalendar>(m_w.get(), "Cal");
        QTest::mouseClick(text8, Qt::LeftButton);
        QVERIFY(cal->isVisible());
        cal->setActiveDate(Regional::DateToText(QDate(2026, 12, 9)));
        auto *view = cal->findChild<QCalendarWidget *>()->findChild<QTableView *>();
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(Regional::TextToDate(text8->text()), QDate(2026, 12, 16));

        QStringList printed;
        ModalDriver driver;
        driver.expect(QStringLiteral("SelectType"),
                      [](QWidget *dialog) { child<XpB>(dialog, "SelButton_1")->Click(); });
        driver.expect(QStringLiteral("PrntForm"), [&](QWidget *form) {
            child<XpB>(form, "XpB2")->Click();
            printed = QDir(m_pdfDir).entryList({QStringLiteral("*.pdf")}, QDir::Files);
            form->close();
        });
        child<XpB>(m_w.get(), "Command3")->Click();
        QCOMPARE(driver.unexpected(), 0);
        QCOMPARE(driver.seen(), (QStringList{QStringLiteral("SelectType"), QStringLiteral("PrntForm")}));

        // No error from the print: the confirmation, then the number.
        QCOMPARE(m_boxes->count(), 2);
        QCOMPARE(m_boxes->calls().at(0).buttonSet(), vbYesNo);
        QVERIFY2(m_boxes->last().prompt.startsWith(QStringLiteral("Отправление внесено в реестр с исходящим номером: ")),
                 qPrintable(m_boxes->last().prompt));

        QCOMPARE(printed.size(), 1);
        const QString text = pdfText(QDir(m_pdfDir).filePath(printed.first()));
        QVERIFY2(text.contains(kRecipient), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("ул.Большая Покровская")), qPrintable(text));

        Command c;
        c.ActiveConnection = m_w->connection();
        c.CommandText = QStringLiteral("select PDATE, FIO from Z_POST order by ID desc");
        const Recordset rs = c.Execute();
        QVERIFY(!rs.Eof());
        QCOMPARE(rs.Fields(0).toDateTime().date(), QDate(2026, 12, 16));
        QCOMPARE(rs.Fields(1).toString(), kRecipient);
    }
};

COURTMAIL_TEST_MAIN(TestAnyLocale)
#include "tst_anylocale.moc"
