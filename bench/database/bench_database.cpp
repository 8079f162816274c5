// bench_database: figures for the database layer on this machine.
//
//   bench-bin/bench_database [--parties N] [--db FILE] [--server]
//
// Without --db it uses build/testdata/bench-<N>.fdb, building it once with
// scripts/make-db.sh (N parties, default 100 000). It measures, embedded (or
// through the server on localhost with --server, SYSDBA / masterkey):
//   - opening: the first open in the process and the mean of later ones;
//   - the party search, upper("FullName") like '%ИВА%', as the registration
//     window runs it on every keystroke (rows read, min and median of 7);
//   - 1 000 inserts into Z_POST, each committing itself, on a copy.

#include "database/command.h"
#include "database/connection.h"
#include "database/dbexception.h"
#include "database/firebirdenv.h"

#include "../benchsupport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

using bench::connectionString;

double openOnce(const QString &db)
{
    Connection connection;
    QElapsedTimer timer;
    timer.start();
    connection.Open(connectionString(db));
    const double ms = timer.nsecsElapsed() / 1e6;
    if (connection.State() != Connection::adStateOpen) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(db));
        std::exit(1);
    }
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    prepareFirebirdEnvironment();
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption partiesOption(QStringLiteral("parties"), QStringLiteral("parties in the generated database"), QStringLiteral("N"), QStringLiteral("100000"));
    const QCommandLineOption dbOption(QStringLiteral("db"), QStringLiteral("use this case-file database"), QStringLiteral("FILE"));
    const QCommandLineOption serverOption(QStringLiteral("server"), QStringLiteral("go through the server on localhost"));
    parser.addOptions({partiesOption, dbOption, serverOption});
    parser.process(app);

    const int parties = parser.value(partiesOption).toInt();
    const QString source = parser.isSet(dbOption)
        ? QFileInfo(parser.value(dbOption)).absoluteFilePath()
        : QStringLiteral(COURTMAIL_BUILD_DIR "/testdata/bench-%1.fdb").arg(parties);
    if (!bench::ensureDatabase(source, {QString::number(parties)}))
        return 1;

    // Work on a copy: the insert run changes it.
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFileDevice::ExeOther | QFileDevice::ReadOther);
    const QString copy = dir.filePath(QStringLiteral("bench.fdb"));
    if (!QFile::copy(source, copy))
        return 1;
    QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::ReadOther | QFileDevice::WriteOther);
    const QString db = parser.isSet(serverOption) ? QStringLiteral("localhost:") + copy : copy;
    std::printf("database: %s (%s)\n", qPrintable(source), parser.isSet(serverOption) ? "server" : "embedded");

    const double first = openOnce(db);
    double warm = 0;
    constexpr int WarmOpens = 10;
    for (int i = 0; i < WarmOpens; ++i)
        warm += openOnce(db);
    std::printf("open: first %.1f ms, then %.1f ms on average\n", first, warm / WarmOpens);

    Connection connection;
    connection.Open(connectionString(db));
    Command command;
    command.ActiveConnection = &connection;
    try {
        command.CommandText = QStringLiteral("select \"Subject\".\"FullName\", \"Subject\".\"OID\" from \"Subject\" "
                                             "where UPPER(\"Subject\".\"FullName\") like ? order by \"Subject\".\"OID\" desc");
        command.Parameters = {QStringLiteral("%ИВА%")};
        QList<double> times;
        int rows = 0;
        for (int i = 0; i < 7; ++i) {
            QElapsedTimer timer;
            timer.start();
            Recordset found = command.Execute();
            // Walk it as the window fills its list.
            for (; !found.Eof(); found.MoveNext())
                found.Fields(0).toString();
            times << timer.nsecsElapsed() / 1e6;
            rows = found.RecordCount();
        }
        std::sort(times.begin(), times.end());
        std::printf("search '%%ИВА%%': %d rows, min %.1f ms, median %.1f ms\n", rows, times.first(), times.at(times.size() / 2));

        command.CommandText = QStringLiteral("select count(*) from \"Subject\"");
        command.Parameters.clear();
        std::printf("parties in the database: %d\n", command.Execute().Fields(0).toInt());

        command.CommandText = QStringLiteral("insert into Z_POST values (?, ?, ?, ?, ?, ?, 1, Null, Null, Null, 'bench', 0)");
        const QDateTime when(QDate(2026, 3, 2), QTime(10, 0));
        QElapsedTimer timer;
        timer.start();
        for (int id = 1000001; id <= 1001000; ++id) {
            command.Parameters = {id, QString::number(id), when, QStringLiteral("Іваненко Дар'я Олексіївна"),
                                  QStringLiteral("36000\r\nУКРАИНА\r\nПолтавская обл.\r\nг.Полтава\r\nул.Садовая\r\nд.1"),
                                  QStringLiteral("2-1/2026")};
            command.Execute();
        }
        std::printf("1000 auto-committed inserts: %.0f ms\n", timer.nsecsElapsed() / 1e6);
    } catch (const DbException &e) {
        std::fprintf(stderr, "bench_database: %s\n", e.what());
        return 1;
    }
    return 0;
}
