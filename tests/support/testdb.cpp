#include "testdb.h"

#include "database/command.h"
#include "database/connection.h"
#include "database/connectionstring.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QtGlobal>

namespace {

constexpr QFileDevice::Permissions OpenToAll = QFileDevice::ReadOwner | QFileDevice::WriteOwner
    | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;

} // namespace

TestDb::TestDb()
{
    QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                            | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                            | QFileDevice::ReadOther | QFileDevice::ExeOther);
}

QString TestDb::templatePath()
{
    QString build = qEnvironmentVariable("COURTMAIL_BUILD_DIR");
    if (build.isEmpty())
        build = QDir::currentPath();
    return QDir(build).filePath(QStringLiteral("testdata/template.fdb"));
}

QString TestDb::freshCopy(const QString &source)
{
    const QString from = source.isEmpty() ? templatePath() : source;
    if (!QFile::exists(from)) {
        qWarning("%s is missing: run the tests through ctest (fixture templatedb), "
                 "or scripts/make-db.sh %s", qPrintable(from), qPrintable(from));
        return QString();
    }
    const QString to = QDir(m_dir.path()).filePath(QStringLiteral("case%1.fdb").arg(++m_copies));
    if (!QFile::copy(from, to)) {
        qWarning("cannot copy %s to %s", qPrintable(from), qPrintable(to));
        return QString();
    }
    QFile::setPermissions(to, OpenToAll);
    return to;
}

QString TestDb::serverName(const QString &path)
{
    return QStringLiteral("localhost:") + path;
}

bool TestDb::serverAvailable()
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), 3050);
    return socket.waitForConnected(2000);
}

QString TestDb::connectionString(const QString &dbName, const QString &user, const QString &password)
{
    return QStringLiteral("DRIVER=Firebird/InterBase(r) driver; DBNAME=%1; UID=%2; PWD=%3")
        .arg(ConnectionString::quoteValue(dbName), user, password);
}

void TestDb::endAttachment(Connection &victim, const QString &dbName)
{
    Command own;
    own.ActiveConnection = &victim;
    own.CommandText = QStringLiteral("select current_connection from rdb$database");
    const int attachment = own.Execute().Fields(0).toInt();
    Connection admin;
    admin.Open(connectionString(dbName));
    Command kill;
    kill.ActiveConnection = &admin;
    kill.CommandText = QStringLiteral("delete from mon$attachments where mon$attachment_id = ?");
    kill.Parameters = {attachment};
    kill.Execute();
}
