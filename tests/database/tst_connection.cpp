// Connection against the real Firebird engine, embedded and through the test
// server: the asynchronous open and its outcome event, failures, time-outs,
// closing at awkward moments, reuse, two processes on one file, and a link
// to the server that stalls.

#include "database/command.h"
#include "database/connection.h"
#include "database/dbexception.h"
#include "testdb.h"
#include "testmain.h"

#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>

#include <atomic>

namespace {

// One ConnectComplete as the handler saw it.
struct Outcome
{
    bool hasError = false;
    QString description;
    int nativeError = 0;
    int status = 0;
    int stateInHandler = -1;
    bool onUiThread = false;
    bool sameConnection = false;
};

class OutcomeRecorder : public QObject
{
public:
    explicit OutcomeRecorder(Connection *connection)
    {
        connect(connection, &Connection::ConnectComplete, this,
                [this, connection](const DbError *pError, int adStatus, Connection *pConnection) {
                    Outcome outcome;
                    outcome.hasError = pError != nullptr;
                    if (pError) {
                        outcome.description = pError->Description;
                        outcome.nativeError = pError->NativeError;
                    }
                    outcome.status = adStatus;
                    outcome.stateInHandler = pConnection->State();
                    outcome.onUiThread = QThread::currentThread() == qApp->thread();
                    outcome.sameConnection = pConnection == connection;
                    outcomes << outcome;
                });
    }
    QList<Outcome> outcomes;
};

// Accepts TCP connections and never answers: a server that hangs the attach.
class SilentServer
{
public:
    SilentServer() { m_server.listen(QHostAddress::LocalHost); }
    ~SilentServer() { release(); }
    QString dbName() const { return QStringLiteral("127.0.0.1/%1:/silent.fdb").arg(m_server.serverPort()); }
    // Closing the listener resets the waiting attaches, so their workers end.
    void release()
    {
        m_server.close();
        QTest::qWait(300);
    }

private:
    QTcpServer m_server;
};

// Forwards connections to the test server from a thread of its own until
// frozen; then nothing passes either way while the sockets stay open, as on
// a network link that stalls.
class StallingProxy : public QThread
{
public:
    StallingProxy()
    {
        start();
        m_ready.acquire();
    }
    ~StallingProxy() override
    {
        quit();
        wait();
    }
    QString dbName(const QString &path) const { return QStringLiteral("127.0.0.1/%1:%2").arg(m_port).arg(path); }
    void freeze() { m_frozen = true; }

protected:
    void run() override
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        m_port = server.serverPort();
        connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
            QTcpSocket *client = server.nextPendingConnection();
            auto *upstream = new QTcpSocket(client);
            upstream->connectToHost(QHostAddress::LocalHost, 3050);
            const auto pass = [this](QTcpSocket *from, QTcpSocket *to) {
                if (!m_frozen)
                    to->write(from->readAll());
            };
            connect(client, &QTcpSocket::readyRead, upstream, [=] { pass(client, upstream); });
            connect(upstream, &QTcpSocket::readyRead, client, [=] { pass(upstream, client); });
        });
        m_ready.release();
        exec();
    }

private:
    QSemaphore m_ready;
    std::atomic<bool> m_frozen{false};
    quint16 m_port = 0;
};

int countRows(Connection &connection, const QString &sql)
{
    Command command;
    command.ActiveConnection = &connection;
    command.CommandText = sql;
    Recordset records = command.Execute();
    return records.Fields(0).toInt();
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void asyncOpenReportsLaterOnTheUiThread_data();
    void asyncOpenReportsLaterOnTheUiThread();
    void failedOpenReportsErrorStatus_data();
    void failedOpenReportsErrorStatus();
    void synchronousOpenHasReportedOnReturn();
    void unresponsiveServerTimesOutWhileEventsRun();
    void synchronousOpenHonoursTimeout();
    void closeWhileConnectingDropsTheOutcome();
    void destroyWhileConnecting();
    void closeTwiceAndCloseFromTheHandler();
    void reopenSameObject_data();
    void reopenSameObject();
    void twoProcessesOnOneEmbeddedFile();
    void lostConnectionClosesAndIsReported_data();
    void lostConnectionClosesAndIsReported();
    void stalledLinkCountsAsLost_data();
    void stalledLinkCountsAsLost();

private:
    QString dbName(bool server);
    TestDb m_db;
};

