// The private Firebird root shared by the programs (prepareFirebirdEnvironment)
// and the shell scripts (scripts/fbenv.sh), and the lock folder shared by
// every user of the machine.

#include "database/command.h"
#include "database/connection.h"
#include "database/dbexception.h"
#include "database/firebirdenv.h"

#include <QtTest>

#include <csignal>

#include <unistd.h>

namespace {

const char ChildMode[] = "COURTMAIL_FBENV_CHILD";
// Child mode: open this database; with SignalMode set too, raise SIGTERM after.
const char AttachMode[] = "COURTMAIL_FBENV_ATTACH";
const char SignalMode[] = "COURTMAIL_FBENV_SIGNAL";
const QString SystemRoot = QStringLiteral("/usr/lib/x86_64-linux-gnu/firebird/3.0");

QString fbenvScript()
{
    return qEnvironmentVariable("COURTMAIL_SOURCE_DIR") + QStringLiteral("/scripts/fbenv.sh");
}

// Runs fn with FIREBIRD unset and XDG_CACHE_HOME set to cache, then restores.
template<typename Function>
void withCache(const QString &cache, Function fn)
{
    const QByteArray oldFirebird = qgetenv("FIREBIRD");
    const QByteArray oldLock = qgetenv("FIREBIRD_LOCK");
    const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
    qunsetenv("FIREBIRD");
    qunsetenv("FIREBIRD_LOCK");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
    fn();
    auto restore = [](const char *name, const QByteArray &value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    restore("FIREBIRD", oldFirebird);
    restore("FIREBIRD_LOCK", oldLock);
    restore("XDG_CACHE_HOME", oldCache);
}

QProcessEnvironment childEnvironment(const QString &cache)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("FIREBIRD"));
    env.remove(QStringLiteral("FIREBIRD_LOCK"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), cache);
    return env;
}

// What the program printed, errors included.
QString childOutput(const QProcessEnvironment &env, const QString &program, const QStringList &arguments = {})
{
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(program, arguments);
    child.waitForFinished(60000);
    return QString::fromUtf8(child.readAll());
}

// What a root holds: every entry with its kind and, for links, the target;
// plus the configuration text.
QStringList describe(const QString &root)
{
    QStringList lines;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString name = QDir(root).relativeFilePath(info.filePath());
        if (info.isSymLink())
            lines << name + QStringLiteral(" -> ") + info.symLinkTarget();
        else
            lines << name + (info.isDir() ? QStringLiteral("/") : QStringLiteral(" %1 bytes").arg(info.size()));
    }
    lines.sort();
    QFile conf(root + QStringLiteral("/firebird.conf"));
    if (conf.open(QIODevice::ReadOnly))
        lines << QString::fromUtf8(conf.readAll());
    return lines;
}

} // namespace

class TestFirebirdEnv : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void buildsRootWithOwnConfiguration();
    void leavesAGivenRootAlone();
    void shellScriptBuildsTheSameRoot();
    void concurrentStartsShareOneCompleteRoot();
    void embeddedNames_data();
    void embeddedNames();
    void lockFolderRefusal_data();
    void lockFolderRefusal();
    void outsiderOfGroupFirebirdIsToldWhy();
    void attachmentSurvivesTheClientsSignalHandler();
};

void TestFirebirdEnv::initTestCase()
{
    if (!QFileInfo::exists(SystemRoot + QStringLiteral("/plugins/libEngine12.so")))
        QSKIP("the Firebird engine package is not installed");
    QVERIFY2(QFileInfo::exists(fbenvScript()), qPrintable(fbenvScript()));
}

