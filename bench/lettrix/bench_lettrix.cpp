// bench_lettrix: what a clerk waits for in Lettrix.
//
//   bench-bin/bench_lettrix [search] [register] [load] [--clerks N] [--letters N]
//
// - search: the party list rebuilt on a keystroke over a 100 000-party case
//   file, for a one-letter and a three-letter search, next to the bare query
//   (through our layer, and through isql-fb), so the program's own share shows.
// - register: one registration (numbering and insert in one transaction) on
//   a Z_POST of 100 and of 100 000 letters.
// - load: a busy office. N processes (8) register N letters (1000) each as
//   fast as they can, all on one embedded file, then all through the server
//   on 127.0.0.1:3050 (skipped when none answers); prints letters stored,
//   refused, numbers issued twice, numbers missing, letters per second and
//   the slowest single registration.
// Without arguments all three run. The databases are generated once into
// build/testdata.

#include "letterregistry.h"
#include "lettrixmain.h"

#include "database/command.h"
#include "database/connection.h"
#include "database/firebirdenv.h"
#include "environment/environment.h"
#include "ui/msgboxrecorder.h"

#include "../benchsupport.h"

#include "database/dbexception.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QSet>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

QString copyOf(const QString &source, const QTemporaryDir &dir, const QString &name)
{
    const QString copy = dir.filePath(name);
    QFile::remove(copy);
    QFile::copy(source, copy);
    QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::WriteOwner);
    return copy;
}

