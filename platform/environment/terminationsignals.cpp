#include "environment/terminationsignals.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const int kSignals[] = {SIGTERM, SIGINT};

// A modal window that will not close must not stop the main window closing.
constexpr int kMaxModalsClosed = 16;

// The write end of the live instance's pipe, or -1.
std::atomic<int> g_writeFd{-1};
// Raised by a signal, lowered again when the main window refused to close.
std::atomic<bool> g_pending{false};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    if (g_pending.exchange(true)) {
        // Blocked while this handler runs, so it strikes on return.
        ::signal(signalNumber, SIG_DFL);
        ::raise(signalNumber);
    } else {
        const int fd = g_writeFd.load();
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        if (fd >= 0 && ::write(fd, &byte, 1) < 0) {
            // Nothing more a signal handler could do about it.
        }
    }
    errno = savedErrno;
}

void setHandlers(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int s : kSignals)
        sigaddset(&action.sa_mask, s);
    action.sa_flags = SA_RESTART;
    for (const int s : kSignals)
        ::sigaction(s, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("TerminationSignals: no pipe (%s); SIGTERM and SIGINT keep their default",
                 std::strerror(errno));
        return;
    }
    m_readFd = fds[0];
    m_writeFd = fds[1];
    m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::onReadable);
    g_pending = false;
    g_writeFd = m_writeFd;
    setHandlers(onSignal);
}

TerminationSignals::~TerminationSignals()
{
    if (m_writeFd < 0)
        return;
    // Past its window the program is ending anyway: a signal now ends it at
    // once, whatever handler the client library had put there before.
    setHandlers(SIG_DFL);
    g_writeFd = -1;
    ::close(m_writeFd);
    ::close(m_readFd);
}

void TerminationSignals::setMainWindow(QWidget *mainWindow)
{
    m_mainWindow = mainWindow;
    if (m_closeWhenSet) {
        m_closeWhenSet = false;
        QTimer::singleShot(0, this, &TerminationSignals::closeNext);
    }
}

void TerminationSignals::reclaim()
{
    if (g_writeFd.load() >= 0)
        setHandlers(onSignal);
}

void TerminationSignals::onReadable()
{
    unsigned char received[16];
    ssize_t count;
    bool any = false;
    while ((count = ::read(m_readFd, received, sizeof received)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit this->received(received[i]);
        any = true;
    }
    if (any) {
        m_modalsClosed = 0;
        closeNext();
    }
}

void TerminationSignals::closeNext()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != m_mainWindow && m_modalsClosed < kMaxModalsClosed) {
        ++m_modalsClosed;
        modal->close();
        // The box's or dialog's caller gets its answer and unwinds before the
        // next one closes, and the main window's close handling runs last.
        QTimer::singleShot(0, this, &TerminationSignals::closeNext);
        return;
    }
    if (!m_mainWindow) {
        // Still starting up: the window is closed as soon as it is there.
        m_closeWhenSet = true;
        return;
    }
    if (!m_mainWindow->close()) {
        // Refused, as a clerk may cancel: keep running, and let a later
        // signal ask again rather than kill.
        g_pending = false;
        return;
    }
    QCoreApplication::quit();
}