QString TestConnection::dbName(bool server)
{
    const QString path = m_db.freshCopy();
    if (path.isEmpty())
        return QString();
    return server ? TestDb::serverName(path) : path;
}

// The cases that run once on the embedded engine and once through the server.
static void embeddedAndServer()
{
    QTest::addColumn<bool>("server");
    QTest::newRow("embedded") << false;
    QTest::newRow("server") << true;
}

void TestConnection::asyncOpenReportsLaterOnTheUiThread_data()
{
    embeddedAndServer();
}

void TestConnection::asyncOpenReportsLaterOnTheUiThread()
{
    QFETCH(bool, server);
    if (server && !TestDb::serverAvailable())
        QSKIP("no Firebird server on 127.0.0.1:3050 (ctest fixture fbserver)");
    const QString name = dbName(server);
    QVERIFY(!name.isEmpty());

    Connection connection;
    OutcomeRecorder recorder(&connection);
    connection.ConnectionTimeout = 10;
    connection.CommandTimeout = 10;
    connection.Mode = 3;
    connection.Open(QStringLiteral("DRIVER=Firebird/InterBase(r) driver; Charset=WIN1251; DBNAME=%1; UID=SYSDBA; PWD=masterkey").arg(name),
                    QString(), QString(), Connection::adAsyncConnect);
    QCOMPARE(connection.State(), int(Connection::adStateConnecting));
    QVERIFY(recorder.outcomes.isEmpty());

    QTRY_COMPARE_WITH_TIMEOUT(recorder.outcomes.size(), 1, 15000);
    const Outcome outcome = recorder.outcomes.first();
    QVERIFY2(!outcome.hasError, qPrintable(outcome.description));
    QCOMPARE(outcome.status, int(Connection::adStatusOK));
    QCOMPARE(outcome.stateInHandler, int(Connection::adStateOpen));
    QVERIFY(outcome.onUiThread);
    QVERIFY(outcome.sameConnection);
    QCOMPARE(connection.State(), int(Connection::adStateOpen));
    QCOMPARE(countRows(connection, QStringLiteral("select count(*) from \"Subject\"")), 300);
}

void TestConnection::failedOpenReportsErrorStatus_data()
{
    QTest::addColumn<QString>("connectionString");
    QTest::addColumn<bool>("needsServer");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<int>("expectedCode");

    const QString firebird = QStringLiteral("DRIVER=Firebird/InterBase(r) driver; DBNAME=%1; UID=SYSDBA; PWD=%2");
    QTest::newRow("missing file, embedded")
        << firebird.arg(QStringLiteral("/nonexistent/folder/court.fdb"), QStringLiteral("masterkey"))
        << false << "No such file or directory" << -902;
    QTest::newRow("unknown driver name")
        << QStringLiteral("DRIVER=SQL Server; DBNAME=/x.fdb; UID=a; PWD=b")
        << false << "не указан драйвер" << 0;
    QTest::newRow("no driver at all")
        << QStringLiteral("DBNAME=/x.fdb; UID=a; PWD=b")
        << false << "не указан драйвер" << 0;
    QTest::newRow("nothing listens on the port")
        << firebird.arg(QStringLiteral("127.0.0.1/3999:/x.fdb"), QStringLiteral("masterkey"))
        << false << "Unable to complete network request" << -902;
    QTest::newRow("wrong password on the server")
        << firebird.arg(QStringLiteral("localhost:%1"), QStringLiteral("wrong-password"))
        << true << "Your user name and password are not defined" << -902;
    QTest::newRow("missing file on the server")
        << firebird.arg(QStringLiteral("localhost:/nonexistent/folder/court.fdb"), QStringLiteral("masterkey"))
        << true << "No such file or directory" << -902;
}

