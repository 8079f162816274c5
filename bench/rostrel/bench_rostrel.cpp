// bench_rostrel: what a clerk waits for when Rostrel lists a busy day.
//
//   bench-bin/bench_rostrel
//
// On a Z_POST of 100 000 letters of which 1 000 were registered on one day
// (about two thirds simple, one third registered), the milliseconds from a
// click on a kind box to the refilled and repainted list: "заказные" ticked
// beside "простые" lists all 1 000, ticked off again the simple ones. Beside
// them the same listing query run bare through our database layer, its rows
// read whole. Then the same again after an index on PDATE is added to the
// copy measured, for comparison. The database is generated once into
// build/testdata.

#include "rostrelmain.h"

#include "check.h"
#include "database/command.h"
#include "database/connection.h"
#include "database/firebirdenv.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "ui/msgboxrecorder.h"

#include "../benchsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

const QDate kBusyDay(2026, 1, 12);

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// The listing query of the window for one kind (0: both), read whole.
double bareQuery(Connection *connection, int kind, int *rows)
{
    Command command;
    command.ActiveConnection = connection;
    command.CommandText = QStringLiteral(
        "select Z_POST.ID, Z_POST.NUMBER, Z_POST.PDATE, Z_POST.FIO, Z_POST.ADRESS, Z_POST.NOTES, Z_POST.WEIGHT, "
        "Z_POST.PRICE, Z_POST.BARCODE, Z_POST.TYPEM, Z_POST.REESTR from Z_POST where TYPEM=? AND "
        "(PDATE<=? AND PDATE>=?) ORDER BY CHAR_LENGTH(Z_POST.NUMBER), Z_POST.NUMBER");
    command.Parameters = {kind, QDateTime(kBusyDay, QTime(23, 59, 59)), QDateTime(kBusyDay, QTime(0, 0))};
    if (kind == 0) {
        command.CommandText.replace(QStringLiteral("TYPEM=? AND"), QString());
        command.Parameters.removeFirst();
    }
    QElapsedTimer t;
    t.start();
    Recordset rs = command.Execute();
    for (; !rs.Eof(); rs.MoveNext()) {
        for (int i = 0; i < rs.FieldCount(); ++i)
            rs.Fields(i);
    }
    *rows = rs.RecordCount();
    return t.nsecsElapsed() / 1e6;
}

// Clicks "заказные" on and off in a window on db and prints the medians.
bool measure(const QString &db, const char *table)
{
    MsgBoxRecorder boxes;
    RostrelMain window;
    if (!bench::waitConnected(window, db))
        return false;
    window.show();
    auto *registered = window.findChild<Check *>(QStringLiteral("Check2_1"));
    auto *list = window.findChild<QListWidget *>(QStringLiteral("List1"));
    window.findChild<QLineEdit *>(QStringLiteral("Text4"))->setText(Regional::DateToText(kBusyDay));

    QList<double> both, simple;
    int bothRows = 0, simpleRows = 0;
    for (int i = 0; i < 9; ++i) {
        for (QList<double> *times : {&both, &simple}) {
            QCoreApplication::processEvents();
            QElapsedTimer t;
            t.start();
            registered->click();
            QCoreApplication::processEvents(); // the list repaints
            *times << t.nsecsElapsed() / 1e6;
            (times == &both ? bothRows : simpleRows) = list->count();
        }
    }

    QList<double> bareBoth, bareSimple;
    int rows = 0;
    for (int i = 0; i < 9; ++i) {
        bareBoth << bareQuery(window.connection(), 0, &rows);
        bareSimple << bareQuery(window.connection(), 1, &rows);
    }

    std::printf("%s\n", table);
    std::printf("  both kinds, %d lines: click to filled list %.1f ms, bare query and fetch %.1f ms\n", bothRows,
                median(both), median(bareBoth));
    std::printf("  simple only, %d lines: click to filled list %.1f ms, bare query and fetch %.1f ms\n", simpleRows,
                median(simple), median(bareSimple));
    if (boxes.count() > 0)
        std::printf("  unexpected message: %s\n", qPrintable(boxes.last().prompt));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    prepareFirebirdEnvironment();
    bench::useOwnRuntimeFolder();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rostrel"));
    // The date box must read back what it shows, whatever this machine's locale.
    Regional::pin(QLocale(QLocale::Russian, QLocale::Russia));

    const QString source = QStringLiteral(COURTMAIL_BUILD_DIR "/testdata/bench-busyday-100000.fdb");
    if (!bench::ensureDatabase(source, {QStringLiteral("10"), QStringLiteral("--letters"), QStringLiteral("100000"),
                                        QStringLiteral("--busy-day"), QStringLiteral("1000")}))
        return 1;
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("letters.fdb"));
    QFile::copy(source, db);
    QFile::setPermissions(db, QFile::permissions(db) | QFileDevice::WriteOwner);
    QFile ini(dir.filePath(QStringLiteral("options.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write((QStringLiteral("[Main]\r\nConnectionString=") + db + QStringLiteral("\r\nUser=SYSDBA\r\nPass=masterkey\r\n"))
                  .toUtf8());
    ini.close();
    setProgramFolder(dir.path());

    std::printf("Z_POST of 100 000 letters, 1 000 of them on %s; medians of 9\n",
                qPrintable(Regional::DateToText(kBusyDay)));
    if (!measure(db, "table as the SQL scripts create it (the day is a full scan):"))
        return 1;

    // For comparison only: what an index on PDATE would give.
    {
        Connection connection;
        connection.Open(bench::connectionString(db));
        Command command;
        command.ActiveConnection = &connection;
        command.CommandText = QStringLiteral("CREATE INDEX BENCH_PDATE ON Z_POST (PDATE)");
        command.Execute();
    }
    return measure(db, "with an index on PDATE added:") ? 0 : 1;
}
