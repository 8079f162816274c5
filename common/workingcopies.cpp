#include "workingcopies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTime>

namespace {

QRandomGenerator &generator()
{
    static QRandomGenerator g(quint32(QTime::currentTime().msecsSinceStartOfDay()));
    return g;
}

} // namespace

void Randomize()
{
    generator().seed(quint32(QTime::currentTime().msecsSinceStartOfDay()));
}

QString WorkingCopyName(const QString &folder)
{
    const QDir dir(folder);
    for (;;) {
        const quint32 n = generator().bounded(1000000u);
        const QString path = dir.filePath(QStringLiteral("tovra_znp_%1.xls").arg(n));
        if (QFileInfo::exists(path))
            continue;
        // Created exclusively: another print, here or in Rostrel, may be
        // after the same name at this moment.
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                      QFileDevice::ReadOwner | QFileDevice::WriteOwner)
            || !QFileInfo::exists(path))
            return path;
    }
}

int DeleteWorkingCopies(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("tovra_znp_*.xls")},
                                            QDir::Files | QDir::Hidden | QDir::System);
    int deleted = 0;
    for (const QString &name : names) {
        // The spreadsheet program marks a document it holds open with this
        // lock file; deleting the copy under it would lose the clerk's edits.
        if (QFileInfo::exists(dir.filePath(QStringLiteral(".~lock.") + name + QLatin1Char('#'))))
            continue;
        QFile file(dir.filePath(name));
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
        if (file.remove())
            ++deleted;
    }
    return deleted;
}
