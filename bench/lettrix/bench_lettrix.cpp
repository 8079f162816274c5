// bench_lettrix: what a clerk waits for in Lettrix.
//
//   bench-bin/bench_lettrix
//
// - The party list rebuilt on a keystroke over a 100 000-party case file, for
//   a one-letter and a three-letter search, next to the bare query (through
//   our layer, and through isql-fb), so the program's own share shows.
// - One registration (numbering and insert in one transaction) on a Z_POST of
//   100 and of 100 000 letters.
// The databases are generated once into build/testdata.

#include "letterregistry.h"
#include "lettrixmain.h"

#include "database/command.h"
#include "database/connection.h"
#include "database/firebirdenv.h"
#include "environment/environment.h"
#include "ui/msgboxrecorder.h"

#include "../benchsupport.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

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

void registration(const QString &db, int letters)
{
    Connection connection;
    connection.Open(bench::connectionString(db));
    LetterRow row;
    row.date = QDateTime::currentDateTime();
    row.recipient = QStringLiteral("Иванов Иван Иванович");
    row.address = QStringLiteral("36000\r\nУКРАИНА\r\nПолтавская обл.\r\nг.Полтава\r\nул.Садовая\r\nд.12");
    row.notes = QStringLiteral("дело 2-15/2025");
    row.type = 2;
    row.creator = QStringLiteral("bench");
    QList<double> times;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer t;
        t.start();
        RegisterLetter(&connection, row);
        times << t.nsecsElapsed() / 1e6;
    }
    std::printf("registration on a Z_POST of %d letters: %.2f ms (median of 21)\n", letters, median(times));
}

} // namespace

int main(int argc, char *argv[])
{
    prepareFirebirdEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lettrix"));
    QTemporaryDir dir;

    const QString parties = QStringLiteral(COURTMAIL_BUILD_DIR "/testdata/bench-100000.fdb");
    if (!bench::ensureDatabase(parties, {QStringLiteral("100000")}))
        return 1;
    partySearch(copyOf(parties, dir, QStringLiteral("parties.fdb")), dir);

    for (int letters : {100, 100000}) {
        const QString path = QStringLiteral(COURTMAIL_BUILD_DIR "/testdata/bench-letters-%1.fdb").arg(letters);
        if (!bench::ensureDatabase(path, {QStringLiteral("10"), QStringLiteral("--letters"), QString::number(letters)}))
            return 1;
        registration(copyOf(path, dir, QStringLiteral("letters.fdb")), letters);
    }
    return 0;
}