void TestFirebirdEnv::buildsRootWithOwnConfiguration()
{
    QTemporaryDir cache;
    const QString root = cache.path() + QStringLiteral("/courtmail/firebird3");
    QString firebird, lock;
    withCache(cache.path(), [&] {
        prepareFirebirdEnvironment();
        firebird = qEnvironmentVariable("FIREBIRD");
        lock = qEnvironmentVariable("FIREBIRD_LOCK");
    });
    QCOMPARE(firebird, root);
    // One lock folder for every user: the engine's own.
    QVERIFY(lock.isNull());
    QCOMPARE(firebirdLockFolder(), QStringLiteral("/tmp/firebird"));

    // Linked: the engine's own files, so an upgrade of the package applies.
    for (const char *name : {"plugins", "lib", "firebird.msg", "databases.conf", "plugins.conf"}) {
        const QFileInfo info(root + QLatin1Char('/') + QLatin1String(name));
        QVERIFY2(info.isSymLink(), name);
        QCOMPARE(info.symLinkTarget(), SystemRoot + QLatin1Char('/') + QLatin1String(name));
    }
    // Copied: a linked intl/ fails to load character sets.
    for (const char *name : {"firebird.conf", "intl", "intl/libfbintl.so", "intl/fbintl.conf"})
        QVERIFY2(!QFileInfo(root + QLatin1Char('/') + QLatin1String(name)).isSymLink(), name);

    QFile conf(root + QStringLiteral("/firebird.conf"));
    QVERIFY(conf.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(conf.readAll());
    QVERIFY(text.contains(QStringLiteral("\nServerMode = SuperClassic\n")));
    QVERIFY(text.contains(QStringLiteral("\nConnectionTimeout = 10\n")));
    // Only our two lines are active settings added after the packaged text.
    QVERIFY(text.lastIndexOf(QStringLiteral("ServerMode = SuperClassic")) > text.lastIndexOf(QStringLiteral("#ServerMode")));

    // A second call finds the root complete and leaves it as it is.
    const QStringList before = describe(root);
    withCache(cache.path(), [] { prepareFirebirdEnvironment(); });
    QCOMPARE(describe(root), before);
}

void TestFirebirdEnv::leavesAGivenRootAlone()
{
    QTemporaryDir cache;
    withCache(cache.path(), [&] {
        qputenv("FIREBIRD", "/opt/own-firebird");
        prepareFirebirdEnvironment();
        QCOMPARE(qgetenv("FIREBIRD"), QByteArray("/opt/own-firebird"));
        QVERIFY(qgetenv("FIREBIRD_LOCK").isNull());
    });
    QVERIFY(!QFileInfo::exists(cache.path() + QStringLiteral("/courtmail")));
}

void TestFirebirdEnv::shellScriptBuildsTheSameRoot()
{
    QTemporaryDir fromShell, fromProgram;
    QProcess shell;
    shell.setProcessEnvironment(childEnvironment(fromShell.path()));
    shell.start(QStringLiteral("bash"), {QStringLiteral("-c"),
                                         QStringLiteral(". \"$1\" && echo \"$FIREBIRD|${FIREBIRD_LOCK-unset}\""),
                                         QStringLiteral("fbenv"), fbenvScript()});
    QVERIFY(shell.waitForFinished(30000));
    QCOMPARE(shell.exitCode(), 0);
    const QString root = fromShell.path() + QStringLiteral("/courtmail/firebird3");
    QCOMPARE(QString::fromUtf8(shell.readAllStandardOutput()).trimmed(), root + QStringLiteral("|unset"));

    withCache(fromProgram.path(), [] { prepareFirebirdEnvironment(); });
    QCOMPARE(describe(root), describe(fromProgram.path() + QStringLiteral("/courtmail/firebird3")));
}

void TestFirebirdEnv::concurrentStartsShareOneCompleteRoot()
{
    QTemporaryDir cache;
    const QString root = cache.path() + QStringLiteral("/courtmail/firebird3");
    QList<QProcess *> children;
    for (int i = 0; i < 8; ++i) {
        auto *child = new QProcess(this);
        QProcessEnvironment env = childEnvironment(cache.path());
        if (i % 2 == 0) {
            env.insert(QString::fromLatin1(ChildMode), QStringLiteral("1"));
            child->setProcessEnvironment(env);
            child->setProgram(QCoreApplication::applicationFilePath());
        } else {
            child->setProcessEnvironment(env);
            child->setProgram(QStringLiteral("bash"));
            child->setArguments({QStringLiteral("-c"), QStringLiteral(". \"$1\" && echo \"$FIREBIRD\""),
                                 QStringLiteral("fbenv"), fbenvScript()});
        }
        children << child;
    }
    for (QProcess *child : children)
        child->start();
    for (QProcess *child : children) {
        QVERIFY(child->waitForFinished(30000));
        QCOMPARE(child->exitCode(), 0);
        QCOMPARE(QString::fromUtf8(child->readAllStandardOutput()).trimmed(), root);
    }
    // No scratch folder left behind, and the survivor is complete.
    QCOMPARE(QDir(cache.path() + QStringLiteral("/courtmail")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("firebird3")});
    QVERIFY(QFileInfo(root + QStringLiteral("/intl/libfbintl.so")).isFile());
    QTemporaryDir reference;
    withCache(reference.path(), [] { prepareFirebirdEnvironment(); });
    QCOMPARE(describe(root), describe(reference.path() + QStringLiteral("/courtmail/firebird3")));
}

void TestFirebirdEnv::embeddedNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("embedded");
    QTest::newRow("absolute path") << "/var/lib/court.fdb" << true;
    QTest::newRow("colon inside a path") << "/srv/mail:2025/court.fdb" << true;
    QTest::newRow("colon deep in a relative path") << "mail/2025/a:b.fdb" << true;
    QTest::newRow("host and path") << "localhost:/var/lib/court.fdb" << false;
    QTest::newRow("host, port and path") << "10.0.0.5/3051:/var/lib/court.fdb" << false;
    QTest::newRow("inet URL") << "inet://office//var/lib/court.fdb" << false;
}