void TestConnection::failedOpenReportsErrorStatus()
{
    QFETCH(QString, connectionString);
    QFETCH(bool, needsServer);
    QFETCH(QString, expectedText);
    QFETCH(int, expectedCode);
    if (needsServer && !TestDb::serverAvailable())
        QSKIP("no Firebird server on 127.0.0.1:3050 (ctest fixture fbserver)");
    if (connectionString.contains(QLatin1String("%1"))) {
        const QString path = m_db.freshCopy();
        QVERIFY(!path.isEmpty());
        connectionString = connectionString.arg(path);
    }

    Connection connection;
    OutcomeRecorder recorder(&connection);
    connection.ConnectionTimeout = 10;
    connection.Open(connectionString, QString(), QString(), Connection::adAsyncConnect);
    QVERIFY(recorder.outcomes.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.outcomes.size(), 1, 15000);
    const Outcome outcome = recorder.outcomes.first();
    QVERIFY(outcome.hasError);
    QCOMPARE(outcome.status, int(Connection::adStatusErrorsOccurred));
    QVERIFY2(outcome.description.contains(expectedText), qPrintable(outcome.description));
    QCOMPARE(outcome.nativeError, expectedCode);
    QVERIFY(outcome.onUiThread);
    QCOMPARE(outcome.stateInHandler, int(Connection::adStateClosed));
    QCOMPARE(connection.State(), int(Connection::adStateClosed));
    // As a clerk retrying: each failure on the same object reports in full.
    for (int attempt = 2; attempt <= 3; ++attempt) {
        connection.Open(connectionString, QString(), QString(), Connection::adAsyncConnect);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.outcomes.size(), attempt, 15000);
        QCOMPARE(recorder.outcomes.last().description, outcome.description);
        QCOMPARE(recorder.outcomes.last().nativeError, expectedCode);
    }

    // Nothing more arrives, and statements are refused with a readable error.
    QTest::qWait(200);
    QCOMPARE(recorder.outcomes.size(), 3);
    Command command;
    command.ActiveConnection = &connection;
    command.CommandText = QStringLiteral("select 1 from rdb$database");
    QVERIFY_THROWS_EXCEPTION(DbException, command.Execute());
}

void TestConnection::synchronousOpenHasReportedOnReturn()
{
    const QString name = dbName(false);
    QVERIFY(!name.isEmpty());
    Connection connection;
    OutcomeRecorder recorder(&connection);
    connection.Open(TestDb::connectionString(name));
    QCOMPARE(recorder.outcomes.size(), 1);
    QCOMPARE(recorder.outcomes.first().status, int(Connection::adStatusOK));
    QCOMPARE(connection.State(), int(Connection::adStateOpen));

    connection.Open(TestDb::connectionString(QStringLiteral("/nonexistent/court.fdb")));
    QCOMPARE(recorder.outcomes.size(), 2);
    QCOMPARE(recorder.outcomes.last().status, int(Connection::adStatusErrorsOccurred));
    QCOMPARE(connection.State(), int(Connection::adStateClosed));
}

void TestConnection::unresponsiveServerTimesOutWhileEventsRun()
{
    SilentServer silent;
    Connection connection;
    OutcomeRecorder recorder(&connection);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
    ticker.start(20);

    connection.ConnectionTimeout = 1;
    connection.Open(TestDb::connectionString(silent.dbName()), QString(), QString(), Connection::adAsyncConnect);
    QCOMPARE(connection.State(), int(Connection::adStateConnecting));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.outcomes.size(), 1, 15000);
    QCOMPARE(recorder.outcomes.first().status, int(Connection::adStatusErrorsOccurred));
    QVERIFY2(recorder.outcomes.first().description.contains(QStringLiteral("Истекло время ожидания")),
             qPrintable(recorder.outcomes.first().description));
    QCOMPARE(connection.State(), int(Connection::adStateClosed));
    // The UI thread kept running its timers throughout the attempt.
    QVERIFY(ticks > 5);

    // The abandoned attach ends when the server goes away: still no report.
    silent.release();
    QCOMPARE(recorder.outcomes.size(), 1);
}

