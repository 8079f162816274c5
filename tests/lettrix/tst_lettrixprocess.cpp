// The real Lettrix program in a process of its own, as a clerk starts it: a
// broken connection setting of every kind ends in the error box and the
// program lives on; SIGTERM and SIGINT end it as closing its window does.
// Each case runs against a copy of the program in a folder of its own, so its
// options.ini is the test's; message boxes go to a log file (MsgBox's
// COURTMAIL_MSGBOX_LOG) and are answered there.
#include "testdb.h"
#include "testmain.h"
#include "ui/msgbox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The failing settings are tried this often each: the fault they once
// caused struck in most runs, not all.
constexpr int kRepeats = 3;

QByteArray options(const QString &dbName, const QString &password = QStringLiteral("masterkey"))
{
    return (QStringLiteral("[Main]\r\nConnectionString=") + dbName + QStringLiteral("\r\nUser=SYSDBA\r\nPass=")
            + password + kCrLf)
        .toUtf8();
}

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, '\0');
    for (char &b : bytes)
        b = char(generator.bounded(256));
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Whether the process has the file open; the embedded engine opens the
// database file inside the program itself.
bool hasOpen(qint64 pid, const QString &path)
{
    const QString wanted = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        if (fd.symLinkTarget() == wanted)
            return true;
    }
    return false;
}

} // namespace

