// The real Lettrix program, copied into a folder of the test's with its own
// options.ini: a broken connection setting of every kind ends in the error
// box (logged through COURTMAIL_MSGBOX_LOG) and the program lives on; SIGTERM
// and SIGINT end it as closing its window does.
#include "testdb.h"
#include "testmain.h"
#include "ui/msgbox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QByteArray options(const QString &dbName, const QString &password = QStringLiteral("masterkey"))
{
    return (QStringLiteral("[Main]\r\nConnectionString=") + dbName + QStringLiteral("\r\nUser=SYSDBA\r\nPass=")
            + password + kCrLf)
        .toUtf8();
}

// Bytes of every kind, zeros and broken UTF-8 included.
QByteArray garbage(int size)
{
    return QByteArray::fromHex("7f3a9c01e4d2b8a655c0ffee1234567800d0").repeated(size / 18);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

class TestLettrixProcess : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_programDir;
    QTemporaryDir m_work;
    TestDb m_db;

    QString boxLog() const { return m_work.filePath(QStringLiteral("boxes.log")); }

    void start(QProcess &lettrix)
    {
        QFile::remove(boxLog());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QString::fromLatin1(MsgBoxLogVariable), boxLog());
        env.insert(QStringLiteral("TMPDIR"), m_work.path());
        lettrix.setProcessEnvironment(env);
        lettrix.setWorkingDirectory(m_work.path());
        lettrix.start(m_programDir.filePath(QStringLiteral("Lettrix")), {});
    }

    QList<QJsonObject> boxes() const
    {
        QFile f(boxLog());
        QList<QJsonObject> result;
        for (const QByteArray &line : (f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray()).split('\n')) {
            if (!line.isEmpty())
                result << QJsonDocument::fromJson(line).object();
        }
        return result;
    }

    // Sends the signal and gives the program two seconds to end cleanly with
    // exit code 0; otherwise says what went wrong.
    static QString endWith(QProcess &lettrix, int signalNumber)
    {
        if (lettrix.state() != QProcess::Running)
            return QStringLiteral("ended before the signal\n") + QString::fromLocal8Bit(lettrix.readAllStandardError());
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(lettrix.processId()), signalNumber);
        const bool ended = lettrix.waitForFinished(10000);
        const qint64 took = clock.elapsed();
        if (!ended)
            lettrix.kill();
        lettrix.waitForFinished();
        const QString errors = QString::fromLocal8Bit(lettrix.readAllStandardError());
        if (!ended || lettrix.exitStatus() != QProcess::NormalExit || lettrix.exitCode() != 0 || took > 2000)
            return QStringLiteral("ended: %1, status %2, code %3, after %4 ms\n")
                       .arg(ended ? "yes" : "no")
                       .arg(lettrix.exitStatus())
                       .arg(lettrix.exitCode())
                       .arg(took)
                   + errors;
        return QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString built = qEnvironmentVariable("COURTMAIL_PROGRAM_DIR") + QStringLiteral("/Lettrix");
        QVERIFY2(QFile::copy(built, m_programDir.filePath(QStringLiteral("Lettrix"))), qPrintable(built));
        QVERIFY(QFileInfo::exists(TestDb::templatePath()));
    }

    void failedConnectionShowsTheErrorAndLivesOn_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("cause");

        QTest::newRow("missing file") << options(m_work.filePath(QStringLiteral("nowhere/absent.fdb")))
                                      << "No such file or directory";
        QTest::newRow("a folder") << options(m_work.path()) << "Is a directory";
        const QString notDatabase = m_work.filePath(QStringLiteral("letters.fdb"));
        QVERIFY(writeFile(notDatabase, garbage(64 * 1024)));
        QTest::newRow("a file that is no database") << options(notDatabase) << notDatabase;
        QString longPath = m_work.path() + QLatin1Char('/');
        while (longPath.size() < 1995)
            longPath += QStringLiteral("папка/");
        longPath = longPath.left(1994) + QStringLiteral("/a.fdb");
        QTest::newRow("a 2000-character path") << options(longPath) << "I/O error";
        QTest::newRow("garbage options.ini") << garbage(3000) << "I/O error";
        if (TestDb::serverAvailable())
            QTest::newRow("wrong password on the server")
                << options(TestDb::serverName(m_db.freshCopy()), QStringLiteral("wrong-password"))
                << "Your user name and password are not defined";
    }

    // Each setting is tried three times: the fault it once caused struck in
    // most runs, not all.
    void failedConnectionShowsTheErrorAndLivesOn()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QString, cause);
        QVERIFY(writeFile(m_programDir.filePath(QStringLiteral("options.ini")), settings));

        for (int run = 1; run <= 3; ++run) {
            QProcess lettrix;
            start(lettrix);
            QVERIFY(lettrix.waitForStarted());
            // The program must still be there once the box has been answered.
            QVERIFY2(QTest::qWaitFor([&] { return !boxes().isEmpty() || lettrix.state() != QProcess::Running; }, 30000),
                     "no box within 30 s");
            QTest::qWait(300);
            const QString ending = endWith(lettrix, SIGTERM);
            QVERIFY2(ending.isEmpty(), qPrintable(QStringLiteral("run %1: ").arg(run) + ending));

            const QList<QJsonObject> shown = boxes();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown.first().value(QStringLiteral("title")).toString(), QStringLiteral("Ошибка"));
            QCOMPARE(shown.first().value(QStringLiteral("buttons")).toInt(), vbCritical);
            const QString prompt = shown.first().value(QStringLiteral("prompt")).toString();
            QVERIFY2(prompt.startsWith(QStringLiteral("В процессе подключения произошла ошибка.") + kCrLf)
                         && prompt.endsWith(kCrLf + QStringLiteral("Подключение не выполнено."))
                         && prompt.contains(cause) && !prompt.contains(QChar::ReplacementCharacter),
                     qPrintable(prompt));
        }
    }

    void terminationSignalEndsAsClosingDoes_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    // Connected, the program ends as closing its window does: cleanly, and
    // its own working copies deleted.
    void terminationSignalEndsAsClosingDoes()
    {
        QFETCH(int, signalNumber);
        // Once connected the program writes its settings back, for its owner alone.
        const QString ini = m_programDir.filePath(QStringLiteral("options.ini"));
        QVERIFY(writeFile(ini, options(m_db.freshCopy())));
        QVERIFY(QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        const QDir temp(m_work.path());
        for (const char *name : {"tovra_znp_7.xls", "tovra_znp_424242.xls", "tovra_znp_notes.txt"})
            QVERIFY(writeFile(temp.filePath(QString::fromLatin1(name)), "filled workbook"));

        QProcess lettrix;
        start(lettrix);
        QVERIFY(lettrix.waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] { return !(QFile::permissions(ini) & QFile::ReadOther); }, 30000),
                 qPrintable(QString::fromLocal8Bit(lettrix.readAllStandardError())));
        const QString ending = endWith(lettrix, signalNumber);
        QVERIFY2(ending.isEmpty(), qPrintable(ending));
        QVERIFY(boxes().isEmpty());
        QCOMPARE(temp.entryList({QStringLiteral("tovra_znp_*")}, QDir::Files),
                 QStringList{QStringLiteral("tovra_znp_notes.txt")});
    }
};

COURTMAIL_TEST_MAIN(TestLettrixProcess)
#include "tst_lettrixprocess.moc"
