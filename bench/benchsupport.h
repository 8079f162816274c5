#pragma once

// Shared by the benchmarks: the generated databases they measure on.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

namespace bench {

inline QString connectionString(const QString &db)
{
    return QStringLiteral("DRIVER=Firebird/InterBase(r) driver; DBNAME=%1; UID=SYSDBA; PWD=masterkey").arg(db);
}

// Builds path with scripts/make-db.sh and the given arguments unless it
// exists already (the first run of a benchmark pays for it once).
inline bool ensureDatabase(const QString &path, const QStringList &makeDbArguments)
{
    if (QFile::exists(path))
        return true;
    std::printf("building %s (%s)...\n", qPrintable(path), qPrintable(makeDbArguments.join(QLatin1Char(' '))));
    std::fflush(stdout);
    QProcess make;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CASEFILEGEN"), QStringLiteral(COURTMAIL_CASEFILEGEN));
    make.setProcessEnvironment(env);
    make.setProcessChannelMode(QProcess::ForwardedChannels);
    make.start(QStringLiteral(COURTMAIL_SOURCE_DIR "/scripts/make-db.sh"), QStringList{path} + makeDbArguments);
    return make.waitForFinished(-1) && make.exitCode() == 0;
}

// A single-copy lock folder of the benchmark's own, so that a program the
// clerk runs does not stop the benchmark's windows. Call before the
// application object exists; the folder goes when the process ends.
inline void useOwnRuntimeFolder()
{
    static QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
}

// Lets a freshly made main window connect; says so when it cannot within
// 30 s.
template<typename Window>
bool waitConnected(const Window &window, const QString &db)
{
    QElapsedTimer wait;
    wait.start();
    while (!window.isConnected() && wait.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!window.isConnected())
        std::fprintf(stderr, "cannot connect to %s\n", qPrintable(db));
    return window.isConnected();
}

} // namespace bench