class TestLettrixProcess : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_programDir;
    QTemporaryDir m_work;
    TestDb m_db;

    QString program() const { return m_programDir.filePath(QStringLiteral("Lettrix")); }
    QString boxLog() const { return m_work.filePath(QStringLiteral("boxes.log")); }
    QString tempFolder() const { return m_work.filePath(QStringLiteral("temp")); }

    void start(QProcess &lettrix)
    {
        QFile::remove(boxLog());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QString::fromLatin1(MsgBoxLogVariable), boxLog());
        env.insert(QStringLiteral("TMPDIR"), tempFolder());
        lettrix.setProcessEnvironment(env);
        lettrix.setWorkingDirectory(m_work.path());
        lettrix.start(program(), {});
    }

    QList<QJsonObject> boxes() const
    {
        QFile f(boxLog());
        QList<QJsonObject> result;
        if (!f.open(QIODevice::ReadOnly))
            return result;
        for (const QByteArray &line : f.readAll().split('\n')) {
            if (!line.isEmpty())
                result << QJsonDocument::fromJson(line).object();
        }
        return result;
    }

    // Sends the signal and gives the program two seconds to end. The text
    // says what went wrong, empty when it ended cleanly with exit code 0.
    static QString endWith(QProcess &lettrix, int signalNumber)
    {
        const qint64 pid = lettrix.processId();
        if (pid <= 0)
            return QStringLiteral("not running when the signal was due\n")
                   + QString::fromLocal8Bit(lettrix.readAllStandardError());
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(pid), signalNumber);
        const bool ended = lettrix.waitForFinished(10000);
        const qint64 took = clock.elapsed();
        const QString errors = QString::fromLocal8Bit(lettrix.readAllStandardError());
        if (!ended) {
            lettrix.kill();
            lettrix.waitForFinished();
            return QStringLiteral("still running 10 s after the signal\n") + errors;
        }
        if (lettrix.exitStatus() != QProcess::NormalExit || lettrix.exitCode() != 0)
            return QStringLiteral("ended %1 with code %2\n")
                       .arg(lettrix.exitStatus() == QProcess::CrashExit ? QStringLiteral("by a crash")
                                                                        : QStringLiteral("normally"))
                       .arg(lettrix.exitCode())
                   + errors;
        if (took > 2000)
            return QStringLiteral("took %1 ms to end").arg(took);
        return QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_programDir.isValid());
        QVERIFY(m_work.isValid());
        QVERIFY(QDir().mkpath(tempFolder()));
        const QString built = qEnvironmentVariable("COURTMAIL_PROGRAM_DIR") + QStringLiteral("/Lettrix");
        QVERIFY2(QFile::copy(built, program()), qPrintable(built));
        QVERIFY(QFileInfo::exists(TestDb::templatePath()));
    }

    void failedConnectionShowsTheErrorAndLivesOn_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("cause");

        const QString missing = m_work.filePath(QStringLiteral("nowhere/absent.fdb"));
        QTest::newRow("missing file") << options(missing) << "No such file or directory";
        QTest::newRow("a folder") << options(m_work.path()) << "Is a directory";

        const QString notDatabase = m_work.filePath(QStringLiteral("letters.fdb"));
        QVERIFY(writeFile(notDatabase, randomBytes(64 * 1024, 19)));
        QTest::newRow("a file that is no database") << options(notDatabase) << notDatabase;

        QString longPath = m_work.path() + QLatin1Char('/');
        while (longPath.size() < 1995)
            longPath += QStringLiteral("папка/");
        longPath = longPath.left(1994) + QStringLiteral("/a.fdb");
        QCOMPARE(longPath.size(), 2000);
        QTest::newRow("a 2000-character path") << options(longPath) << "I/O error";

        QTest::newRow("garbage options.ini") << randomBytes(3000, 7) << "I/O error";

        if (TestDb::serverAvailable()) {
            const QString copy = m_db.freshCopy();
            QTest::newRow("wrong password on the server")
                << options(TestDb::serverName(copy), QStringLiteral("wrong-password"))
                << "Your user name and password are not defined";
        }
    }

    void failedConnectionShowsTheErrorAndLivesOn()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QString, cause);
        QVERIFY(writeFile(m_programDir.filePath(QStringLiteral("options.ini")), settings));

        for (int run = 1; run <= kRepeats; ++run) {
            QProcess lettrix;
            start(lettrix);
            QVERIFY(lettrix.waitForStarted());
            // The attempt ends in the box; the program must still be there
            // once the box has been answered.
            const bool boxShown = QTest::qWaitFor(
                [&] { return !boxes().isEmpty() || lettrix.state() == QProcess::NotRunning; }, 30000);
            QTest::qWait(300);
            const QString state = lettrix.state() == QProcess::Running ? QString() : QStringLiteral("ended early\n");
            const QString ending = state.isEmpty() ? endWith(lettrix, SIGTERM) : QString();
            const QString errors = QString::fromLocal8Bit(lettrix.readAllStandardError());
            const QString where = QStringLiteral("run %1: ").arg(run);
            QVERIFY2(boxShown, qPrintable(where + QStringLiteral("no box within 30 s")));
            QVERIFY2(state.isEmpty() && ending.isEmpty(), qPrintable(where + state + ending + errors));

            const QList<QJsonObject> shown = boxes();
            QCOMPARE(shown.size(), 1);
            const QJsonObject box = shown.first();
            QCOMPARE(box.value(QStringLiteral("title")).toString(), QStringLiteral("Ошибка"));
            QCOMPARE(box.value(QStringLiteral("buttons")).toInt(), vbCritical);
            const QString prompt = box.value(QStringLiteral("prompt")).toString();
            QVERIFY2(prompt.startsWith(QStringLiteral("В процессе подключения произошла ошибка.") + kCrLf)
                         && prompt.endsWith(kCrLf + QStringLiteral("Подключение не выполнено.")),
                     qPrintable(prompt));
            QVERIFY2(prompt.contains(cause), qPrintable(prompt));
            QVERIFY2(!prompt.contains(QChar::ReplacementCharacter), qPrintable(prompt));
        }
    }

    void terminationSignalEndsAsClosingDoes_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void terminationSignalEndsAsClosingDoes()
    {
        QFETCH(int, signalNumber);
        const QString db = m_db.freshCopy();
        QVERIFY(!db.isEmpty());
        QVERIFY(writeFile(m_programDir.filePath(QStringLiteral("options.ini")), options(db)));
        const QStringList copies = {QStringLiteral("tovra_znp_7.xls"), QStringLiteral("tovra_znp_424242.xls")};
        const QString otherFile = QDir(tempFolder()).filePath(QStringLiteral("tovra_znp_notes.txt"));
        for (const QString &name : copies)
            QVERIFY(writeFile(QDir(tempFolder()).filePath(name), "filled workbook"));
        QVERIFY(writeFile(otherFile, "not a working copy"));

        QProcess lettrix;
        start(lettrix);
        QVERIFY(lettrix.waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] { return hasOpen(lettrix.processId(), db); }, 30000),
                 qPrintable(QString::fromLocal8Bit(lettrix.readAllStandardError())));

        const QString ending = endWith(lettrix, signalNumber);
        QVERIFY2(ending.isEmpty(), qPrintable(ending));
        QVERIFY(boxes().isEmpty());
        for (const QString &name : copies)
            QVERIFY2(!QFileInfo::exists(QDir(tempFolder()).filePath(name)), qPrintable(name));
        QVERIFY(QFileInfo::exists(otherFile));
    }
};

COURTMAIL_TEST_MAIN(TestLettrixProcess)
#include "tst_lettrixprocess.moc"