void TestConnection::synchronousOpenHonoursTimeout()
{
    SilentServer silent;
    Connection connection;
    OutcomeRecorder recorder(&connection);
    connection.ConnectionTimeout = 1;
    connection.Open(TestDb::connectionString(silent.dbName()));
    QCOMPARE(recorder.outcomes.size(), 1);
    QCOMPARE(recorder.outcomes.first().status, int(Connection::adStatusErrorsOccurred));
    QCOMPARE(connection.State(), int(Connection::adStateClosed));
    silent.release();
    QCOMPARE(recorder.outcomes.size(), 1);
}

void TestConnection::closeWhileConnectingDropsTheOutcome()
{
    const QString name = dbName(false);
    QVERIFY(!name.isEmpty());

    // An attempt that would succeed at once and one that hangs.
    for (const bool hanging : {false, true}) {
        SilentServer silent;
        Connection connection;
        OutcomeRecorder recorder(&connection);
        connection.Open(TestDb::connectionString(hanging ? silent.dbName() : name), QString(), QString(),
                        Connection::adAsyncConnect);
        connection.Close();
        QCOMPARE(connection.State(), int(Connection::adStateClosed));
        QTest::qWait(500);
        silent.release();
        QVERIFY(recorder.outcomes.isEmpty());

        // The object is usable again straight away.
        connection.Open(TestDb::connectionString(name), QString(), QString(), Connection::adAsyncConnect);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.outcomes.size(), 1, 15000);
        QCOMPARE(recorder.outcomes.first().status, int(Connection::adStatusOK));
    }
}

void TestConnection::destroyWhileConnecting()
{
    const QString name = dbName(false);
    QVERIFY(!name.isEmpty());
    SilentServer silent;
    OutcomeRecorder *recorders[2];
    {
        auto *quick = new Connection;
        auto *hanging = new Connection;
        recorders[0] = new OutcomeRecorder(quick);
        recorders[1] = new OutcomeRecorder(hanging);
        quick->Open(TestDb::connectionString(name), QString(), QString(), Connection::adAsyncConnect);
        hanging->Open(TestDb::connectionString(silent.dbName()), QString(), QString(), Connection::adAsyncConnect);
        // Gone before the first could report, while its attach may be done.
        delete quick;
        QTest::qWait(50);
        QCOMPARE(hanging->State(), int(Connection::adStateConnecting));
        delete hanging;
    }
    QTest::qWait(500);
    silent.release();
    QVERIFY(recorders[0]->outcomes.isEmpty());
    QVERIFY(recorders[1]->outcomes.isEmpty());
    delete recorders[0];
    delete recorders[1];
}

void TestConnection::closeTwiceAndCloseFromTheHandler()
{
    const QString name = dbName(false);
    QVERIFY(!name.isEmpty());
    Connection never;
    never.Close();
    never.Close();
    QCOMPARE(never.State(), int(Connection::adStateClosed));

    Connection connection;
    int seen = 0;
    connect(&connection, &Connection::ConnectComplete, this, [&](const DbError *, int, Connection *c) {
        ++seen;
        c->Close();
    });
    connection.Open(TestDb::connectionString(name), QString(), QString(), Connection::adAsyncConnect);
    QTRY_COMPARE_WITH_TIMEOUT(seen, 1, 15000);
    QCOMPARE(connection.State(), int(Connection::adStateClosed));
    connection.Close();
    connection.Close();
    QTest::qWait(100);
    QCOMPARE(seen, 1);
}

void TestConnection::reopenSameObject_data()
{
    embeddedAndServer();
}

