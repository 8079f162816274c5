#include "calcoffice.h"

#include "officeprocess.h"
#include "spreadsheeterror.h"

#include "environment/utf8environment.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLibrary>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <cstdlib>

#ifndef COURTMAIL_OFFICE_PROGRAM_DIR
#define COURTMAIL_OFFICE_PROGRAM_DIR "/usr/lib/libreoffice/program"
#endif

namespace {

const char ModuleFileName[] = "libcourtmail_calc.so";
// A cold start takes about a second here; a loaded CI machine may need more.
constexpr int StartTimeoutMs = 60000;
constexpr int MaxRestarts = 3;
// Each print leaves the office a little larger (see notePrinted); a new
// office after this many keeps it near the size of a fresh one.
constexpr int RestartAfterPrints = 30;

QString s_modulePath;
int s_headless = -1; // -1: decide from the environment
QString s_pdfDirectory;
CalcOffice::HandOverHandler s_handOverHandler;

QString officeProgramDir()
{
    return QStringLiteral(COURTMAIL_OFFICE_PROGRAM_DIR);
}

void shutdownAtExit()
{
    CalcOffice::shutdown();
}

} // namespace

QString CalcOffice::notInstalledMessage()
{
    return QStringLiteral("Не установлен LibreOffice Calc: печать невозможна.");
}

void CalcOffice::setModulePath(const QString &path)
{
    s_modulePath = path;
}

QString CalcOffice::modulePath()
{
    if (!s_modulePath.isEmpty())
        return s_modulePath;
    const QString fromEnv = qEnvironmentVariable("COURTMAIL_CALC_MODULE");
    if (!fromEnv.isEmpty())
        return fromEnv;
    QStringList candidates;
    const QString programDir = qEnvironmentVariable("COURTMAIL_PROGRAM_DIR");
    if (!programDir.isEmpty())
        candidates << programDir + QLatin1Char('/') + QLatin1String(ModuleFileName);
    if (QCoreApplication::instance())
        candidates << QCoreApplication::applicationDirPath() + QLatin1Char('/')
                + QLatin1String(ModuleFileName);
    for (const QString &c : candidates)
        if (QFileInfo::exists(c))
            return c;
    return candidates.isEmpty() ? QString::fromLatin1(ModuleFileName) : candidates.constLast();
}

void CalcOffice::setHeadless(bool headless)
{
    s_headless = headless ? 1 : 0;
}

bool CalcOffice::isHeadless()
{
    if (s_headless >= 0)
        return s_headless == 1;
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform.startsWith(QLatin1String("offscreen")) || platform.startsWith(QLatin1String("minimal")))
        return true;
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void CalcOffice::setPrintToPdfDirectory(const QString &directory)
{
    s_pdfDirectory = directory;
}

QString CalcOffice::printToPdfDirectory()
{
    return s_pdfDirectory.isEmpty() ? qEnvironmentVariable("COURTMAIL_PRINT_TO_PDF_DIR")
                                    : s_pdfDirectory;
}

void CalcOffice::setHandOverHandler(HandOverHandler handler)
{
    s_handOverHandler = std::move(handler);
}

void CalcOffice::shutdown()
{
    instance().stop();
}

qint64 CalcOffice::processId()
{
    CalcOffice &office = instance();
    return office.m_process ? office.m_process->processId() : 0;
}

QString CalcOffice::profileDirectory()
{
    CalcOffice &office = instance();
    return office.m_process ? office.m_process->profileDirectory() : QString();
}

CalcOffice &CalcOffice::instance()
{
    // Never destroyed: at exit the module's libraries may already be torn
    // down, and releasing UNO references then would crash. The office is
    // ended by the exit hook instead.
    static CalcOffice *office = new CalcOffice;
    return *office;
}

CalcOffice::CalcOffice() = default;