void partySearch(const QString &db, const QTemporaryDir &dir)
{
    QFile ini(dir.filePath(QStringLiteral("options.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write((QStringLiteral("[Main]\r\nConnectionString=") + db + QStringLiteral("\r\nUser=SYSDBA\r\nPass=masterkey\r\n")).toUtf8());
    ini.close();
    setProgramFolder(dir.path());

    MsgBoxRecorder boxes;
    LettrixMain window;
    QElapsedTimer wait;
    wait.start();
    while (!window.isConnected() && wait.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!window.isConnected()) {
        std::fprintf(stderr, "cannot connect to %s\n", qPrintable(db));
        std::exit(1);
    }
    window.show();
    auto *stext = window.findChild<QLineEdit *>(QStringLiteral("Stext"));
    auto *list = window.findChild<QListView *>(QStringLiteral("List0"));

    Connection connection;
    connection.Open(bench::connectionString(db));
    Command bare;
    bare.ActiveConnection = &connection;
    bare.CommandText = QStringLiteral("select \"Subject\".\"FullName\", \"Subject\".\"OID\" from \"Subject\" where "
                                      "UPPER(\"Subject\".\"FullName\") like UPPER(CAST(? AS VARCHAR(8191))) "
                                      "order by \"Subject\".\"OID\" desc");

    std::printf("party search over %s\n", qPrintable(db));
    for (const QString &filter : {QStringLiteral("и"), QStringLiteral("ива")}) {
        QList<double> keystroke, query;
        int rows = 0;
        for (int i = 0; i < 7; ++i) {
            stext->clear();
            QCoreApplication::processEvents();
            QElapsedTimer t;
            t.start();
            stext->setText(filter);
            QCoreApplication::processEvents(); // the list repaints
            keystroke << t.nsecsElapsed() / 1e6;
            rows = list->model()->rowCount();

            bare.Parameters = {QStringLiteral("%") + filter + QStringLiteral("%")};
            t.restart();
            Recordset rs = bare.Execute();
            for (; !rs.Eof(); rs.MoveNext())
                rs.Fields(0).toString();
            query << t.nsecsElapsed() / 1e6;
        }

        // The same query in isql, for comparison (includes starting isql).
        const QString sql = QStringLiteral("set list off; set heading off; select \"Subject\".\"FullName\", "
                                           "\"Subject\".\"OID\" from \"Subject\" where UPPER(\"Subject\".\"FullName\") "
                                           "like '%") + filter.toUpper() + QStringLiteral("%' order by \"Subject\".\"OID\" desc;\n");
        QList<double> isql;
        for (int i = 0; i < 3; ++i) {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            QElapsedTimer t;
            t.start();
            p.start(QStringLiteral("isql-fb"), {QStringLiteral("-ch"), QStringLiteral("UTF8"), QStringLiteral("-q"),
                                                QStringLiteral("-user"), QStringLiteral("SYSDBA"), db});
            p.write(sql.toUtf8());
            p.closeWriteChannel();
            p.waitForFinished(-1);
            isql << t.nsecsElapsed() / 1e6;
        }
        std::printf("  \"%s\": %d rows; keystroke to rebuilt list %.1f ms (median of 7); "
                    "bare query and fetch %.1f ms; isql-fb run %.1f ms\n",
                    qPrintable(filter), rows, median(keystroke), median(query), median(isql));
    }
}

LetterRow benchLetter(const QString &creator)
{
    LetterRow row;
    row.date = QDateTime::currentDateTime();
    row.recipient = QStringLiteral("Иванов Иван Иванович");
    row.address = QStringLiteral("36000\r\nУКРАИНА\r\nПолтавская обл.\r\nг.Полтава\r\nул.Садовая\r\nд.12");
    row.notes = QStringLiteral("дело 2-15/2025");
    row.type = 2;
    row.creator = creator;
    return row;
}

void registration(const QString &db, int letters)
{
    Connection connection;
    connection.Open(bench::connectionString(db));
    const LetterRow row = benchLetter(QStringLiteral("bench"));
    QList<double> times;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer t;
        t.start();
        RegisterLetter(&connection, row);
        times << t.nsecsElapsed() / 1e6;
    }
    std::printf("registration on a Z_POST of %d letters: %.2f ms (median of 21)\n", letters, median(times));
}

// One clerk of the load: connects, says "ready", waits for "go" on stdin,
// registers `letters` letters and prints "done <stored> <refused>
// <slowest ms>" and the first refusal's text, if any.
int clerk(const QString &db, int letters, const QString &name)
{
    Connection connection;
    connection.Open(bench::connectionString(db));
    if (connection.State() != Connection::adStateOpen) {
        std::printf("failed to connect\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return 1;

    const LetterRow row = benchLetter(name);
    int stored = 0, refused = 0;
    double slowest = 0;
    QString firstRefusal;
    for (int i = 0; i < letters; ++i) {
        QElapsedTimer t;
        t.start();
        try {
            RegisterLetter(&connection, row);
            ++stored;
        } catch (const DbException &e) {
            if (firstRefusal.isEmpty())
                firstRefusal = e.error().Description;
            ++refused;
        }
        slowest = std::max(slowest, t.nsecsElapsed() / 1e6);
    }
    std::printf("done %d %d %.1f\n%s\n", stored, refused, slowest, qPrintable(firstRefusal.simplified()));
    return 0;
}

bool serverAvailable()
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), 3050);
    return socket.waitForConnected(2000);
}

void load(const QString &where, const QString &db, int clerks, int letters)
{
    Connection connection;
    connection.Open(bench::connectionString(db));
    Command command;
    command.ActiveConnection = &connection;
    command.CommandText = QStringLiteral("delete from Z_POST");
    command.Execute();

    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < clerks; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--clerk"), db, QString::number(letters), QStringLiteral("clerk%1").arg(i + 1)});
        processes.push_back(std::move(p));
    }
    for (auto &p : processes) {
        if (!p->waitForReadyRead(60000) || !p->readLine().startsWith("ready")) {
            std::fprintf(stderr, "a clerk did not connect to %s\n", qPrintable(db));
            return;
        }
    }
    QElapsedTimer wall;
    wall.start();
    // QProcess sends only from an event loop or a wait: push every "go" out
    // before waiting for the first clerk, or they would run one by one.
    for (auto &p : processes) {
        p->write("go\n");
        p->waitForBytesWritten(10000);
    }
    int stored = 0, refused = 0;
    double slowest = 0;
    QString refusal;
    for (auto &p : processes) {
        p->waitForFinished(-1);
        const QList<QByteArray> out = p->readAllStandardOutput().split('\n');
        const QList<QByteArray> figures = out.value(0).split(' ');
        if (figures.value(0) != "done") {
            std::fprintf(stderr, "a clerk failed: %s\n", out.value(0).constData());
            continue;
        }
        stored += figures.value(1).toInt();
        refused += figures.value(2).toInt();
        slowest = std::max(slowest, figures.value(3).toDouble());
        if (refusal.isEmpty())
            refusal = QString::fromUtf8(out.value(1)).trimmed();
    }
    const double seconds = wall.nsecsElapsed() / 1e9;

    // What the table holds: every number once, 1 to the number of letters.
    command.CommandText = QStringLiteral(
        "select count(*), count(distinct NUMBER), count(distinct ID), max(cast(NUMBER as integer)) from Z_POST");
    const Recordset rs = command.Execute();
    const int rows = rs.Fields(0).toInt();
    const int duplicates = rows - rs.Fields(1).toInt();
    const int duplicateIds = rows - rs.Fields(2).toInt();
    const int highest = rs.Fields(3).toInt();
    const int gaps = highest - rs.Fields(1).toInt();

    std::printf("load, %s: %d processes x %d letters\n"
                "  letters stored %d (reported by the clerks %d), refused %d, numbers issued twice %d "
                "(IDs %d), numbers missing %d\n"
                "  %.0f letters per second (%.1f s), slowest registration %.0f ms\n",
                qPrintable(where), clerks, letters, rows, stored, refused, duplicates, duplicateIds, gaps,
                rows / seconds, seconds, slowest);
    if (!refusal.isEmpty())
        std::printf("  first refusal: %s\n", qPrintable(refusal));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    prepareFirebirdEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lettrix"));
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.value(0) == QLatin1String("--clerk"))
        return clerk(args.value(1), args.value(2).toInt(), args.value(3));

    int clerks = 8, letters = 1000;
    for (const char *option : {"--clerks", "--letters"}) {
        const qsizetype at = args.indexOf(QLatin1String(option));
        if (at >= 0) {
            (option[2] == 'c' ? clerks : letters) = args.value(at + 1).toInt();
            args.remove(at, 2);
        }
    }
    const auto wanted = [&args](const char *part) { return args.isEmpty() || args.contains(QLatin1String(part)); };
    QTemporaryDir dir;
    // Open to the server, which may run under another account.
    QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFileDevice::ExeOther | QFileDevice::ExeGroup);

    if (wanted("search")) {
        const QString parties = QStringLiteral(COURTMAIL_BUILD_DIR "/testdata/bench-100000.fdb");
        if (!bench::ensureDatabase(parties, {QStringLiteral("100000")}))
            return 1;
        partySearch(copyOf(parties, dir, QStringLiteral("parties.fdb")), dir);
    }

    if (wanted("register") || wanted("load")) {
        for (int letters : {100, 100000}) {
            const QString path = QStringLiteral(COURTMAIL_BUILD_DIR "/testdata/bench-letters-%1.fdb").arg(letters);
            if (!bench::ensureDatabase(path, {QStringLiteral("10"), QStringLiteral("--letters"), QString::number(letters)}))
                return 1;
            if (wanted("register"))
                registration(copyOf(path, dir, QStringLiteral("letters.fdb")), letters);
        }
    }

    if (wanted("load")) {
        const QString source = QStringLiteral(COURTMAIL_BUILD_DIR "/testdata/bench-letters-100.fdb");
        const QString file = copyOf(source, dir, QStringLiteral("load.fdb"));
        QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::ReadOther | QFileDevice::WriteOther);
        load(QStringLiteral("one embedded file"), file, clerks, letters);
        if (serverAvailable())
            load(QStringLiteral("server"), QStringLiteral("localhost:") + copyOf(source, dir, QStringLiteral("load-server.fdb")),
                 clerks, letters);
        else
            std::printf("load, server: skipped, nothing answers on 127.0.0.1:3050 (scripts/fbserver.sh start)\n");
    }
    return 0;
}
