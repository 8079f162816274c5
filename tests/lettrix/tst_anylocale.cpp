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

        // Program folder with options.ini of our own beside the real templates,
        // Temp folder and printed PDFs: all in the test's folder.
        QVERIFY(QFile::link(qEnvironmentVariable("COURTMAIL_PROGRAM_DIR") + QStringLiteral("/templates"),
                            m_dir.filePath(QStringLiteral("templates"))));
        setProgramFolder(m_dir.path());
        qputenv("TMPDIR", QFile::encodeName(m_dir.path()));
        qputenv("COURTMAIL_PRINT_TO_PDF_DIR", QFile::encodeName(m_dir.path()));
    }

    // Start-up writes a date that reads back; a date chosen in the calendar
    // is taken; the letter is registered and its envelope printed.
    void startUpRegistrationAndPrint()
    {
        QVERIFY(writeOptions(m_dir.path(), m_db.freshCopy()));
        MsgBoxRecorder boxes;
        LettrixMain w;
        QTRY_VERIFY_WITH_TIMEOUT(w.isConnected(), 15000);
        QCOMPARE(boxes.count(), 0);
        const QString expectedFormat = qEnvironmentVariable("COURTMAIL_EXPECT_DATE_FORMAT");
        if (!expectedFormat.isEmpty())
            QCOMPARE(Regional::shortDateFormat(), expectedFormat);
        auto *text8 = child<QLineEdit>(&w, "Text8");
        auto *cal = child<ucCalendar>(&w, "Cal");
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+([./-])\\d+\\1\\d+$")).match(text8->text()).hasMatch(),
                 qPrintable(text8->text()));
        QCOMPARE(Regional::TextToDate(text8->text()), QDate::currentDate());
        QCOMPARE(cal->date(), QDate::currentDate());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (qEnvironmentVariableIsSet("COURTMAIL_SCREENSHOT_DIR"))
            w.grab().save(qEnvironmentVariable("COURTMAIL_SCREENSHOT_DIR") + QStringLiteral("/lettrix-main-")
                          + QLocale::system().name() + QStringLiteral(".png"));

        child<QPlainTextEdit>(&w, "Text4")
            ->setPlainText(QStringLiteral("603000\nНижегородская обл.\nг.Нижний Новгород\nул.Большая Покровская\nд.12"));
        child<QLineEdit>(&w, "Text5")->setText(kRecipient);
        child<QLineEdit>(&w, "Text6")->setText(QStringLiteral("дело 2-15/2026"));
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
            printed = QDir(m_dir.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
            form->close();
        });
        child<XpB>(&w, "Command3")->Click();
        QCOMPARE(driver.seen(), (QStringList{QStringLiteral("SelectType"), QStringLiteral("PrntForm")}));
        // No error from the print: the confirmation, then the number.
        QCOMPARE(boxes.count(), 2);
        QCOMPARE(boxes.calls().at(0).buttonSet(), vbYesNo);
        QVERIFY2(boxes.last().prompt.startsWith(QStringLiteral("Отправление внесено в реестр с исходящим номером: ")),
                 qPrintable(boxes.last().prompt));
        QCOMPARE(printed.size(), 1);
        const QString text = pdfText(m_dir.filePath(printed.first()));
        QVERIFY2(text.contains(kRecipient) && text.contains(QStringLiteral("ул.Большая Покровская")), qPrintable(text));

        Command c;
        c.ActiveConnection = w.connection();
        c.CommandText = QStringLiteral("select PDATE, FIO from Z_POST order by ID desc");
        const Recordset rs = c.Execute();
        QCOMPARE(rs.Fields(0).toDateTime().date(), QDate(2026, 12, 16));
        QCOMPARE(rs.Fields(1).toString(), kRecipient);
    }
};

COURTMAIL_TEST_MAIN(TestAnyLocale)
#include "tst_anylocale.moc"
