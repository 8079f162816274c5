// casefilegen: fills a case-file database for demos, tests and benchmarks.
//
//   casefilegen <database> [--parties N] [--seed S] [--letters N] [--busy-day N]
//               [--no-suite-tables] [--sql-dir DIR] [--user NAME] [--password TEXT]
//
// <database> is a path (embedded) or host:path (server) of a database that
// already holds the case-file tables of scripts/casefile.sql and no rows.
// Unless --no-suite-tables is given, the suite's tables are created first from
// the SQL scripts by the setup tool's own code (TableScripts): Z_POST.sql,
// Z_POSTCONFIG.sql and Z_POSTPRICE.sql as one statement each, then the
// tariffs of Z_ZINSERT.sql line by line in one transaction. The scripts are
// read from --sql-dir, by default the tool's own folder (the program's
// folder, where the build puts them).
// Then N parties (PartyGenerator, deterministic for the seed) and, with
// --letters, N rows of Z_POST go in within one transaction: forty a day from
// 12.01.2026 on, or, with --busy-day N, the first N of them on 12.01.2026
// between 08:00 and 18:00 and the rest forty a day from the next day on.

#include "database/command.h"
#include "database/connection.h"
#include "database/dbexception.h"
#include "database/firebirdenv.h"
#include "addressrules.h"
#include "partygenerator.h"
#include "tablescripts.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <stdexcept>

