// The private Firebird root shared by the programs (prepareFirebirdEnvironment)
// and the shell scripts (scripts/fbenv.sh).

#include "database/firebirdenv.h"

#include <QtTest>

namespace {

const char ChildMode[] = "COURTMAIL_FBENV_CHILD";
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
    QCOMPARE(lock, root + QStringLiteral("/lock"));
    QVERIFY(QFileInfo(lock).isDir());

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
                                         QStringLiteral(". \"$1\" && echo \"$FIREBIRD|$FIREBIRD_LOCK\""),
                                         QStringLiteral("fbenv"), fbenvScript()});
    QVERIFY(shell.waitForFinished(30000));
    QCOMPARE(shell.exitCode(), 0);
    const QString root = fromShell.path() + QStringLiteral("/courtmail/firebird3");
    QCOMPARE(QString::fromUtf8(shell.readAllStandardOutput()).trimmed(), root + QLatin1Char('|') + root + QStringLiteral("/lock"));

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
    QVERIFY(QFileInfo(root + QStringLiteral("/lock")).isDir());
    QTemporaryDir reference;
    withCache(reference.path(), [] { prepareFirebirdEnvironment(); });
    QCOMPARE(describe(root), describe(reference.path() + QStringLiteral("/courtmail/firebird3")));
}

int main(int argc, char *argv[])
{
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
