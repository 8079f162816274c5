// SIGTERM and SIGINT close a program's windows as the clerk would: open
// dialogs first, then the main window; a refused close keeps it running;
// handlers another library put in their place are taken back.
#include "environment/terminationsignals.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

class MainWindow : public QWidget
{
public:
    int closeRequests = 0;
    bool refuse = false;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        ++closeRequests;
        event->setAccepted(!refuse);
    }
};

int g_foreignCalls = 0;
void foreignHandler(int)
{
    ++g_foreignCalls;
}

} // namespace

class TestTerminationSignals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void signalClosesDialogThenMainWindow_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void signalClosesDialogThenMainWindow()
    {
        QFETCH(int, signalNumber);
        MainWindow window;
        window.show();
        TerminationSignals watcher;
        watcher.setMainWindow(&window);
        QList<int> received;
        connect(&watcher, &TerminationSignals::received, this, [&](int s) { received << s; });

        QDialog dialog(&window);
        int closesWhileDialogUp = -1;
        QTimer::singleShot(0, this, [&] { ::raise(signalNumber); });
        connect(&dialog, &QDialog::finished, this, [&] { closesWhileDialogUp = window.closeRequests; });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(closesWhileDialogUp, 0);
        QTRY_COMPARE(window.closeRequests, 1);
        QVERIFY(!window.isVisible());
        QCOMPARE(received, QList<int>{signalNumber});
    }

    void refusedCloseKeepsRunningAndAsksAgain()
    {
        MainWindow window;
        window.refuse = true;
        window.show();
        TerminationSignals watcher;
        watcher.setMainWindow(&window);
        ::raise(SIGTERM);
        QTRY_COMPARE(window.closeRequests, 1);
        QVERIFY(window.isVisible());
        // Not the "second signal" that ends the process outright.
        ::raise(SIGINT);
        QTRY_COMPARE(window.closeRequests, 2);
        window.refuse = false;
        ::raise(SIGTERM);
        QTRY_COMPARE(window.closeRequests, 3);
        QVERIFY(!window.isVisible());
    }

    void reclaimTakesTheSignalsBack()
    {
        MainWindow window;
        window.show();
        TerminationSignals watcher;
        watcher.setMainWindow(&window);
        // What the database client library does on its first attach.
        ::signal(SIGTERM, foreignHandler);
        ::signal(SIGINT, foreignHandler);
        TerminationSignals::reclaim();
        ::raise(SIGINT);
        QTRY_COMPARE(window.closeRequests, 1);
        QCOMPARE(g_foreignCalls, 0);
    }

    void signalBeforeTheWindowClosesItOnceSet()
    {
        TerminationSignals watcher;
        ::raise(SIGTERM);
        QTest::qWait(50);
        MainWindow window;
        window.show();
        QCOMPARE(window.closeRequests, 0);
        watcher.setMainWindow(&window);
        QTRY_COMPARE(window.closeRequests, 1);
    }

    void defaultActionsComeBackWithTheObjectGone()
    {
        ::signal(SIGINT, foreignHandler);
        {
            TerminationSignals watcher;
        }
        TerminationSignals::reclaim();
        struct sigaction current = {};
        ::sigaction(SIGINT, nullptr, &current);
        QVERIFY(current.sa_handler == SIG_DFL);
    }
};

QTEST_MAIN(TestTerminationSignals)
#include "tst_terminationsignals.moc"
