#include "environment/singleinstance.h"
#include "environment/environment.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include <map>
#include <memory>

namespace {

QString lockFolder()
{
    // The runtime folder belongs to the user alone, so nobody else can plant
    // a lock there; the temp folder is the fall-back.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? TempFolder() : runtime;
}

QString safeName(QString name)
{
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return name;
}

} // namespace

bool AnotherInstanceRunning(const QString &programName)
{
    // Released, and the lock file removed, when the process ends normally.
    static std::map<QString, std::unique_ptr<QLockFile>> held;
    if (held.count(programName))
        return false;

    const QString path = lockFolder() + QLatin1Char('/') + safeName(programName) + QLatin1Char('-')
                         + safeName(UserName()) + QLatin1String(".lock");
    auto lock = std::make_unique<QLockFile>(path);
    // A running instance may hold its lock for days: only a dead owner makes
    // it stale, never its age.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        held.emplace(programName, std::move(lock));
        return false;
    }
    return lock->error() == QLockFile::LockFailedError;
}
