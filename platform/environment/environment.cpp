#include "environment/environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

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
    // Qt takes TMPDIR as it stands and gives "" for a folder that does not
    // exist; working copies would then land in the current folder.
    const QString fromEnvironment = QDir::tempPath();
    const QFileInfo folder(fromEnvironment);
    if (!fromEnvironment.isEmpty() && folder.isDir() && folder.isWritable())
        return fromEnvironment;
    return QDir(QStringLiteral(P_tmpdir)).canonicalPath();
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