namespace {

struct Options
{
    QString database;
    QString user = QStringLiteral("SYSDBA");
    QString password = QStringLiteral("masterkey");
    QString sqlDir;
    int parties = 300;
    int letters = 0;
    int busyDay = 0;
    quint32 seed = 20260112;
    bool suiteTables = true;
};

[[noreturn]] void fail(const QString &message)
{
    throw std::runtime_error(message.toStdString());
}

void createSuiteTables(const Options &options)
{
    Connection connection;
    DbError openError;
    bool opened = false;
    QObject::connect(&connection, &Connection::ConnectComplete,
                     [&](const DbError *error, int status, Connection *) {
                         opened = status == Connection::adStatusOK;
                         if (error)
                             openError = *error;
                     });
    connection.ConnectionTimeout = 30;
    connection.Open(QStringLiteral("DRIVER=Firebird/InterBase(r) driver; DBNAME=%1; UID=%2; PWD=%3")
                        .arg(options.database, options.user, options.password));
    if (!opened)
        fail(QStringLiteral("cannot open %1: %2").arg(options.database, openError.Description));

    Command command;
    command.ActiveConnection = &connection;
    try {
        TableScripts(command, options.sqlDir).CreateMissingTables();
    } catch (const TableScripts::Failure &failure) {
        fail(QStringLiteral("%1: %2").arg(failure.Statement, failure.Text));
    }
    connection.Close();
}

void check(bool ok, const QSqlQuery &query)
{
    if (!ok || query.lastError().isValid())
        fail(query.lastError().text());
}

// The address as Lettrix composes and stores it from the party's parts, so
// that demo letters look like letters a clerk registered.
QString composeAddress(const PartyGenerator::Address &parts)
{
    std::array<QString, 7> texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = parts[i].toString();
    return AddressRules::PrintAddress(AddressRules::ComposeParts(texts));
}

void fillRows(const Options &options)
{
    const QString name = QStringLiteral("casefilegen");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), name);
        db.setDatabaseName(options.database);
        db.setUserName(options.user);
        db.setPassword(options.password);
        if (!db.open())
            fail(QStringLiteral("cannot open %1: %2").arg(options.database, db.lastError().text()));
        if (!db.transaction())
            fail(db.lastError().text());

        QSqlQuery subject(db);
        subject.prepare(QStringLiteral("insert into \"Subject\" (\"OID\", \"FullName\") values (?, ?)"));
        QSqlQuery address(db);
        address.prepare(QStringLiteral(
            "insert into \"Address\" (\"Subject\", \"Index\", \"Region\", \"Settlement\", \"Street\", "
            "\"Building\", \"AdditionalBuilding\", \"Room\") values (?, ?, ?, ?, ?, ?, ?, ?)"));
        QSqlQuery letter(db);
        if (options.letters > 0)
            letter.prepare(QStringLiteral("insert into Z_POST values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));

        PartyGenerator generator(options.seed);
        int addressCount = 0;
        const int partyRows = qMax(options.parties, options.letters > 0 ? 1 : 0);
        QList<PartyGenerator::Party> sample;
        for (int i = 0; i < partyRows; ++i) {
            const PartyGenerator::Party party = generator.next();
            if (i < options.parties) {
                subject.bindValue(0, party.Oid);
                subject.bindValue(1, party.FullName);
                check(subject.exec(), subject);
                for (const PartyGenerator::Address &parts : party.Addresses) {
                    address.bindValue(0, party.Oid);
                    for (int p = 0; p < 7; ++p)
                        address.bindValue(p + 1, parts[p]);
                    check(address.exec(), address);
                    ++addressCount;
                }
            }
            if (sample.size() < 500 && !party.FullName.isNull() && !party.Addresses.isEmpty())
                sample.append(party);
        }

        // Letters: a fixed start date, about forty a day, three clerks; a busy
        // day first when asked for.
        const QDateTime busyDay(QDate(2026, 1, 12), QTime(8, 0));
        const QDateTime firstDay(QDate(2026, 1, options.busyDay > 0 ? 13 : 12), QTime(8, 30));
        const QStringList clerks{QStringLiteral("clerk1"), QStringLiteral("clerk2"), QStringLiteral("clerk3")};
        for (int id = 1; id <= options.letters && !sample.isEmpty(); ++id) {
            const PartyGenerator::Party &party = sample.at(id % sample.size());
            const int kind = id % 3 == 0 ? 2 : 1;
            const bool weighed = id % 4 == 0;
            const int later = id - options.busyDay - 1;
            const QVariantList values{
                id,
                QString::number(id),
                later < 0 ? busyDay.addSecs(qint64(id - 1) * 36000 / options.busyDay)
                          : firstDay.addDays(later / 40).addSecs((later % 40) * 600),
                party.FullName.toString().left(65),
                composeAddress(party.Addresses.first()),
                QStringLiteral("Дело № 2-%1/2026").arg(id),
                kind,
                QVariant(),
                weighed ? QVariant(QStringLiteral("20")) : QVariant(),
                weighed ? QVariant(kind == 2 ? 24.0 : 9.0) : QVariant(),
                clerks.at(id % clerks.size()),
                kind == 2 && id % 2 == 0 ? 1 : 0,
            };
            for (int p = 0; p < values.size(); ++p)
                letter.bindValue(p, values.at(p));
            check(letter.exec(), letter);
        }

        if (!db.commit())
            fail(db.lastError().text());
        std::printf("parties: %d, addresses: %d, letters: %d\n", options.parties, addressCount,
                    sample.isEmpty() ? 0 : options.letters);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

Options parseOptions(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Fills a case-file database with synthetic parties."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("database"), QStringLiteral("path or host:path of the database"));
    const QCommandLineOption parties(QStringLiteral("parties"), QStringLiteral("number of parties (300)"), QStringLiteral("N"));
    const QCommandLineOption letters(QStringLiteral("letters"), QStringLiteral("number of Z_POST rows (0)"), QStringLiteral("N"));
    const QCommandLineOption busyDay(QStringLiteral("busy-day"), QStringLiteral("letters on the first day (0)"),
                                     QStringLiteral("N"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("random seed"), QStringLiteral("S"));
    const QCommandLineOption noSuite(QStringLiteral("no-suite-tables"), QStringLiteral("do not create Z_POST, Z_POSTCONFIG, Z_POSTPRICE"));
    const QCommandLineOption sqlDir(QStringLiteral("sql-dir"), QStringLiteral("folder of the SQL scripts"), QStringLiteral("DIR"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("database user (SYSDBA)"), QStringLiteral("NAME"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("password (masterkey)"), QStringLiteral("TEXT"));
    parser.addOptions({parties, letters, busyDay, seed, noSuite, sqlDir, user, password});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    Options options;
    options.database = parser.positionalArguments().constFirst();
    options.sqlDir = parser.isSet(sqlDir) ? parser.value(sqlDir) : QCoreApplication::applicationDirPath();
    if (parser.isSet(parties))
        options.parties = parser.value(parties).toInt();
    if (parser.isSet(letters))
        options.letters = parser.value(letters).toInt();
    if (parser.isSet(busyDay))
        options.busyDay = parser.value(busyDay).toInt();
    if (parser.isSet(seed))
        options.seed = parser.value(seed).toUInt();
    if (parser.isSet(user))
        options.user = parser.value(user);
    if (parser.isSet(password))
        options.password = parser.value(password);
    options.suiteTables = !parser.isSet(noSuite);
    if (options.parties < 0 || options.letters < 0 || options.busyDay < 0 || (options.letters > 0 && !options.suiteTables))
        parser.showHelp(2);
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    prepareFirebirdEnvironment();
    QCoreApplication app(argc, argv);
    const Options options = parseOptions(app);
    try {
        if (options.suiteTables)
            createSuiteTables(options);
        fillRows(options);
    } catch (const DbException &e) {
        std::fprintf(stderr, "casefilegen: %s\n", e.what());
        return 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "casefilegen: %s\n", e.what());
        return 1;
    }
    return 0;
}
