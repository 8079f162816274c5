#include "environment/environment.h"
#include "environment/eventlog.h"
#include "environment/eventlogrecorder.h"
#include "environment/shellopen.h"
#include "environment/shellopenrecorder.h"
#include "environment/utf8environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

class TestEnvironment : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void userName_data();
    void userName();
    void tempFolder_data();
    void tempFolder();
    void utf8CharacterType_data();
    void utf8CharacterType();
    void shellOpenIsRecorded();
    void eventLogIsRecorded();
    void eventLogTakesPercentSignsLiterally();

private:
    QByteArray m_username, m_user, m_tmpdir;
};

void TestEnvironment::initTestCase()
{
    m_username = qgetenv("USERNAME");
    m_user = qgetenv("USER");
    m_tmpdir = qgetenv("TMPDIR");
}

void TestEnvironment::cleanupTestCase()
{
    const auto restore = [](const char *name, const QByteArray &value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    restore("USERNAME", m_username);
    restore("USER", m_user);
    restore("TMPDIR", m_tmpdir);
}

void TestEnvironment::userName_data()
{
    QTest::addColumn<QString>("username"); // "-" leaves the variable unset
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("expected"); // "*" is the account name

    QTest::newRow("USERNAME wins") << "ivanova" << "root" << "ivanova";
    QTest::newRow("USER without USERNAME") << "-" << "petrov" << "petrov";
    QTest::newRow("empty USERNAME counts as unset") << "" << "petrov" << "petrov";
    QTest::newRow("neither gives the account") << "-" << "-" << "*";
    QTest::newRow("cyrillic name") << "Иванова" << "-" << "Иванова";
}

void TestEnvironment::userName()
{
    QFETCH(QString, username);
    QFETCH(QString, user);
    QFETCH(QString, expected);

    const auto set = [](const char *name, const QString &value) {
        if (value == "-")
            qunsetenv(name);
        else
            qputenv(name, value.toUtf8());
    };
    set("USERNAME", username);
    set("USER", user);
    if (expected == "*")
        expected = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    QCOMPARE(UserName(), expected);
}

void TestEnvironment::tempFolder_data()
{
    QTest::addColumn<QString>("tmpdir"); // "-" leaves TMPDIR unset; "<own>" a folder of the test's
    QTest::addColumn<bool>("kept");      // false: the system's folder

    QTest::newRow("existing folder") << "<own>" << true;
    QTest::newRow("unset") << "-" << false;
    QTest::newRow("folder that does not exist") << "/nonexistent/courtmail-temp" << false;
    QTest::newRow("a file, not a folder") << "<own>/file" << false;
    QTest::newRow("folder the user cannot write") << "<own>/locked" << false;
}

void TestEnvironment::tempFolder()
{
    QFETCH(QString, tmpdir);
    QFETCH(bool, kept);

    QTemporaryDir own;
    QFile(own.filePath("file")).open(QIODevice::WriteOnly);
    QVERIFY(QDir(own.path()).mkdir("locked"));
    QFile::setPermissions(own.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
    if (tmpdir == "<own>/locked" && QFileInfo(own.filePath("locked")).isWritable())
        QSKIP("root writes everywhere");
    tmpdir.replace("<own>", own.path());
    if (tmpdir == "-")
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", QFile::encodeName(tmpdir));

    QCOMPARE(TempFolder(), QDir(kept ? own.path() : "/tmp").canonicalPath());
}

void TestEnvironment::utf8CharacterType_data()
{
    QTest::addColumn<QByteArrayList>("environment");
    QTest::addColumn<QByteArrayList>("expected");

    const QByteArray path = "PATH=/usr/bin";
    QTest::newRow("UTF-8 locale left alone") << QByteArrayList{path, "LANG=C.UTF-8"}
                                             << QByteArrayList{path, "LANG=C.UTF-8"};
    QTest::newRow("locale the machine lacks") << QByteArrayList{path, "LANG=xx_XX.UTF-8"}
                                              << QByteArrayList{path, "LANG=xx_XX.UTF-8", "LC_CTYPE=C.UTF-8"};
    QTest::newRow("C is ASCII") << QByteArrayList{"LANG=C"} << QByteArrayList{"LANG=C", "LC_CTYPE=C.UTF-8"};
    QTest::newRow("empty LC_ALL counts as unset")
        << QByteArrayList{"LC_ALL=", "LANG=POSIX"} << QByteArrayList{"LC_ALL=", "LANG=POSIX", "LC_CTYPE=C.UTF-8"};
    QTest::newRow("ASCII LC_CTYPE replaced") << QByteArrayList{"LC_CTYPE=POSIX", "LANG=C.UTF-8"}
                                             << QByteArrayList{"LANG=C.UTF-8", "LC_CTYPE=C.UTF-8"};
    QTest::newRow("LC_ALL moves to LANG, the overridden categories go")
        << QByteArrayList{"LC_TIME=C.UTF-8", path, "LC_ALL=POSIX", "LANG=C.UTF-8", "LC_TERMINAL=x"}
        << QByteArrayList{path, "LC_TERMINAL=x", "LANG=POSIX", "LC_CTYPE=C.UTF-8"};
    const QByteArray sameLanguage =
        HasUtf8CharacterType({"LANG=en_US.UTF-8"}) ? "LC_CTYPE=en_US.UTF-8" : "LC_CTYPE=C.UTF-8";
    QTest::newRow("UTF-8 form of the same locale first")
        << QByteArrayList{"LANG=en_US.ISO-8859-15"} << QByteArrayList{"LANG=en_US.ISO-8859-15", sameLanguage};
}

void TestEnvironment::utf8CharacterType()
{
    QFETCH(QByteArrayList, environment);
    QFETCH(QByteArrayList, expected);
    const QByteArrayList result = WithUtf8CharacterType(environment);
    QCOMPARE(result, expected);
    QVERIFY(HasUtf8CharacterType(result));
}

void TestEnvironment::shellOpenIsRecorded()
{
    ShellOpenRecorder outer;
    QVERIFY(ShellOpen("https://example.org/driver"));
    {
        ShellOpenRecorder inner;
        ShellOpen("https://example.org/inner");
        QCOMPARE(inner.urls(), QStringList{"https://example.org/inner"});
    }
    ShellOpen("https://example.org/again");
    QCOMPARE(outer.urls(), (QStringList{"https://example.org/driver", "https://example.org/again"}));
}

void TestEnvironment::eventLogIsRecorded()
{
    EventLogRecorder log;
    LogEvent("Lettrix", "ucCalendar.zDelMsg: Message &H31A not found in table");
    QCOMPARE(log.entries().size(), 1);
    QCOMPARE(log.entries().at(0).source, QString("Lettrix"));
    QCOMPARE(log.entries().at(0).message, QString("ucCalendar.zDelMsg: Message &H31A not found in table"));
}

void TestEnvironment::eventLogTakesPercentSignsLiterally()
{
    // Goes to the real system log: a message used as a format would crash here.
    LogEvent("courtmail-test", "100% %s %n %x done");
    LogEvent(QString(), QString());
}

QTEST_GUILESS_MAIN(TestEnvironment)
#include "tst_environment.moc"
