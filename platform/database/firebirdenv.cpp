#include "database/firebirdenv.h"

#include "database/fbclient.h"

#include "environment/environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtGlobal>

#include <cstdio>
#include <cstdint>
#include <mutex>


namespace {

const QString SystemRoot = QStringLiteral("/usr/lib/x86_64-linux-gnu/firebird/3.0");
const QString SystemIntlConf = QStringLiteral("/etc/firebird/3.0/fbintl.conf");
const QString DefaultLockFolder = QStringLiteral("/tmp/firebird");

QString privateRootPath()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty())
        cache = QDir::homePath() + QStringLiteral("/.cache");
    return cache + QStringLiteral("/courtmail/firebird3");
}

bool populate(const QString &dir)
{
    const QDir system(SystemRoot);
    const QStringList entries = system.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    if (entries.isEmpty())
        return false;
    for (const QString &name : entries) {
        if (name == QLatin1String("firebird.conf") || name == QLatin1String("intl"))
            continue;
        if (!QFile::link(system.filePath(name), dir + QLatin1Char('/') + name))
            return false;
    }

    // The character-set module resolves its configuration beside its real
    // location; a linked intl/ folder gives "CHARACTER SET ... is not
    // installed", so that folder holds real copies.
    if (!QDir(dir).mkdir(QStringLiteral("intl")))
        return false;
    if (!QFile::copy(system.filePath(QStringLiteral("intl/libfbintl.so")), dir + QStringLiteral("/intl/libfbintl.so"))
        || !QFile::copy(SystemIntlConf, dir + QStringLiteral("/intl/fbintl.conf")))
        return false;

    const QString conf = dir + QStringLiteral("/firebird.conf");
    if (!QFile::copy(system.filePath(QStringLiteral("firebird.conf")), conf))
        return false;
    QFile file(conf);
    if (!file.setPermissions(file.permissions() | QFileDevice::WriteOwner) || !file.open(QIODevice::Append))
        return false;
    const QByteArray extra = "\n# Added for the court mail suite: several processes on one file,\n"
                             "# and an unreachable server must not hold a connection attempt for minutes.\n"
                             "ServerMode = SuperClassic\n"
                             "ConnectionTimeout = 10\n";
    return file.write(extra) == extra.size();
}

bool ensureRoot(const QString &root)
{
    if (QFileInfo::exists(root + QStringLiteral("/firebird.conf")))
        return true;
    if (!QDir().mkpath(QFileInfo(root).absolutePath()))
        return false;

    // Built aside and renamed into place in one step: a root that exists is
    // complete, and of two processes racing here the second keeps the first
    // one's root (rename refuses to replace a non-empty folder).
    QTemporaryDir scratch(root + QStringLiteral(".XXXXXX"));
    if (!scratch.isValid() || !populate(scratch.path()))
        return false;
    QFile::setPermissions(scratch.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                              | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                              | QFileDevice::ReadOther | QFileDevice::ExeOther);
    if (std::rename(QFile::encodeName(scratch.path()).constData(), QFile::encodeName(root).constData()) == 0)
        scratch.setAutoRemove(false);
    return QFileInfo::exists(root + QStringLiteral("/firebird.conf"));
}

// From the client library's C interface (ibase.h, not installed with it).
constexpr int ShutConfirmation = 1; // fb_shut_confirmation
constexpr int ShutdownReasonSignal = -5; // fb_shutrsn_signal

// Asked before the library shuts down; anything but 0 cancels.
int refuseShutdownOnSignal(int reason, int, void *)
{
    return reason == ShutdownReasonSignal ? 1 : 0;
}

} // namespace

void keepAttachmentsOnSignals()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const FbClient *client = FbClient::get();
        if (!client)
            return;
        FbClient::Status status[FbClient::StatusLength] = {};
        if (client->fb_shutdown_callback(status, refuseShutdownOnSignal, ShutConfirmation, nullptr) != 0)
            qWarning("The Firebird client refused the shutdown callback (code %ld)", long(status[1]));
    });
}

void prepareFirebirdEnvironment()
{
    if (qEnvironmentVariableIsSet("FIREBIRD"))
        return;
    const QString root = privateRootPath();
    if (!ensureRoot(root)) {
        qWarning("Could not prepare the Firebird root %s; using the system configuration", qPrintable(root));
        return;
    }
    qputenv("FIREBIRD", QFile::encodeName(root));
}

QString firebirdLockFolder()
{
    const QString folder = qEnvironmentVariable("FIREBIRD_LOCK");
    return folder.isEmpty() ? DefaultLockFolder : folder;
}

bool isEmbeddedDatabaseName(const QString &name)
{
    // A server's name ends at the first ":" ("localhost:/x", "host/3051:/x",
    // "inet://host/x"); a path may hold a colon further on.
    const int colon = name.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return true;
    const QString before = name.left(colon);
    return before.startsWith(QLatin1Char('/')) || before.count(QLatin1Char('/')) > 1;
}

QString lockFolderRefusal(const QString &engineText)
{
    QString folder = firebirdLockFolder();
    while (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    if (!engineText.contains(QLatin1String("Permission denied")) || !engineText.contains(folder + QLatin1Char('/')))
        return QString();
    return QStringLiteral("Нет доступа к папке блокировок Firebird %1. Открывать одну базу данных без сервера "
                          "могут только пользователи группы firebird: добавьте пользователя %2 в эту группу "
                          "или подключайтесь к базе через сервер (сервер:путь).")
        .arg(folder, UserName());
}
