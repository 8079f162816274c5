#include "environment/environment.h"

#include <QCoreApplication>
#include <QDir>

#include <pwd.h>
#include <unistd.h>

namespace {
QString &programFolderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

QString UserName()
{
    for (const char *var : {"USERNAME", "USER"}) {
        const QString v = qEnvironmentVariable(var);
        if (!v.isEmpty())
            return v;
    }
    if (const passwd *pw = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return QString();
}

QString TempFolder()
{
    return QDir::tempPath();
}

QString ProgramFolder()
{
    const QString &folder = programFolderOverride();
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

void setProgramFolder(const QString &folder)
{
    programFolderOverride() = folder;
}