void TestFirebirdEnv::embeddedNames()
{
    QFETCH(QString, name);
    QFETCH(bool, embedded);
    QCOMPARE(isEmbeddedDatabaseName(name), embedded);
}

void TestFirebirdEnv::lockFolderRefusal_data()
{
    QTest::addColumn<QByteArray>("lockVariable"); // FIREBIRD_LOCK
    QTest::addColumn<QString>("engineText");
    QTest::addColumn<QString>("folder"); // named by the refusal; empty: none
    const QString denied = QStringLiteral("operating system directive access failed -Permission denied -%1 (SQLCODE -902)");
    QTest::newRow("the folder") << QByteArray() << denied.arg("/tmp/firebird/") << "/tmp/firebird";
    QTest::newRow("a lock file in it") << QByteArray() << denied.arg("/tmp/firebird/fb_init") << "/tmp/firebird";
    QTest::newRow("a folder of FIREBIRD_LOCK") << QByteArray("/run/fb/") << denied.arg("/run/fb/fb_lock_1") << "/run/fb";
    QTest::newRow("the database file")
        << QByteArray() << "I/O error during \"open\" operation for file \"/srv/court.fdb\" - Permission denied" << "";
}

void TestFirebirdEnv::lockFolderRefusal()
{
    QFETCH(QByteArray, lockVariable);
    QFETCH(QString, engineText);
    QFETCH(QString, folder);
    const QByteArray old = qgetenv("FIREBIRD_LOCK"), oldUser = qgetenv("USERNAME");
    const auto restore = qScopeGuard([&] {
        qputenv("FIREBIRD_LOCK", old);
        qputenv("USERNAME", oldUser);
    });
    qputenv("USERNAME", "clerk2");
    qputenv("FIREBIRD_LOCK", lockVariable);
    QCOMPARE(::lockFolderRefusal(engineText),
             folder.isEmpty() ? QString()
                              : QStringLiteral("Нет доступа к папке блокировок Firebird %1. Открывать одну базу данных "
                                               "без сервера могут только пользователи группы firebird: добавьте "
                                               "пользователя clerk2 в эту группу или подключайтесь к базе через "
                                               "сервер (сервер:путь).")
                                    .arg(folder));
}

