// bench_rostrelregister: what a clerk waits for when Rostrel writes a busy
// day's register.
//
//   bench-bin/bench_rostrelregister
//
// 500 registered letters of one day, every other one with a delivery
// notification, all ticked in Rostrel's window; the seconds from a press of
// "Печать выделенного списка" to the filled register handed over: cold (no
// office running yet, so the press starts one) and warm (the office of the
// previous press reused; median of 5). The workbook is not shown: the
// hand-over only notes the file.

#include "rostrelmain.h"

#include "check.h"
#include "database/command.h"
#include "database/connection.h"
#include "database/firebirdenv.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "spreadsheet/calcoffice.h"
#include "ui/msgboxrecorder.h"
#include "workingcopies.h"
#include "xpb.h"

#include "../benchsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kLetters = 500;
const QDate kDay(2026, 1, 12);

bool addLetters(const QString &db)
{
    Connection connection;
    connection.Open(bench::connectionString(db));
    Command command;
    command.ActiveConnection = &connection;
    command.CommandText = QStringLiteral("insert into Z_POST values (?, ?, ?, ?, ?, ?, 2, ?, ?, ?, 'clerk', ?)");
    connection.BeginTrans();
    for (int n = 1; n <= kLetters; ++n) {
        command.Parameters = {n,
                              QString::number(n),
                              QDateTime(kDay, QTime(9, 0).addSecs(n * 60)),
                              QStringLiteral("Иванов Иван Иванович %1").arg(n),
                              QStringLiteral("%1\r\nНижегородская обл.\r\nг. Нижний Новгород\r\nул. Большая "
                                             "Покровская\r\nд. %2, кв. %3")
                                  .arg(603000 + n % 100)
                                  .arg(n % 90 + 1)
                                  .arg(n % 40 + 1),
                              QStringLiteral("дело 2-%1/2026").arg(n),
                              QStringLiteral("80%1").arg(n, 11, 10, QLatin1Char('0')),
                              QString::number(15 + n % 80),
                              45.5 + (n % 3) * 2.5,
                              n % 2};
        command.Execute();
    }
    connection.CommitTrans();
    return true;
}

double press(XpB *button, QLabel *status)
{
    QElapsedTimer t;
    t.start();
    emit button->Click();
    const double seconds = t.nsecsElapsed() / 1e9;
    if (status->text() != QStringLiteral("Реестр сформирован и выгружен в Excel"))
        std::fprintf(stderr, "build failed: %s\n", qPrintable(status->text()));
    return seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    prepareFirebirdEnvironment();
    bench::useOwnRuntimeFolder();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rostrel"));
    Regional::pin(QLocale(QLocale::Russian, QLocale::Russia));

    const QString source = QStringLiteral(COURTMAIL_BUILD_DIR "/testdata/bench-register.fdb");
    if (!bench::ensureDatabase(source, {QStringLiteral("10")}))
        return 1;
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("letters.fdb"));
    QFile::copy(source, db);
    QFile::setPermissions(db, QFile::permissions(db) | QFileDevice::WriteOwner);
    addLetters(db);

    QDir(dir.path()).mkpath(QStringLiteral("templates"));
    QDir(dir.path()).mkpath(QStringLiteral("temp"));
    const QString name = QStringLiteral("Реестр заказных писем.xls");
    QFile::copy(QStringLiteral(COURTMAIL_BUILD_DIR "/bin/templates/") + name,
                dir.filePath(QStringLiteral("templates/")) + name);
    qputenv("TMPDIR", QFile::encodeName(dir.filePath(QStringLiteral("temp"))));
    QFile ini(dir.filePath(QStringLiteral("options.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write(
        (QStringLiteral("[Main]\r\nConnectionString=") + db + QStringLiteral("\r\nUser=SYSDBA\r\nPass=masterkey\r\n"))
            .toUtf8());
    ini.close();
    setProgramFolder(dir.path());
    CalcOffice::setHandOverHandler([](const QStringList &) {});
    // The office module lies beside the programs, not beside the benchmarks.
    if (!QFile::exists(CalcOffice::modulePath()))
        CalcOffice::setModulePath(QStringLiteral(COURTMAIL_BUILD_DIR "/bin/libcourtmail_calc.so"));

    MsgBoxRecorder boxes;
    RostrelMain window;
    if (!bench::waitConnected(window, db))
        return 1;
    window.findChild<QLineEdit *>(QStringLiteral("Text4"))->setText(Regional::DateToText(kDay));
    window.findChild<Check *>(QStringLiteral("Check2_1"))->click(); // both kinds
    window.findChild<Check *>(QStringLiteral("Check2_0"))->click(); // registered only
    auto *list = window.findChild<QListWidget *>(QStringLiteral("List1"));
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setCheckState(Qt::Checked);
    auto *button = window.findChild<XpB *>(QStringLiteral("XpB1"));
    auto *status = window.findChild<QLabel *>(QStringLiteral("St"));

    CalcOffice::shutdown();
    const double cold = press(button, status);
    QList<double> warm;
    for (int i = 0; i < 5; ++i)
        warm << press(button, status);
    std::sort(warm.begin(), warm.end());
    std::printf("register of %d registered letters (%d lines ticked), template \"%s\"\n", kLetters, list->count(),
                qPrintable(name));
    std::printf("  cold (the press starts the office): %.2f s\n", cold);
    std::printf("  warm (office running): median %.2f s, fastest %.2f s, slowest %.2f s of 5\n", warm.at(2),
                warm.first(), warm.last());
    if (boxes.count() > 0)
        std::printf("  unexpected message: %s\n", qPrintable(boxes.last().prompt));
    DeleteWorkingCopies(dir.filePath(QStringLiteral("temp")));
    CalcOffice::shutdown();
    return 0;
}
