#pragma once

// One headless LibreOffice process started for this program: its private
// profile in the temp folder and its pipes (removed again when the process
// is gone), its unique pipe name, its output log. The process is tied to the thread that
// launched it by PR_SET_PDEATHSIG, so it cannot outlive a crashed program;
// launch it from the GUI thread, which lives as long as the program.

#include <QString>

#include <sys/types.h>

class OfficeProcess
{
public:
    explicit OfficeProcess(const QString &officeProgramDir);
    // Kills a process still running and removes the profile.
    ~OfficeProcess();

    OfficeProcess(const OfficeProcess &) = delete;
    OfficeProcess &operator=(const OfficeProcess &) = delete;

    // Starts soffice.bin; the first call also creates the profile. Call again
    // after the office asked to be restarted (exit code 81, which a fresh
    // profile does once). Throws SpreadsheetError.
    void launch();
    // Reaps the process when it has ended; *exitCode is -1 after a signal.
    bool hasExited(int *exitCode = nullptr);
    bool isRunning() { return !hasExited(); }
    // Waits up to msecs for the end; true when it ended.
    bool waitForExit(int msecs);
    void kill();

    pid_t processId() const { return m_pid; }
    QString pipeName() const { return m_pipeName; }
    QString profileDirectory() const { return m_profile; }
    // Last lines the office wrote, for error messages.
    QString logTail() const;

    // Exit code by which soffice.bin asks to be started again.
    static constexpr int RestartRequested = 81;

    // Removes profiles and pipes left behind by programs that were killed.
    static void removeStaleProfiles();

private:
    void createProfile();
    void writeSettings();

    QString m_programDir;
    QString m_profile;
    QString m_pipeName;
    pid_t m_pid = 0;
};
