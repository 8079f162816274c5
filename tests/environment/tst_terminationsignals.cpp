// SIGTERM and SIGINT close a program's windows as the clerk would: open
// dialogs first, then the main window.
#include "environment/terminationsignals.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <memory>

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
    void signalClosesDialogThenMainWindow()
    {
        MainWindow window;
        window.show();
        TerminationSignals watcher;
        watcher.setMainWindow(&window);
        QList<int> received;
        connect(&watcher, &TerminationSignals::received, this, [&](int s) { received << s; });

        QDialog dialog(&window);
        int closesWhileDialogUp = -1;
        QTimer::singleShot(0, this, [&] { ::raise(SIGTERM); });
        connect(&dialog, &QDialog::finished, this, [&] { closesWhileDialogUp = window.closeRequests; });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(closesWhileDialogUp, 0);
        QTRY_COMPARE(window.closeRequests, 1);
        QVERIFY(!window.isVisible());
        QCOMPARE(received, QList<int>{SIGTERM});
    }

    // A signal before the window is known closes it once set; a refused close
    // keeps it running and the next signal asks again, not being the "second
    // signal" that ends a process outright; handlers another library put in
    // place are taken back, and the default actions once the object is gone.
    void earlyRefusedAndForeignSignals()
    {
        auto watcher = std::make_unique<TerminationSignals>();
        ::raise(SIGTERM);
        QTest::qWait(50);
        MainWindow window;
        window.refuse = true;
        window.show();
        QCOMPARE(window.closeRequests, 0);
        watcher->setMainWindow(&window);
        QTRY_COMPARE(window.closeRequests, 1);
        QVERIFY(window.isVisible());
        ::raise(SIGINT);
        QTRY_COMPARE(window.closeRequests, 2);

        // What the database client library does on its first attach.
        ::signal(SIGTERM, foreignHandler);
        ::signal(SIGINT, foreignHandler);
        TerminationSignals::reclaim();
        window.refuse = false;
        ::raise(SIGINT);
        QTRY_COMPARE(window.closeRequests, 3);
        QVERIFY(!window.isVisible());
        QCOMPARE(g_foreignCalls, 0);

        ::signal(SIGINT, foreignHandler);
        watcher.reset();
        TerminationSignals::reclaim();
        struct sigaction current = {};
        ::sigaction(SIGINT, nullptr, &current);
        QVERIFY(current.sa_handler == SIG_DFL);
    }
};

QTEST_MAIN(TestTerminationSignals)
#include "tst_terminationsignals.moc"