void TestConnection::reopenSameObject()
{
    QFETCH(bool, server);
    if (server && !TestDb::serverAvailable())
        QSKIP("no Firebird server on 127.0.0.1:3050 (ctest fixture fbserver)");
    const QString name = dbName(server);
    QVERIFY(!name.isEmpty());

    Connection connection;
    OutcomeRecorder recorder(&connection);
    Command command;
    command.ActiveConnection = &connection;
    for (int round = 1; round <= 3; ++round) {
        connection.Open(TestDb::connectionString(name), QString(), QString(), Connection::adAsyncConnect);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.outcomes.size(), round, 15000);
        QCOMPARE(recorder.outcomes.last().status, int(Connection::adStatusOK));
        command.CommandText = QStringLiteral("insert into Z_POSTCONFIG values (?)");
        command.Parameters = {QStringLiteral("round %1").arg(round)};
        command.Execute();
        QCOMPARE(command.RecordsAffected, 1);
        connection.Close();
        QCOMPARE(connection.State(), int(Connection::adStateClosed));
        // The command keeps its connection, which refuses while closed.
        QVERIFY_THROWS_EXCEPTION(DbException, command.Execute());
    }
    // A failed attempt in between does not spoil the object either.
    connection.Open(TestDb::connectionString(QStringLiteral("/nonexistent/x.fdb")));
    QCOMPARE(recorder.outcomes.last().status, int(Connection::adStatusErrorsOccurred));
    connection.Open(TestDb::connectionString(name));
    QCOMPARE(recorder.outcomes.last().status, int(Connection::adStatusOK));
    QCOMPARE(countRows(connection, QStringLiteral("select count(*) from Z_POSTCONFIG")), 3);
}