void CalcOffice::loadModule()
{
    if (m_factory)
        return;
    const QString path = modulePath();
    auto *library = new QLibrary(path);
    auto factory = reinterpret_cast<CalcBackendFactory>(
        library->resolve(COURTMAIL_CALC_BACKEND_FACTORY));
    if (!factory) {
        // Without LibreOffice the module cannot load at all
        // (libuno_sal.so.3 is missing); without the module there is nothing
        // to load. For the clerk both mean the same.
        qWarning().noquote() << "Spreadsheet module" << path
                             << "not usable:" << library->errorString();
        delete library;
        throw SpreadsheetError(notInstalledMessage());
    }
    // The library stays loaded for good: unloading UNO is not safe.
    m_library = library;
    m_factory = factory;
}

void CalcOffice::launch()
{
    loadModule();
    const QString programDir = officeProgramDir();
    if (!QFileInfo(programDir + QStringLiteral("/soffice.bin")).isExecutable())
        throw SpreadsheetError(notInstalledMessage());

    static bool swept = false;
    if (!swept) {
        OfficeProcess::removeStaleProfiles();
        swept = true;
    }

    auto process = std::make_unique<OfficeProcess>(programDir);
    process->launch();
    m_starting = std::move(process);
    // A backend of its own: the office in use keeps serving prints while
    // this one starts.
    m_startingBackend.reset(m_factory());
    m_startingReady = false;
    m_startClock.start();
    m_restarts = 0;
    // Also ends an office still starting when the program ends.
    if (!m_exitHookInstalled) {
        if (QCoreApplication::instance())
            qAddPostRoutine(shutdownAtExit);
        std::atexit(shutdownAtExit);
        m_exitHookInstalled = true;
    }
}

void CalcOffice::abandonStart()
{
    m_startingBackend.reset();
    m_starting.reset();
    m_startingReady = false;
}

bool CalcOffice::pollStart()
{
    if (!m_startingReady) {
        int exitCode = 0;
        if (m_starting->hasExited(&exitCode)) {
            if (exitCode == OfficeProcess::RestartRequested && m_restarts++ < MaxRestarts) {
                m_starting->launch();
                return false;
            }
            const QString log = m_starting->logTail();
            abandonStart();
            throw SpreadsheetError(QStringLiteral("LibreOffice Calc завершился при запуске (код %1).%2")
                                       .arg(exitCode)
                                       .arg(log.isEmpty() ? QString() : QLatin1Char('\n') + log));
        }
        bool connected = false;
        try {
            connected = m_startingBackend->tryConnect(m_starting->pipeName());
        } catch (const std::exception &e) {
            abandonStart();
            throw SpreadsheetError(QString::fromUtf8(e.what()));
        }
        if (!connected) {
            if (m_startClock.elapsed() > StartTimeoutMs) {
                abandonStart();
                throw SpreadsheetError(
                    QStringLiteral("LibreOffice Calc не отвечает: запуск не завершился за %1 секунд.")
                        .arg(StartTimeoutMs / 1000));
            }
            return false;
        }
        m_startingReady = true;
    }
    return takeOver();
}

bool CalcOffice::takeOver()
{
    // The office it replaces may still have workbooks open; it goes only
    // once every instance has let go of them.
    if (runningBackend() && m_users > 0)
        return false;
    if (m_backend && m_connected)
        m_backend->disconnect();
    // Nothing is open in the old office, so there is nothing to close
    // first, and killing spares the wait for an orderly end.
    m_process.reset();
    m_backendInUse = std::move(m_startingBackend);
    m_backend = m_backendInUse.get();
    m_process = std::move(m_starting);
    m_startingReady = false;
    m_connected = true;
    m_printsSinceStart = 0;
    ++m_generation;
    return true;
}

void CalcOffice::start()
{
    if (m_poll)
        m_poll->stop();
    if (!m_starting)
        launch();
    while (!pollStart())
        QThread::msleep(20);
}

void CalcOffice::startInBackground()
{
    instance().startAhead();
}

