#include "environment/singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

// The test starts copies of itself as the "programs": a copy run with
// "--instance <name>" checks for another instance, prints "running" or
// "first", and stays alive until its standard input closes.
namespace {

// Outlives the lock this process takes on itself, which is let go only after
// main() returns.
QTemporaryDir *runtimeDir()
{
    static QTemporaryDir dir;
    return &dir;
}

int runInstance(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool running = AnotherInstanceRunning(QString::fromLocal8Bit(argv[2]));
    std::cout << (running ? "running" : "first") << std::endl;
    std::string line;
    std::getline(std::cin, line);
    return 0;
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void secondCopyIsRefused();
    void lockIsReleasedWhenTheFirstEnds();
    void crashedCopyDoesNotBlock();
    void otherProgramIsNotAnInstance();
    void otherUserIsNotAnInstance();
    void sameProcessAsksTwice();

private:
    QProcess *start(const QString &program, const QString &user = QString());
    QString answerOf(QProcess *p);
    void stop(QProcess *p);

    QList<QProcess *> m_started;
};

void TestSingleInstance::initTestCase()
{
    // A private runtime folder: the test never meets a real program's lock.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir()->path()));
}

void TestSingleInstance::cleanup()
{
    for (QProcess *p : m_started) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished();
        }
        delete p;
    }
    m_started.clear();
}

QProcess *TestSingleInstance::start(const QString &program, const QString &user)
{
    auto *p = new QProcess;
    m_started.append(p);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtimeDir()->path());
    if (!user.isEmpty())
        env.insert("USERNAME", user);
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QCoreApplication::applicationFilePath(), {"--instance", program});
    return p;
}

QString TestSingleInstance::answerOf(QProcess *p)
{
    if (!p->waitForStarted(30000))
        return "not started";
    while (!p->canReadLine()) {
        if (!p->waitForReadyRead(30000))
            return "no answer";
    }
    return QString::fromLatin1(p->readLine()).trimmed();
}

void TestSingleInstance::stop(QProcess *p)
{
    p->closeWriteChannel();
    QVERIFY(p->waitForFinished(30000));
    QCOMPARE(p->exitCode(), 0);
}

void TestSingleInstance::secondCopyIsRefused()
{
    QProcess *first = start("Lettrix");
    QCOMPARE(answerOf(first), QString("first"));
    QProcess *second = start("Lettrix");
    QCOMPARE(answerOf(second), QString("running"));
    stop(second);
    // The refused copy took nothing away from the first one.
    QProcess *third = start("Lettrix");
    QCOMPARE(answerOf(third), QString("running"));
    stop(third);
    stop(first);
}

void TestSingleInstance::lockIsReleasedWhenTheFirstEnds()
{
    QProcess *first = start("Rostrel");
    QCOMPARE(answerOf(first), QString("first"));
    stop(first);
    QProcess *next = start("Rostrel");
    QCOMPARE(answerOf(next), QString("first"));
    stop(next);
}

void TestSingleInstance::crashedCopyDoesNotBlock()
{
    QProcess *first = start("Basemend");
    QCOMPARE(answerOf(first), QString("first"));
    first->kill(); // SIGKILL: no clean-up, the lock file stays behind
    QVERIFY(first->waitForFinished(30000));
    QVERIFY(!QDir(runtimeDir()->path()).entryList({"Basemend-*.lock"}, QDir::Files).isEmpty());
    QProcess *next = start("Basemend");
    QCOMPARE(answerOf(next), QString("first"));
    stop(next);
}

void TestSingleInstance::otherProgramIsNotAnInstance()
{
    QProcess *lettrix = start("Lettrix");
    QCOMPARE(answerOf(lettrix), QString("first"));
    QProcess *rostrel = start("Rostrel");
    QCOMPARE(answerOf(rostrel), QString("first"));
    stop(rostrel);
    stop(lettrix);
}

void TestSingleInstance::otherUserIsNotAnInstance()
{
    QProcess *mine = start("Lettrix", "ivanova");
    QCOMPARE(answerOf(mine), QString("first"));
    QProcess *theirs = start("Lettrix", "petrov");
    QCOMPARE(answerOf(theirs), QString("first"));
    QProcess *mineAgain = start("Lettrix", "ivanova");
    QCOMPARE(answerOf(mineAgain), QString("running"));
    stop(mineAgain);
    stop(theirs);
    stop(mine);
}

void TestSingleInstance::sameProcessAsksTwice()
{
    QVERIFY(!AnotherInstanceRunning("courtmail-selftest"));
    QVERIFY(!AnotherInstanceRunning("courtmail-selftest"));
    QProcess *other = start("courtmail-selftest");
    QCOMPARE(answerOf(other), QString("running"));
    stop(other);
}

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--instance") == 0)
        return runInstance(argc, argv);
    runtimeDir();
    QCoreApplication app(argc, argv);
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