void TestConnection::twoProcessesOnOneEmbeddedFile()
{
    // The registration and the register programs run side by side on one
    // embedded file; isql-fb stands in for the second program.
    const QString name = dbName(false);
    QVERIFY(!name.isEmpty());
    Connection connection;
    connection.Open(TestDb::connectionString(name));
    QCOMPARE(connection.State(), int(Connection::adStateOpen));
    Command command;
    command.ActiveConnection = &connection;
    command.CommandText = QStringLiteral("insert into Z_POSTCONFIG values (?)");
    command.Parameters = {QStringLiteral("из программы")};
    command.Execute();

    QProcess isql;
    isql.start(QStringLiteral("timeout"), {QStringLiteral("-k"), QStringLiteral("5"), QStringLiteral("60"),
                                           QStringLiteral("isql-fb"), QStringLiteral("-q"), QStringLiteral("-ch"),
                                           QStringLiteral("UTF8"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                                           name});
    QVERIFY(isql.waitForStarted());
    isql.write("insert into Z_POSTCONFIG values ('из isql'); commit;\n"
               "select count(*) from Z_POSTCONFIG where CURRENT_BAR = 'из программы';\n");
    isql.closeWriteChannel();
    QVERIFY(isql.waitForFinished(70000));
    const QString output = QString::fromUtf8(isql.readAllStandardOutput() + isql.readAllStandardError());
    QCOMPARE(isql.exitCode(), 0);
    QVERIFY2(!output.contains(QLatin1String("Statement failed")), qPrintable(output));
    QVERIFY2(output.contains(QRegularExpression(QStringLiteral("=+\\s+1\\s"))), qPrintable(output));

    QCOMPARE(countRows(connection, QStringLiteral("select count(*) from Z_POSTCONFIG where CURRENT_BAR = 'из isql'")), 1);
}

void TestConnection::lostConnectionClosesAndIsReported_data()
{
    embeddedAndServer();
}

void TestConnection::lostConnectionClosesAndIsReported()
{
    QFETCH(bool, server);
    if (server && !TestDb::serverAvailable())
        QSKIP("no Firebird server on 127.0.0.1:3050 (ctest fixture fbserver)");
    const QString name = dbName(server);
    QVERIFY(!name.isEmpty());
    Connection victim;
    int lost = 0;
    connect(&victim, &Connection::ConnectionLost, this, [&](Connection *c) { lost += c == &victim ? 1 : 100; });
    const auto failure = [&victim](const char *sql) {
        try {
            countRows(victim, QString::fromLatin1(sql));
        } catch (const DbException &e) {
            return e.error();
        }
        return DbError{QStringLiteral("no exception"), 1}; // no engine code is positive
    };

    // Ended inside a transaction, then outside one, opening the same object again.
    for (const bool inTransaction : {true, false}) {
        victim.Open(TestDb::connectionString(name));
        QCOMPARE(victim.State(), int(Connection::adStateOpen));
        QCOMPARE(countRows(victim, QStringLiteral("select count(*) from \"Subject\"")), 300);
        if (inTransaction)
            victim.BeginTrans();
        TestDb::endAttachment(victim, name);
        const DbError first = failure("select count(*) from \"Subject\"");
        QVERIFY2(first.ConnectionLost && first.NativeError == -902, qPrintable(first.Description));
        QCOMPARE(victim.State(), int(Connection::adStateClosed));
        // Rolling back after the loss is quiet; later statements are refused
        // without a second report.
        victim.RollbackTrans();
        const DbError later = failure("select 1 from rdb$database");
        QVERIFY2(!later.ConnectionLost && later.NativeError != 1, qPrintable(later.Description));
        QCOMPARE(lost, inTransaction ? 1 : 2);
    }
    // Ordinary failures say nothing of the kind.
    victim.Open(TestDb::connectionString(name));
    const DbError ordinary = failure("select count(*) from NO_SUCH_TABLE");
    QVERIFY2(!ordinary.ConnectionLost && ordinary.NativeError < 0, qPrintable(ordinary.Description));
    QCOMPARE(victim.State(), int(Connection::adStateOpen));
}

void TestConnection::stalledLinkCountsAsLost_data()
{
    QTest::addColumn<QString>("call");
    QTest::newRow("caller waits") << "Execute";
    QTest::newRow("asynchronous") << "ExecuteAsync";
    QTest::newRow("commit") << "CommitTrans";
    QTest::newRow("closed while a query runs") << "Close";
}

// The calls end within their time limit and a few seconds with the error of
// a lost connection, Close returns however stuck the attachment is, and the
// workers left behind end without harm before the process does.
void TestConnection::stalledLinkCountsAsLost()
{
    QFETCH(QString, call);
    if (!TestDb::serverAvailable())
        QSKIP("no Firebird server on 127.0.0.1:3050 (ctest fixture fbserver)");
    const QString path = m_db.freshCopy();
    QVERIFY(!path.isEmpty());
    StallingProxy proxy;
    Connection connection;
    connection.CommandTimeout = 1;
    connection.Open(TestDb::connectionString(proxy.dbName(path)));
    QCOMPARE(connection.State(), int(Connection::adStateOpen));
    int lost = 0;
    connect(&connection, &Connection::ConnectionLost, this, [&lost] { ++lost; });
    Command command;
    command.ActiveConnection = &connection;
    command.CommandText = QStringLiteral("select count(*) from \"Subject\"");
    QCOMPARE(command.Execute().Fields(0).toInt(), 300);
    if (call == QLatin1String("CommitTrans")) {
        connection.BeginTrans();
        countRows(connection, QStringLiteral("select count(*) from Z_POST"));
    }
    proxy.freeze();

    QElapsedTimer timer;
    timer.start();
    DbError error;
    bool completed = false;
    connect(&command, &Command::ExecuteComplete, this, [&](const DbError *pError, const Recordset &) {
        completed = true;
        if (pError)
            error = *pError;
    });
    try {
        if (call == QLatin1String("Execute"))
            command.Execute();
        else if (call == QLatin1String("CommitTrans"))
            connection.CommitTrans();
        else
            command.ExecuteAsync();
    } catch (const DbException &e) {
        completed = true;
        error = e.error();
    }
    if (call == QLatin1String("Close")) {
        QTest::qWait(100);
        connection.Close();
        QVERIFY(!command.Executing());
        QTest::qWait(200);
        QVERIFY(!completed);
        QCOMPARE(lost, 0);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(completed, 30000);
        QVERIFY2(error.ConnectionLost, qPrintable(error.Description));
        QCOMPARE(error.Description, QStringLiteral("Сервер базы данных не отвечает: соединение закрыто."));
        QCOMPARE(lost, 1);
        connection.Close();
    }
    QCOMPARE(connection.State(), int(Connection::adStateClosed));
    // Not a measure of speed: without a bound these calls never return.
    QVERIFY2(timer.elapsed() < 30000, qPrintable(QString::number(timer.elapsed())));
}

COURTMAIL_TEST_MAIN(TestConnection)
#include "tst_connection.moc"
