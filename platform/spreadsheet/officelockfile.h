#pragma once

// The ".~lock.<name>#" file an office puts beside a document it has open for
// editing: "LockUser,OSUser,Host,Date,ProfileURL;". Read to tell the clerk
// who holds a file, and to recognise a stale lock: one whose office profile
// folder no longer exists, as with our own per-run profiles after a crash.

#include <QString>

#include <optional>

class OfficeLockFile
{
public:
    // The lock beside documentPath, if there is one.
    static std::optional<OfficeLockFile> find(const QString &documentPath);
    static QString lockPathFor(const QString &documentPath);
    // Parses the file's text; fields may escape "," and ";" with "\".
    static OfficeLockFile parse(const QString &path, const QByteArray &content);

    QString path() const { return m_path; }
    QString user() const { return m_user; }
    QString host() const { return m_host; }
    QString date() const { return m_date; }
    QString profileUrl() const { return m_profileUrl; }
    bool isStale() const;
    // "root на компьютере vm с 09.12.2026 05:40", whatever fields are known.
    QString holder() const;
    bool remove() const;

private:
    QString m_path;
    QString m_user;
    QString m_host;
    QString m_date;
    QString m_profileUrl;
};
