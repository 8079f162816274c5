// Lettrix's main window against the real embedded engine: start-up, every
// connection outcome with its message, the settings file, disconnecting and
// reconnecting, the date pop-up and the clean-up at shut-down.
#include "lettrixmain.h"

#include "database/connection.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "environment/shellopenrecorder.h"
#include "profile/profilefile.h"
#include "lettrixtesting.h"
#include "modaldriver.h"
#include "testdb.h"
#include "testmain.h"
#include "ui/msgbox.h"
#include "ui/msgboxrecorder.h"
#include "uccalendar.h"
#include "xpb.h"

#include <QCalendarWidget>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QString iniValue(const QString &file, const QString &key)
{
    QString out;
    ReadProfileString(QStringLiteral("Main"), key, QString(), out, 255, file);
    return out;
}

} // namespace

class TestLettrixMain : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_programDir;
    QTemporaryDir m_tempDir;
    TestDb m_db;
    QString ini() const { return m_programDir.filePath(QStringLiteral("options.ini")); }

    void writeIni(const QString &path, const QString &user = QStringLiteral("SYSDBA"),
                  const QString &pass = QStringLiteral("masterkey"))
    {
        writeFile(ini(), (QStringLiteral("[Main]\r\nConnectionString=") + path + kCrLf + QStringLiteral("User=")
                          + user + kCrLf + QStringLiteral("Pass=") + pass + kCrLf)
                             .toUtf8());
    }

    // A window whose start-up connection attempt has ended, either way.
    std::unique_ptr<LettrixMain> startedWindow()
    {
        auto w = std::make_unique<LettrixMain>();
        auto *command1 = child<XpB>(w.get(), "Command1");
        if (!QTest::qWaitFor([&] { return command1->EnabledCtrl(); }, 15000))
            qWarning("connection attempt did not end");
        return w;
    }

    // Puts the window into the look of an attempt under way, as Command1 does.
    static void lookConnecting(LettrixMain *w)
    {
        child<XpB>(w, "Command1")->setEnabledCtrl(false);
        for (const char *name : {"Text1", "Text2", "Text3"})
            child<QLineEdit>(w, name)->setEnabled(false);
        child<QLabel>(w, "St")->setText(QStringLiteral("Подключение к x..."));
    }

    static bool looksReEnabled(LettrixMain *w)
    {
        return child<XpB>(w, "Command1")->EnabledCtrl() && child<QLineEdit>(w, "Text1")->isEnabled()
               && child<QLineEdit>(w, "Text2")->isEnabled() && child<QLineEdit>(w, "Text3")->isEnabled()
               && !w->isConnected();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_programDir.isValid());
        QVERIFY(m_tempDir.isValid());
        Regional::pin(QLocale(QLocale::Russian, QLocale::Russia));
        QCoreApplication::setApplicationName(QStringLiteral("Lettrix"));
        setProgramFolder(m_programDir.path());
        qputenv("TMPDIR", m_tempDir.path().toLocal8Bit());
        QCOMPARE(TempFolder(), QDir(m_tempDir.path()).absolutePath());
        QVERIFY(QFileInfo::exists(TestDb::templatePath()));
    }

    // Must run first: once this process has become the instance, it stays it.
    void secondCopyIsRefused()
    {
        const QString lettrix = qEnvironmentVariable("COURTMAIL_PROGRAM_DIR") + QStringLiteral("/Lettrix");
        QVERIFY(QFileInfo::exists(lettrix));
        QTemporaryDir otherFolder;
        QProcess first;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        first.setProcessEnvironment(env);
        first.setWorkingDirectory(otherFolder.path());
        first.start(lettrix, {});
        QVERIFY(first.waitForStarted());

        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        const QString lock = (runtime.isEmpty() ? TempFolder() : runtime) + QStringLiteral("/Lettrix-")
                             + UserName() + QStringLiteral(".lock");
        // The lock file is created first and its owner written into it just
        // after; a file still empty would be taken for a dead owner's.
        QVERIFY2(QTest::qWaitFor([&] { return QFileInfo(lock).size() > 0; }, 10000), qPrintable(lock));

        MsgBoxRecorder boxes;
        {
            LettrixMain second;
            QVERIFY(!second.started());
        }
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().prompt, QStringLiteral("Программа уже запущена!"));
        QCOMPARE(boxes.last().icon(), vbInformation);
        QCOMPARE(boxes.last().buttonSet(), vbOKOnly);
        QCOMPARE(boxes.last().title, QStringLiteral("Внимание!"));
        // The copy already running is left alone.
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();
    }

    void startUpConnectsAtOnceAndSavesOnlyAfterSuccess()
    {
        const QString path = m_db.freshCopy();
        writeFile(ini(), (QStringLiteral("; connection of the office\r\n[main]\r\nconnectionstring = ") + path
                          + QStringLiteral("\r\nUser=SYSDBA\r\nPass=masterkey\r\n"))
                             .toUtf8());
        MsgBoxRecorder boxes;
        LettrixMain w;
        QVERIFY(w.started());

        // Start-up order: settings read into the fields, the calendar on
        // today, the address parts empty, the attempt already under way.
        QCOMPARE(child<QLineEdit>(&w, "Text1")->text(), path);
        QCOMPARE(child<QLineEdit>(&w, "Text2")->text(), QStringLiteral("SYSDBA"));
        QCOMPARE(child<QLineEdit>(&w, "Text3")->text(), QStringLiteral("masterkey"));
        QCOMPARE(child<QLineEdit>(&w, "Text3")->displayText(), QStringLiteral("*********"));
        QCOMPARE(child<ucCalendar>(&w, "Cal")->ActiveDate(), Regional::DateToText(QDate::currentDate()));
        for (int i = 0; i < 7; ++i)
            QVERIFY(child<QLineEdit>(&w, qPrintable(QStringLiteral("TxAd_%1").arg(i)))->text().isEmpty());
        QCOMPARE(child<QLabel>(&w, "St")->text(), QStringLiteral("Подключение к ") + path + QStringLiteral("..."));
        QVERIFY(!child<XpB>(&w, "Command1")->EnabledCtrl());
        QVERIFY(!child<QLineEdit>(&w, "Text1")->isEnabled());
        QVERIFY(!child<XpB>(&w, "Command3")->EnabledCtrl());
        QCOMPARE(child<QLineEdit>(&w, "Text8")->text(), QStringLiteral("31.12.2013"));

        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(&w, "St")->text(), QStringLiteral("Соединение с БД установлено"),
                                  15000);
        QVERIFY(w.isConnected());
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(child<XpB>(&w, "Command1")->Caption(), QStringLiteral("Отключиться"));
        QVERIFY(child<XpB>(&w, "Command1")->EnabledCtrl());
        QVERIFY(child<XpB>(&w, "Command3")->EnabledCtrl());
        QVERIFY(child<XpB>(&w, "XpB1")->EnabledCtrl());
        QVERIFY(!child<QLineEdit>(&w, "Text1")->isEnabled());
        QCOMPARE(child<QLineEdit>(&w, "Text8")->text(), Regional::DateToText(QDate::currentDate()));

        // Written back in place: the comment and the section's spelling stay.
        const QByteArray saved = readAll(ini());
        QVERIFY(saved.startsWith("; connection of the office\r\n[main]\r\n"));
        QCOMPARE(iniValue(ini(), QStringLiteral("ConnectionString")), path);

        if (qEnvironmentVariableIsSet("COURTMAIL_SCREENSHOT_DIR")) {
            w.show();
            QTest::qWait(50);
            w.grab().save(qEnvironmentVariable("COURTMAIL_SCREENSHOT_DIR") + QStringLiteral("/lettrix-main.png"));
        }
    }

    void failedAttemptLeavesSettingsAloneThenTypedFieldsAreSaved()
    {
        const QString good = m_db.freshCopy();
        const QString missing = m_db.folder() + QStringLiteral("/nowhere/absent.fdb");
        writeIni(missing);
        const QByteArray before = readAll(ini());

        MsgBoxRecorder boxes;
        auto w = startedWindow();
        QCOMPARE(boxes.count(), 1);
        const MsgBoxCall call = boxes.last();
        QVERIFY2(call.prompt.startsWith(QStringLiteral("В процессе подключения произошла ошибка.\r\n")),
                 qPrintable(call.prompt));
        QVERIFY(call.prompt.endsWith(QStringLiteral("\r\nПодключение не выполнено.")));
        QCOMPARE(call.icon(), vbCritical);
        QCOMPARE(call.title, QStringLiteral("Ошибка"));
        QCOMPARE(child<QLabel>(w.get(), "St")->text(), QStringLiteral("Ошибка подключения"));
        QVERIFY(looksReEnabled(w.get()));
        QCOMPARE(readAll(ini()), before);

        // The clerk corrects the path and the user; exactly that is saved.
        child<QLineEdit>(w.get(), "Text1")->setText(good);
        child<QLineEdit>(w.get(), "Text2")->setText(QStringLiteral("sysdba"));
        QTest::mouseClick(child<XpB>(w.get(), "Command1"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w->isConnected(), 15000);
        QCOMPARE(iniValue(ini(), QStringLiteral("ConnectionString")), good);
        QCOMPARE(iniValue(ini(), QStringLiteral("User")), QStringLiteral("sysdba"));
        QCOMPARE(iniValue(ini(), QStringLiteral("Pass")), QStringLiteral("masterkey"));
    }

    void noSettingsFileStillTriesAtOnce()
    {
        QFile::remove(ini());
        MsgBoxRecorder boxes;
        auto w = startedWindow();
        QVERIFY(child<QLineEdit>(w.get(), "Text1")->text().isEmpty());
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("Ошибка"));
        QVERIFY(!QFileInfo::exists(ini()));
    }

    void outcomeRows_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("hasError");
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("prompt"); // empty: no box
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("statusLine");
        QTest::addColumn<bool>("opensDownloadPage");

        const QString busy = QStringLiteral("Подключение к x...");
        const QString failed = QStringLiteral("Ошибка подключения");
        const QString three = QStringLiteral("В процессе подключения произошла ошибка.\r\nboom\r\nПодключение не выполнено.");
        const QString driver = QStringLiteral("Источник данных не найден и не указан драйвер, используемый по умолчанию");
        const QString offer = QStringLiteral("Не установлен Firebird ODBC Driver.\r\nПерейти на страницу его загрузки?");

        QTest::newRow("ok with an error object") << 1 << true << "boom" << vbOK << three << 0 << "Lettrix" << busy << false;
        QTest::newRow("driver missing, yes") << 2 << true << driver << vbYes << offer << (vbYesNo | vbInformation)
                                             << "Внимание!" << failed << true;
        QTest::newRow("driver missing, no") << 2 << true << driver << vbNo << offer << (vbYesNo | vbInformation)
                                            << "Внимание!" << failed << false;
        QTest::newRow("capital Не is no driver message")
            << 2 << true << "Не указан драйвер" << vbOK
            << QStringLiteral("В процессе подключения произошла ошибка.\r\nНе указан драйвер\r\nПодключение не выполнено.")
            << vbCritical << "Ошибка" << failed << false;
        QTest::newRow("other error") << 2 << true << "boom" << vbOK << three << vbCritical << "Ошибка" << failed << false;
        QTest::newRow("errors without an object") << 2 << false << "" << vbOK << "" << 0 << "" << failed << false;
        QTest::newRow("cancelled") << 4 << true << "x" << vbOK << "Подключение было отменено." << 0 << "Lettrix"
                                   << busy << false;
        QTest::newRow("cancelled without object")
            << 4 << false << "" << vbOK << "Подключение было отменено." << 0 << "Lettrix" << busy << false;
        QTest::newRow("unknown status") << 3 << true << "x" << vbOK << "" << 0 << "" << failed << false;
        QTest::newRow("ok but connection not open")
            << 1 << false << "" << vbOK << "Подключение было закрыто." << 0 << "Lettrix" << busy << false;
    }

    void outcomeRows()
    {
        QFETCH(int, status);
        QFETCH(bool, hasError);
        QFETCH(QString, description);
        QFETCH(int, answer);
        QFETCH(QString, prompt);
        QFETCH(int, buttons);
        QFETCH(QString, title);
        QFETCH(QString, statusLine);
        QFETCH(bool, opensDownloadPage);

        writeIni(m_db.folder() + QStringLiteral("/nowhere/absent.fdb"));
        const QByteArray before = readAll(ini());
        MsgBoxRecorder startup;
        auto w = startedWindow();

        MsgBoxRecorder boxes({answer});
        ShellOpenRecorder pages;
        lookConnecting(w.get());
        DbError error{description, -1};
        w->objADOConnection_ConnectComplete(hasError ? &error : nullptr, status, w->connection());

        if (prompt.isEmpty()) {
            QCOMPARE(boxes.count(), 0);
        } else {
            QCOMPARE(boxes.count(), 1);
            QCOMPARE(boxes.last().prompt, prompt);
            QCOMPARE(boxes.last().buttons, buttons);
            QCOMPARE(boxes.last().title, title);
        }
        QCOMPARE(child<QLabel>(w.get(), "St")->text(), statusLine);
        QCOMPARE(pages.urls().size(), opensDownloadPage ? 1 : 0);
        // Every outcome but success leaves a way to try again.
        QVERIFY(looksReEnabled(w.get()));
        QCOMPARE(readAll(ini()), before);
    }

    void disconnectAndReconnectReuseTheConnection()
    {
        writeIni(m_db.freshCopy());
        MsgBoxRecorder boxes;
        auto w = startedWindow();
        QVERIFY(w->isConnected());
        Connection *first = w->connection();

        QTest::mouseClick(child<XpB>(w.get(), "Command1"), Qt::LeftButton);
        QVERIFY(!w->isConnected());
        QCOMPARE(first->State(), 0);
        QCOMPARE(child<QLabel>(w.get(), "St")->text(), QStringLiteral("Отключен"));
        QCOMPARE(child<XpB>(w.get(), "Command1")->Caption(), QStringLiteral("Подключиться"));
        QVERIFY(!child<XpB>(w.get(), "Command3")->EnabledCtrl());
        QVERIFY(!child<XpB>(w.get(), "XpB1")->EnabledCtrl());
        QVERIFY(child<QLineEdit>(w.get(), "Text1")->isEnabled());

        QTest::mouseClick(child<XpB>(w.get(), "Command1"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w->isConnected(), 15000);
        QCOMPARE(w->connection(), first);
        QCOMPARE(first->State(), 1);
        QCOMPARE(boxes.count(), 0);
    }

    // A path holding "; " and a password with ";", blanks and a brace reach
    // the driver and the settings as typed; a connection the server ends
    // leaves the window as disconnected, and one click connects again.
    void typedFieldsAndALostConnection()
    {
        const QString path = m_db.folder() + QStringLiteral("/суд; копия 1.fdb");
        QVERIFY(QFile::copy(m_db.freshCopy(), path));
        writeIni(QStringLiteral("x"));
        MsgBoxRecorder boxes;
        auto w = startedWindow();
        boxes.clear();
        child<QLineEdit>(w.get(), "Text1")->setText(path);
        child<QLineEdit>(w.get(), "Text3")->setText(QStringLiteral(" a;b c}"));
        QTest::mouseClick(child<XpB>(w.get(), "Command1"), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return w->isConnected() || boxes.count() > 0; }, 15000));
        QVERIFY2(boxes.count() == 0, qPrintable(boxes.count() ? boxes.last().prompt : QString()));
        QCOMPARE(iniValue(ini(), QStringLiteral("ConnectionString")), path);
        QCOMPARE(iniValue(ini(), QStringLiteral("Pass")), QStringLiteral(" a;b c}"));

        TestDb::endAttachment(*w->connection(), path);
        QVERIFY(searchParties(w.get(), QStringLiteral("ива")));
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().icon(), vbCritical);
        QCOMPARE(boxes.last().title, QStringLiteral("Ошибка"));
        QVERIFY2(boxes.last().prompt.contains(QStringLiteral("connection shutdown")), qPrintable(boxes.last().prompt));
        QVERIFY(looksReEnabled(w.get()));
        QCOMPARE(child<QLabel>(w.get(), "St")->text(), QStringLiteral("Отключен"));
        QCOMPARE(child<XpB>(w.get(), "Command1")->Caption(), QStringLiteral("Подключиться"));
        QVERIFY(!child<XpB>(w.get(), "Command3")->EnabledCtrl());
        QVERIFY(!child<XpB>(w.get(), "XpB1")->EnabledCtrl());
        // Further typing asks nothing of the dead connection.
        QVERIFY(searchParties(w.get(), QStringLiteral("иван")));
        QCOMPARE(boxes.count(), 1);

        QTest::mouseClick(child<XpB>(w.get(), "Command1"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w->isConnected(), 15000);
        QCOMPARE(child<QLabel>(w.get(), "St")->text(), QStringLiteral("Соединение с БД установлено"));
        QVERIFY(searchParties(w.get(), QStringLiteral("ива")));
        QVERIFY(child<QListView>(w.get(), "List0")->model()->rowCount() > 0);
        QCOMPARE(boxes.count(), 1);
    }

    void closingWhileConnectingIsQuiet()
    {
        // Nothing listens there: the attempt is still under way when the
        // window goes.
        writeIni(QStringLiteral("127.0.0.1/3999:/nowhere.fdb"));
        MsgBoxRecorder boxes;
        {
            LettrixMain w;
            QCOMPARE(w.connection()->State(), 2);
            w.close();
        }
        QTest::qWait(300);
        QCOMPARE(boxes.count(), 0);
    }

    void dateBoxPopsUpTheCalendar()
    {
        writeIni(m_db.freshCopy());
        MsgBoxRecorder boxes;
        auto w = startedWindow();
        w->show();
        auto *text8 = child<QLineEdit>(w.get(), "Text8");
        auto *cal = child<ucCalendar>(w.get(), "Cal");
        QVERIFY(!cal->isVisible());
        QTest::mouseClick(text8, Qt::LeftButton);
        QVERIFY(cal->isVisible());

        cal->setActiveDate(QStringLiteral("15.03.2024"));
        QCOMPARE(text8->text(), Regional::DateToText(QDate::currentDate()));
        auto *view = cal->findChild<QCalendarWidget *>()->findChild<QTableView *>();
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(text8->text(), QStringLiteral("22.03.2024"));
        QVERIFY(!cal->isVisible());

        // The label "About" opens the about box.
        ModalDriver driver;
        QString caption;
        driver.expect(QStringLiteral("About"), [&caption](QWidget *box) {
            caption = child<XpB>(box, "XpB2")->Caption();
            box->close();
        });
        QTest::mouseClick(child<QLabel>(w.get(), "Label5"), Qt::LeftButton);
        QCOMPARE(driver.seen(), QStringList(QStringLiteral("About")));
        QCOMPARE(caption, QStringLiteral("Версия 1.8. Проверить обновление."));
    }

    void shutDownDeletesWorkingCopiesButNotOpenOnes()
    {
        const QDir temp(TempFolder());
        for (const char *name : {"tovra_znp_1.xls", "tovra_znp_22.xls", "tovra_znp_333.xls", "other.xls",
                                 "tovra_znp_4.xlsx"})
            writeFile(temp.filePath(QString::fromLatin1(name)), "x");
        QFile::setPermissions(temp.filePath(QStringLiteral("tovra_znp_22.xls")), QFileDevice::ReadOwner);
        writeFile(temp.filePath(QStringLiteral(".~lock.tovra_znp_333.xls#")), "lock");

        writeIni(m_db.freshCopy());
        MsgBoxRecorder boxes;
        auto w = startedWindow();
        w->close();
        QCOMPARE(boxes.count(), 0);
        QVERIFY(!temp.exists(QStringLiteral("tovra_znp_1.xls")));
        QVERIFY(!temp.exists(QStringLiteral("tovra_znp_22.xls")));
        QVERIFY(temp.exists(QStringLiteral("tovra_znp_333.xls")));
        QVERIFY(temp.exists(QStringLiteral("other.xls")));
        QVERIFY(temp.exists(QStringLiteral("tovra_znp_4.xlsx")));
        QCOMPARE(w->connection()->State(), 0);

        // Nothing to delete: closes just as quietly.
        auto again = startedWindow();
        again->close();
        QCOMPARE(boxes.count(), 0);
    }
};

COURTMAIL_TEST_MAIN(TestLettrixMain)
#include "tst_lettrixmain.moc"
