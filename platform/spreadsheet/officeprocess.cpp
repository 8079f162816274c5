#include "officeprocess.h"

#include "spreadsheeterror.h"

#include "environment/environment.h"
#include "environment/utf8environment.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>
#include <QUrl>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const char ProfilePrefix[] = "courtmail-calc-";

// Version of the installed office as its configuration names it ("7.4").
QByteArray officeVersion(const QString &programDir)
{
    QFile xcd(QFileInfo(programDir + QStringLiteral("/../share/registry/main.xcd"))
                  .absoluteFilePath());
    if (!xcd.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = xcd.readAll();
    const int prop = text.indexOf("<prop oor:name=\"ooSetupVersion\">");
    if (prop < 0)
        return {};
    const int open = text.indexOf("<value>", prop);
    const int close = text.indexOf("</value>", open);
    if (open < 0 || close < 0 || close - open > 40)
        return {};
    return text.mid(open + 7, close - open - 7).trimmed();
}

// The office's named pipes are sockets in /tmp (/var/tmp when /tmp is not
// usable) whatever TMPDIR says; a killed office leaves them behind.
QStringList pipeFolders()
{
    return {QStringLiteral("/tmp"), QStringLiteral("/var/tmp")};
}

QString pipePrefix()
{
    return QStringLiteral("OSL_PIPE_%1_").arg(getuid());
}

// The single-instance pipe is named after the profile URL's MD5, taken
// over its UTF-16 text.
QString singleInstancePipe(const QString &profile)
{
    const QString url = QUrl::fromLocalFile(profile).toString(QUrl::FullyEncoded);
    const QByteArray utf16(reinterpret_cast<const char *>(url.utf16()), url.size() * 2);
    return pipePrefix() + QStringLiteral("SingleOfficeIPC_")
        + QString::fromLatin1(QCryptographicHash::hash(utf16, QCryptographicHash::Md5).toHex());
}

void removePipes(const QString &profile, const QString &pipeName)
{
    for (const QString &folder : pipeFolders()) {
        QFile::remove(folder + QLatin1Char('/') + singleInstancePipe(profile));
        if (!pipeName.isEmpty())
            QFile::remove(folder + QLatin1Char('/') + pipePrefix() + pipeName);
    }
}

bool ownerIsGone(const QString &pidText)
{
    bool ok = false;
    const pid_t owner = pid_t(pidText.toInt(&ok));
    if (!ok || owner <= 0 || owner == getpid())
        return false;
    // EPERM: a process of someone else's with that id, alive.
    return ::kill(owner, 0) != 0 && errno != EPERM;
}

QByteArray item(const char *path, const char *name, const QByteArray &value)
{
    return QByteArray("<item oor:path=\"") + path + "\"><prop oor:name=\"" + name
        + "\" oor:op=\"fuse\"><value>" + value + "</value></prop></item>\n";
}

} // namespace

OfficeProcess::OfficeProcess(const QString &officeProgramDir)
    : m_programDir(officeProgramDir)
{
}

OfficeProcess::~OfficeProcess()
{
    kill();
    if (!m_profile.isEmpty()) {
        removePipes(m_profile, m_pipeName);
        QDir(m_profile).removeRecursively();
    }
}