void CalcOffice::startAhead()
{
    if (!QCoreApplication::instance() || m_starting)
        return;
    if (runningBackend() && m_printsSinceStart < RestartAfterPrints)
        return;
    try {
        launch();
    } catch (const SpreadsheetError &e) {
        // The clerk hears of a missing office when a print asks for it.
        qInfo().noquote() << "Office not started in the background:" << e.message();
        return;
    }
    if (!m_poll) {
        // Each step only looks whether the office listens yet, so the
        // window's thread is never held for long.
        m_poll = new QTimer;
        m_poll->setInterval(20);
        QObject::connect(m_poll, &QTimer::timeout, [this] { backgroundStep(); });
    }
    m_poll->start();
}

void CalcOffice::backgroundStep()
{
    if (!m_starting) {
        m_poll->stop();
        return;
    }
    try {
        if (pollStart())
            m_poll->stop();
    } catch (const SpreadsheetError &e) {
        m_poll->stop();
        qInfo().noquote() << "Office not started in the background:" << e.message();
    }
}

bool CalcOffice::isStarted()
{
    return instance().runningBackend() != nullptr;
}

void CalcOffice::notePrinted()
{
    // Each print leaves the office a little larger, and it never gives that
    // back: past a few dozen prints a fresh office takes over, started
    // beside it while it goes on serving.
    if (++m_printsSinceStart == RestartAfterPrints)
        startAhead();
}

void CalcOffice::enter()
{
    ++m_users;
}

void CalcOffice::leave()
{
    if (--m_users == 0 && m_startingReady && m_poll)
        m_poll->start();
}

void CalcOffice::stop()
{
    if (m_poll)
        m_poll->stop();
    abandonStart();
    if (!m_process)
        return;
    if (m_backend && m_connected)
        m_backend->terminateOffice();
    m_connected = false;
    // terminate() returns before the process is gone; give it a moment to
    // end cleanly before the profile goes.
    if (!m_process->waitForExit(5000))
        m_process->kill();
    m_process.reset();
}

CalcBackend &CalcOffice::backend()
{
    if (CalcBackend *running = runningBackend())
        return *running;
    if (m_process) {
        // Died since the last step.
        if (m_backend)
            m_backend->disconnect();
        m_connected = false;
        m_process.reset();
    }
    start();
    return *m_backend;
}

CalcBackend *CalcOffice::runningBackend()
{
    return (m_connected && m_process && m_process->isRunning()) ? m_backend : nullptr;
}

void CalcOffice::noteFailure()
{
    if (m_process && m_process->hasExited()) {
        if (m_backend)
            m_backend->disconnect();
        m_connected = false;
        m_process.reset();
    }
}

bool CalcOffice::forgetIfDied()
{
    // A killed office closes its pipe at once but is reaped a moment later.
    constexpr int ReapWaitMs = 500;
    if (!m_process || !m_process->waitForExit(ReapWaitMs))
        return false;
    noteFailure();
    return true;
}

void CalcOffice::showToClerk(const QStringList &files)
{
    if (files.isEmpty())
        return;
    if (s_handOverHandler) {
        s_handOverHandler(files);
        return;
    }
    if (isHeadless()) {
        qInfo().noquote() << "No display: workbook left in" << files.join(QLatin1String(", "));
        return;
    }
    // The clerk's own office (their profile), detached from us: it stays
    // when we exit, and takes the files into an office already running.
    QProcess office;
    office.setProgram(officeProgramDir() + QStringLiteral("/soffice"));
    office.setArguments(QStringList{QStringLiteral("--nologo")} + files);
    office.setStandardOutputFile(QProcess::nullDevice());
    office.setStandardErrorFile(QProcess::nullDevice());
    // Like the program's own offices, the clerk's needs a UTF-8 character
    // type to open files whose path is not plain ASCII.
    QProcessEnvironment environment;
    for (const QByteArray &entry : WithUtf8CharacterType(ProcessEnvironment())) {
        const qsizetype equals = entry.indexOf('=');
        if (equals > 0)
            environment.insert(QString::fromLocal8Bit(entry.left(equals)),
                               QString::fromLocal8Bit(entry.mid(equals + 1)));
    }
    office.setProcessEnvironment(environment);
    if (!office.startDetached())
        throw SpreadsheetError(QStringLiteral("Не удалось показать книгу в LibreOffice Calc: %1")
                                   .arg(office.errorString()));
}
