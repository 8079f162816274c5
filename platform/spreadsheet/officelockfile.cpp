#include "officelockfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

std::optional<OfficeLockFile> OfficeLockFile::find(const QString &documentPath)
{
    const QString lockPath = lockPathFor(documentPath);
    QFile file(lockPath);
    if (!file.exists())
        return std::nullopt;
    QByteArray content;
    if (file.open(QIODevice::ReadOnly))
        content = file.read(4096);
    return parse(lockPath, content);
}

QString OfficeLockFile::lockPathFor(const QString &documentPath)
{
    const QFileInfo info(documentPath);
    return info.absoluteDir().filePath(QStringLiteral(".~lock.") + info.fileName()
                                       + QLatin1Char('#'));
}

OfficeLockFile OfficeLockFile::parse(const QString &path, const QByteArray &content)
{
    QStringList fields;
    QString current;
    const QString text = QString::fromUtf8(content);
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            current += text.at(++i);
        } else if (c == QLatin1Char(',')) {
            fields << current;
            current.clear();
        } else if (c == QLatin1Char(';')) {
            break;
        } else {
            current += c;
        }
    }
    fields << current;
    while (fields.size() < 5)
        fields << QString();

    OfficeLockFile lock;
    lock.m_path = path;
    // The office's own user name field is often empty; the OS user is not.
    lock.m_user = fields.at(0).trimmed().isEmpty() ? fields.at(1).trimmed() : fields.at(0).trimmed();
    lock.m_host = fields.at(2).trimmed();
    lock.m_date = fields.at(3).trimmed();
    lock.m_profileUrl = fields.at(4).trimmed();
    return lock;
}

bool OfficeLockFile::isStale() const
{
    const QUrl url(m_profileUrl);
    if (!url.isLocalFile())
        return false;
    return !QFileInfo(url.toLocalFile()).isDir();
}

QString OfficeLockFile::holder() const
{
    QString text = m_user.isEmpty() ? QStringLiteral("другой пользователь") : m_user;
    if (!m_host.isEmpty())
        text += QStringLiteral(" на компьютере %1").arg(m_host);
    if (!m_date.isEmpty())
        text += QStringLiteral(" с %1").arg(m_date);
    return text;
}

bool OfficeLockFile::remove() const
{
    return QFile::remove(m_path);
}