void OfficeProcess::createProfile()
{
    const quint32 token = QRandomGenerator::global()->generate();
    const QString name = QStringLiteral("%1%2-%3")
                             .arg(QLatin1String(ProfilePrefix))
                             .arg(getpid())
                             .arg(token, 8, 16, QLatin1Char('0'));
    m_profile = QDir(TempFolder()).filePath(name);
    m_pipeName = QStringLiteral("courtmail_calc_%1_%2").arg(getpid()).arg(token, 8, 16, QLatin1Char('0'));
    // The office keeps its pipes and scratch files under TMPDIR; inside the
    // profile they vanish with it even when the office was killed.
    if (!QDir().mkpath(m_profile + QStringLiteral("/user"))
        || !QDir().mkpath(m_profile + QStringLiteral("/tmp")))
        throw SpreadsheetError(
            QStringLiteral("Не удалось создать рабочую папку LibreOffice Calc «%1».").arg(m_profile));
    QFile::setPermissions(m_profile, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void OfficeProcess::writeSettings()
{
    // Calc prints only the active sheet unless told otherwise; we print
    // workbooks. A profile that never recorded the running version makes the
    // office run its graphics self-test on every start (seconds).
    // Autosave would only write recovery copies of our scratch workbooks.
    QByteArray items = item("/org.openoffice.Office.Calc/Print/Other", "AllSheets", "true");
    items += item("/org.openoffice.Office.Recovery/AutoSave", "Enabled", "false");
    const QByteArray version = officeVersion(m_programDir);
    if (!version.isEmpty())
        items += item("/org.openoffice.Setup/Product", "ooSetupLastVersion", version);

    QFile file(m_profile + QStringLiteral("/user/registrymodifications.xcu"));
    QByteArray text;
    if (file.open(QIODevice::ReadOnly))
        text = file.readAll();
    file.close();
    if (text.contains("\"AllSheets\""))
        return;
    // A first start rewrites the file before asking for its restart, so the
    // items go in again after it.
    const int end = text.lastIndexOf("</oor:items>");
    if (end < 0) {
        text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
               "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
               "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
            + items + "</oor:items>\n";
    } else {
        text.insert(end, items);
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        throw SpreadsheetError(
            QStringLiteral("Не удалось записать настройки LibreOffice Calc в «%1».").arg(file.fileName()));
}

void OfficeProcess::launch()
{
    if (m_pid != 0)
        return;
    if (m_profile.isEmpty())
        createProfile();
    writeSettings();

    const QByteArray exe = QFile::encodeName(m_programDir + QStringLiteral("/soffice.bin"));
    const QByteArray profileUrl =
        QUrl::fromLocalFile(m_profile).toString(QUrl::FullyEncoded).toUtf8();
    // argv[0] must be the full path: the office finds its installation from it.
    std::vector<QByteArray> args = {
        exe,
        "--headless",
        "--invisible",
        "--nocrashreport",
        "--nodefault",
        "--nofirststartwizard",
        "--nologo",
        "--norestore",
        "--nolockcheck",
        "--accept=pipe,name=" + m_pipeName.toUtf8() + ";urp;StarOffice.ComponentContext",
        "-env:UserInstallation=" + profileUrl,
    };
    std::vector<QByteArray> env;
    // Template names are Cyrillic; under an ASCII locale the office cannot
    // open them.
    for (const QByteArray &e : WithUtf8CharacterType(ProcessEnvironment())) {
        if (!e.startsWith("TMPDIR=") && !e.startsWith("SAL_USE_VCLPLUGIN="))
            env.push_back(e);
    }
    env.push_back("TMPDIR=" + QFile::encodeName(m_profile + QStringLiteral("/tmp")));
    env.push_back("SAL_USE_VCLPLUGIN=svp");

    // Everything the child needs is prepared here: after fork only
    // async-signal-safe calls are allowed.
    std::vector<char *> argv;
    for (QByteArray &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (QByteArray &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const QByteArray logPath = QFile::encodeName(m_profile + QStringLiteral("/office.log"));
    const int log = ::open(logPath.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (log < 0 || null < 0) {
        if (log >= 0)
            ::close(log);
        if (null >= 0)
            ::close(null);
        throw SpreadsheetError(QStringLiteral("Не удалось запустить LibreOffice Calc: %1.")
                                   .arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(1); // the program ended between fork and prctl
        dup2(null, 0);
        dup2(log, 1);
        dup2(log, 2);
        syscall(SYS_close_range, 3U, ~0U, 0U);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    const int forkErrno = errno;
    ::close(log);
    ::close(null);
    if (pid < 0)
        throw SpreadsheetError(QStringLiteral("Не удалось запустить LibreOffice Calc: %1.")
                                   .arg(QString::fromLocal8Bit(std::strerror(forkErrno))));
    m_pid = pid;
}

bool OfficeProcess::hasExited(int *exitCode)
{
    if (m_pid == 0) {
        if (exitCode)
            *exitCode = -1;
        return true;
    }
    int status = 0;
    const pid_t r = waitpid(m_pid, &status, WNOHANG);
    if (r == 0)
        return false;
    if (r < 0 && errno != ECHILD)
        return false;
    m_pid = 0;
    if (exitCode)
        *exitCode = (r > 0 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    return true;
}

bool OfficeProcess::waitForExit(int msecs)
{
    for (int waited = 0;; waited += 10) {
        if (hasExited())
            return true;
        if (waited >= msecs)
            return false;
        QThread::msleep(10);
    }
}

void OfficeProcess::kill()
{
    if (m_pid == 0)
        return;
    ::kill(m_pid, SIGKILL);
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = 0;
}

QString OfficeProcess::logTail() const
{
    QFile log(m_profile + QStringLiteral("/office.log"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = log.size();
    log.seek(qMax<qint64>(0, size - 600));
    return QString::fromUtf8(log.readAll()).trimmed();
}

void OfficeProcess::removeStaleProfiles()
{
    const QDir temp(TempFolder());
    const QStringList names = temp.entryList({QLatin1String(ProfilePrefix) + QLatin1Char('*')},
                                             QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        // courtmail-calc-<program pid>-<token>
        if (!ownerIsGone(name.mid(int(sizeof ProfilePrefix) - 1).section(QLatin1Char('-'), 0, 0)))
            continue;
        const QString profile = temp.filePath(name);
        removePipes(profile, QString());
        QDir(profile).removeRecursively();
    }
    // OSL_PIPE_<uid>_courtmail_calc_<program pid>_<token>
    const QString ours = pipePrefix() + QStringLiteral("courtmail_calc_");
    for (const QString &folder : pipeFolders()) {
        const QDir dir(folder);
        for (const QString &pipe : dir.entryList({ours + QLatin1Char('*')}, QDir::System)) {
            if (ownerIsGone(pipe.mid(ours.size()).section(QLatin1Char('_'), 0, 0)))
                QFile::remove(dir.filePath(pipe));
        }
    }
}
