#pragma once

#include <QObject>
#include <QPointer>

class QSocketNotifier;
class QWidget;

// Lets SIGTERM and SIGINT (Ctrl+C in the terminal) end a program the way the
// clerk closing its main window does: open message boxes and dialogs are
// closed first, as if dismissed, then the main window, whose own close
// handling runs as usual, and the event loop ends with exit code 0. A second
// signal while the first is still being handled ends the process at once, as
// the signal's default would.
//
// Create one in main() right after the application object, before the main
// window starts connecting, and hand it the window with setMainWindow(); it
// lives until exec() returns and does not own the window. A signal that
// comes before the window is set closes it once the event loop runs. The
// signal handler only writes into a pipe; everything else runs on the UI
// thread. Once the object is destroyed, both signals take their default
// action again.
//
// The Firebird client library puts handlers of its own on both signals when
// it first attaches a database; they cut every attachment and keep the
// process alive. reclaim() puts ours back; the database layer calls it after
// each attach. Without a live TerminationSignals it does nothing.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

    void setMainWindow(QWidget *mainWindow);

    // Safe from any thread.
    static void reclaim();

signals:
    // Emitted on the UI thread for each signal, before the windows close.
    void received(int signalNumber);

private:
    void onReadable();
    void closeNext();

    QPointer<QWidget> m_mainWindow;
    QSocketNotifier *m_notifier = nullptr;
    int m_readFd = -1;
    int m_writeFd = -1;
    int m_modalsClosed = 0;
    bool m_closeWhenSet = false;
};
