#pragma once

// The office behind every ExcelApplication of this program: one headless
// LibreOffice process, started on first use (or ahead of it, in the
// background) through the run-time loaded module libcourtmail_calc.so,
// reused by every later "new instance", replaced by a fresh one (started
// beside it, taking over while nothing is open) after every few dozen
// prints, and ended when the program ends (QCoreApplication's post routines, else
// atexit; PR_SET_PDEATHSIG if the program dies). A dead office is noticed
// at the next failing step and replaced at the next use.
//
// Also holds the program-wide switches and test seams:
// - module path: setModulePath(), else $COURTMAIL_CALC_MODULE, else
//   libcourtmail_calc.so in $COURTMAIL_PROGRAM_DIR, else in the
//   executable's folder. A module or office that cannot be found shows as
//   notInstalledMessage() at the first use, never at start-up;
// - headless: setHeadless(), else true when QT_QPA_PLATFORM is "offscreen"
//   or "minimal" or no display is set. The printing office is always
//   headless; headless mode only means workbooks left to the clerk are not
//   shown in a desktop office window;
// - print to PDF: setPrintToPdfDirectory(), else $COURTMAIL_PRINT_TO_PDF_DIR:
//   every PrintOut then writes a new PDF file there instead of printing;
// - hand-over handler: replaces showing workbooks to the clerk, gets the
//   files that would have been opened.

#include "calcbackend.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class OfficeProcess;
class QLibrary;
class QTimer;

class CalcOffice
{
public:
    using HandOverHandler = std::function<void(const QStringList &files)>;

    static QString notInstalledMessage();

    static void setModulePath(const QString &path);
    static QString modulePath();
    static void setHeadless(bool headless);
    static bool isHeadless();
    static void setPrintToPdfDirectory(const QString &directory);
    static QString printToPdfDirectory();
    static void setHandOverHandler(HandOverHandler handler);

    // Starts the office without waiting for it, so that the first print
    // finds it ready; the window's thread is held for a few milliseconds at
    // a time. Does nothing when one runs or is starting. A missing office
    // or module is said nothing of here: the first use reports it. Needs
    // a running event loop on the calling thread (the GUI thread).
    static void startInBackground();
    // An office runs and is connected.
    static bool isStarted();
    // Ends the office now (the next use starts a new one). Safe to call
    // when none runs.
    static void shutdown();
    // 0 and empty while no office runs.
    static qint64 processId();
    static QString profileDirectory();

    // For the Excel* classes.
    static CalcOffice &instance();
    // Starts the office when needed. Throws SpreadsheetError.
    CalcBackend &backend();
    // The running office's backend, or null; never starts one.
    CalcBackend *runningBackend();
    // Counts office starts; documents of an earlier office are gone.
    int generation() const { return m_generation; }
    // Called after a failed step: forgets an office that has died.
    void noteFailure();
    // Called after the first step of a print failed: true when the office
    // had died (it may still have looked alive a moment before), and is
    // forgotten, so that the step can be tried once more on a fresh one.
    bool forgetIfDied();
    // Every print counts towards the replacement that keeps the office small.
    void notePrinted();
    // An ExcelApplication exists: the office is not replaced meanwhile.
    void enter();
    void leave();
    // Shows the files in a desktop office window that stays after we exit
    // (or hands them to the handler). Throws SpreadsheetError.
    void showToClerk(const QStringList &files);

private:
    CalcOffice();
    ~CalcOffice() = delete; // lives to the process's end, see calcoffice.cpp

    void loadModule();
    // Starts soffice.bin; pollStart then connects, one look at a time, and
    // true once the new office has taken over. Both throw SpreadsheetError.
    void launch();
    bool pollStart();
    bool takeOver();
    void abandonStart();
    void start();
    void startAhead();
    void backgroundStep();
    void stop();

    QLibrary *m_library = nullptr;
    CalcBackendFactory m_factory = nullptr;
    // The office in use, and the one starting (first, or to replace it).
    std::unique_ptr<CalcBackend> m_backendInUse;
    CalcBackend *m_backend = nullptr;
    std::unique_ptr<OfficeProcess> m_process;
    std::unique_ptr<CalcBackend> m_startingBackend;
    std::unique_ptr<OfficeProcess> m_starting;
    bool m_startingReady = false;
    QElapsedTimer m_startClock;
    int m_restarts = 0;
    QTimer *m_poll = nullptr;
    int m_printsSinceStart = 0;
    int m_users = 0;
    bool m_connected = false;
    int m_generation = 0;
    bool m_exitHookInstalled = false;
};