void TestFirebirdEnv::outsiderOfGroupFirebirdIsToldWhy()
{
    // A throwaway account outside group firebird opens a database without a
    // server, through the real engine and the connection layer (child mode).
    if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("useradd")).isEmpty())
        QSKIP("needs root and useradd");
    const QString self = QCoreApplication::applicationFilePath();
    for (QFileInfo f(QFileInfo(self).path()); f.filePath() != QStringLiteral("/"); f = QFileInfo(f.path())) {
        if (!(f.permissions() & QFileDevice::ExeOther))
            QSKIP(qPrintable(f.filePath() + QStringLiteral(" is closed to other users")));
    }
    QTemporaryDir work;
    QVERIFY(QFile::setPermissions(work.path(), QFileDevice::Permissions(0x7777)));
    // A lock folder set up as the server package sets up /tmp/firebird.
    const QString lock = work.filePath(QStringLiteral("firebird"));
    QVERIFY(QDir().mkdir(lock));
    QCOMPARE(QProcess::execute(QStringLiteral("chown"), {QStringLiteral("firebird:firebird"), lock}), 0);
    QCOMPARE(QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("0770"), lock}), 0);
    const QString user = QStringLiteral("cmfb%1").arg(QCoreApplication::applicationPid());
    QCOMPARE(QProcess::execute(QStringLiteral("useradd"), {QStringLiteral("-M"), QStringLiteral("-s"),
                                                            QStringLiteral("/usr/sbin/nologin"), user}), 0);
    const auto removeUser = qScopeGuard([&] { QProcess::execute(QStringLiteral("userdel"), {user}); });

    QProcessEnvironment env = childEnvironment(work.path());
    env.insert(QStringLiteral("FIREBIRD_LOCK"), lock);
    env.insert(QStringLiteral("HOME"), work.path());
    env.insert(QStringLiteral("USER"), user);
    env.remove(QStringLiteral("USERNAME"));
    env.insert(QString::fromLatin1(AttachMode), work.filePath(QStringLiteral("court.fdb")));
    const QString text = childOutput(env, QStringLiteral("runuser"), {QStringLiteral("-u"), user, QStringLiteral("--"), self});
    QVERIFY2(text.contains(QStringLiteral("Нет доступа к папке блокировок Firebird %1. ").arg(lock))
                 && text.contains(QStringLiteral("пользователя %1 в эту группу").arg(user))
                 && text.contains(QStringLiteral("Permission denied")),
             qPrintable(text));
}

void TestFirebirdEnv::attachmentSurvivesTheClientsSignalHandler()
{
    // The client library's own handler, in place after an attach, would end
    // every attachment on SIGTERM; the programs' orderly end needs them.
    QTemporaryDir work;
    const QString db = work.filePath(QStringLiteral("court.fdb"));
    QVERIFY2(QFile::copy(qEnvironmentVariable("COURTMAIL_BUILD_DIR") + QStringLiteral("/testdata/template.fdb"), db),
             "no template database (ctest fixture templatedb)");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(AttachMode), db);
    env.insert(QString::fromLatin1(SignalMode), QStringLiteral("1"));
    const QString output = childOutput(env, QCoreApplication::applicationFilePath());
    QVERIFY2(output.contains(QStringLiteral("still attached")), qPrintable(output));
}

int main(int argc, char *argv[])
{
    // Child mode of the lock folder and signal tests: open the database and
    // print the refusal, or whether a statement still runs afterwards.
    if (qEnvironmentVariableIsSet(AttachMode)) {
        prepareFirebirdEnvironment();
        QCoreApplication app(argc, argv);
        const bool signalled = qEnvironmentVariableIsSet(SignalMode);
        // Ignored here, so that the client's handler has nothing to pass it on to.
        if (signalled)
            ::signal(SIGTERM, SIG_IGN);
        Connection connection;
        QObject::connect(&connection, &Connection::ConnectComplete, [](const DbError *error, int, Connection *) {
            if (error)
                std::printf("%s\n", error->Description.toUtf8().constData());
        });
        connection.Open(QStringLiteral("DRIVER=Firebird/InterBase(r) driver; DBNAME=%1; UID=SYSDBA; PWD=masterkey")
                            .arg(qEnvironmentVariable(AttachMode)));
        if (signalled) {
            ::raise(SIGTERM);
            QThread::msleep(500);
        }
        Command command;
        command.ActiveConnection = &connection;
        command.CommandText = QStringLiteral("select count(*) from rdb$database");
        try {
            command.Execute();
            std::printf("still attached\n");
        } catch (const DbException &e) {
            std::printf("%s\n", e.what());
        }
        return 0;
    }

    // Child mode for the race test: prepare and report, nothing else.
    if (qEnvironmentVariableIsSet(ChildMode)) {
        prepareFirebirdEnvironment();
        std::printf("%s\n", qgetenv("FIREBIRD").constData());
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestFirebirdEnv tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_firebirdenv.moc"
