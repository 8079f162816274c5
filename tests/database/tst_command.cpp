// Command and Recordset against the real Firebird engine: what the windows'
// statements rely on, the driver's traps, transactions and two clerks
// registering letters at the same time.

#include "database/command.h"
#include "database/connection.h"
#include "database/dbexception.h"
#include "testdb.h"
#include "testmain.h"

#include <atomic>
#include <thread>

namespace {

Recordset run(Connection &connection, const QString &sql, const QVariantList &parameters = {})
{
    Command command;
    command.ActiveConnection = &connection;
    command.CommandText = sql;
    command.Parameters = parameters;
    return command.Execute();
}

// Counts billions of rows: it ends only when cancelled, so a test that
// waited for it would never end either.
const QString kEndless = QStringLiteral(
    "select count(*) from rdb$types a, rdb$types b, rdb$types c, rdb$types d");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the registration does: the next ID and number from the row with the
// highest ID, inserted in one transaction, retried when another clerk got
// there first. Returns the number, or -1 after too many conflicts.
int registerLetter(Connection &connection, const QString &clerk)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        try {
            connection.BeginTrans();
            Recordset last = run(connection, QStringLiteral("select first 1 Z_POST.ID, Z_POST.NUMBER from Z_POST ORDER BY id DESC"));
            const int id = last.Eof() ? 1 : last.Fields(0).toInt() + 1;
            const int number = last.Eof() ? 1 : last.Fields(1).toInt() + 1;
            run(connection, QStringLiteral("insert into Z_POST values (?, ?, ?, ?, ?, ?, ?, ?, Null, Null, ?, ?)"),
                {id, QString::number(number), QDateTime(QDate(2026, 3, 2), QTime(10, 0)), QStringLiteral("Іваненко Дар'я"),
                 QStringLiteral("36000\r\nУКРАИНА"), QStringLiteral("2-1/2026"), 1, QVariant(), clerk, 0});
            connection.CommitTrans();
            return number;
        } catch (const DbException &e) {
            connection.RollbackTrans();
            if (e.error().NativeError != -803 && e.error().NativeError != -913)
                throw;
        }
    }
    return -1;
}

} // namespace

class TestCommand : public QObject
{
    Q_OBJECT

private slots:
    void scriptFilesReachTheProgramFolderUnchanged();
    void suiteTablesHaveTheColumnOrderTheInsertUses();
    void tariffLaddersAreLoaded();
    void nullColumnsReadAsNullVariants();
    void textRoundTripThroughParameters_data();
    void textRoundTripThroughParameters();
    void upperLikeIgnoresCaseOfCyrillic_data();
    void upperLikeIgnoresCaseOfCyrillic();
    void numericReadsBackExactly_data();
    void numericReadsBackExactly();
    void timestampRoundTrip();
    void failingStatementThrowsWithNativeText_data();
    void failingStatementThrowsWithNativeText();
    void failedAutoCommitIsReported();
    void repeatedSelectSeesNewRows();
    void transactionCommitAndRollback();
    void transactionMisuse();
    void concurrentInsertOfSameKeyIsCatchable();
    void concurrentUpdateConflictIsCatchable();
    void twoClerksNeverShareANumber_data();
    void twoClerksNeverShareANumber();
    void hundredThousandRows();
    void misuseThrowsInsteadOfCrashing();
    void asynchronousStatements_data();
    void asynchronousStatements();

private:
    // Opens a fresh copy of the template; false with a message on failure.
    bool openFresh(Connection &connection, bool server = false);
    QString m_lastPath;
    TestDb m_db;
};

bool TestCommand::openFresh(Connection &connection, bool server)
{
    m_lastPath = m_db.freshCopy();
    if (m_lastPath.isEmpty())
        return false;
    connection.ConnectionTimeout = 10;
    connection.Open(TestDb::connectionString(server ? TestDb::serverName(m_lastPath) : m_lastPath));
    return connection.State() == Connection::adStateOpen;
}

void TestCommand::scriptFilesReachTheProgramFolderUnchanged()
{
    const QString source = qEnvironmentVariable("COURTMAIL_SOURCE_DIR") + QStringLiteral("/sql/");
    const QString program = qEnvironmentVariable("COURTMAIL_PROGRAM_DIR") + QLatin1Char('/');
    for (const char *name : {"Z_POST.sql", "Z_POSTCONFIG.sql", "Z_POSTPRICE.sql", "Z_ZINSERT.sql"}) {
        const QByteArray original = readFile(source + QLatin1String(name));
        QVERIFY2(!original.isEmpty(), name);
        QCOMPARE(readFile(program + QLatin1String(name)), original);
        // Executed whole: one statement, no terminator.
        if (QByteArray(name) != "Z_ZINSERT.sql")
            QVERIFY2(!original.contains(';'), name);
    }
    // One INSERT per piece between CR LF, none empty, no bare line feeds.
    const QByteArray inserts = readFile(source + QStringLiteral("Z_ZINSERT.sql"));
    const QList<QByteArray> pieces = inserts.split('\n');
    for (int i = 0; i < pieces.size(); ++i) {
        QByteArray piece = pieces.at(i);
        if (i + 1 < pieces.size()) {
            QVERIFY2(piece.endsWith('\r'), "every line ends with CR LF");
            piece.chop(1);
        }
        QVERIFY2(piece.startsWith("INSERT INTO Z_POSTPRICE"), piece.constData());
        QVERIFY(!piece.contains('\r'));
    }
}

void TestCommand::suiteTablesHaveTheColumnOrderTheInsertUses()
{
    Connection connection;
    QVERIFY(openFresh(connection));
    const QList<QPair<QString, QStringList>> tables = {
        {QStringLiteral("Z_POST"),
         {"ID", "NUMBER", "PDATE", "FIO", "ADRESS", "NOTES", "TYPEM", "BARCODE", "WEIGHT", "PRICE", "CREATOR", "REESTR"}},
        {QStringLiteral("Z_POSTCONFIG"), {"CURRENT_BAR"}},
        {QStringLiteral("Z_POSTPRICE"), {"TYPEM", "WEIGHT", "PRICE"}},
    };
    for (const auto &table : tables) {
        Recordset columns = run(connection, QStringLiteral("select RDB$FIELD_NAME from RDB$RELATION_FIELDS "
                                                           "where RDB$RELATION_NAME = ? order by RDB$FIELD_POSITION"),
                                {table.first});
        QStringList names;
        for (; !columns.Eof(); columns.MoveNext())
            names << columns.Fields(0).toString().trimmed();
        QCOMPARE(names, table.second);
    }
    // The existence test of the setup tool, padded name and all.
    Recordset found = run(connection, QStringLiteral("select RDB$RELATION_NAME from RDB$RELATIONS where "
                                                     "(RDB$SYSTEM_FLAG = 0) and (RDB$RELATION_NAME='Z_POST')"));
    QVERIFY(!found.Eof());
    QVERIFY(found.Fields(0).toString().contains(QStringLiteral("Z_POST")));
}

void TestCommand::tariffLaddersAreLoaded()
{
    Connection connection;
    QVERIFY(openFresh(connection));
    for (int kind = 1; kind <= 5; ++kind) {
        Recordset rows = run(connection, QStringLiteral("select Z_POSTPRICE.price, Z_POSTPRICE.WEIGHT from Z_POSTPRICE "
                                                        "where TYPEM=? order by Z_POSTPRICE.WEIGHT"), {kind});
        QVERIFY(kind <= 2 ? rows.RecordCount() >= 2 && rows.RecordCount() <= 20 : rows.RecordCount() == 1);
        int previous = -1;
        for (; !rows.Eof(); rows.MoveNext()) {
            QVERIFY(!rows.Fields(0).isNull());
            QVERIFY(rows.Fields(0).toDouble() > 0);
            QVERIFY(rows.Fields(1).toInt() > previous);
            previous = rows.Fields(1).toInt();
        }
    }
}

void TestCommand::nullColumnsReadAsNullVariants()
{
    Connection connection;
    QVERIFY(openFresh(connection));
    // Party 6 has no name; party 2's address has no building and no room.
    Recordset party = run(connection, QStringLiteral("select \"Subject\".\"FullName\", \"Subject\".\"OID\" from \"Subject\" where \"OID\" = 6"));
    QCOMPARE(party.RecordCount(), 1);
    QVERIFY(party.Fields(0).isNull());
    QCOMPARE(party.Fields(1).toInt(), 6);

    Recordset address = run(connection, QStringLiteral(
        "select \"Address\".\"Index\", \"Address\".\"Region\", \"Address\".\"Settlement\", \"Address\".\"Street\", "
        "\"Address\".\"Building\", \"Address\".\"AdditionalBuilding\", \"Address\".\"Room\" from \"Address\" where \"Subject\"=2"));
    QCOMPARE(address.Fields(0).toString(), QStringLiteral("101000"));
    QCOMPARE(address.Fields(2).toString(), QStringLiteral("г.Москва"));
    QVERIFY(address.Fields(4).isNull());
    QVERIFY(address.Fields(6).isNull());

    // A letter just registered has Null barcode, weight and price.
    run(connection, QStringLiteral("insert into Z_POST values (1, '1', ?, 'a', 'b', 'c', 1, ?, Null, Null, 'u', 0)"),
        {QDateTime(QDate(2026, 3, 2), QTime(9, 0)), QVariant()});
    Recordset letter = run(connection, QStringLiteral("select BARCODE, WEIGHT, PRICE, REESTR from Z_POST"));
    QVERIFY(letter.Fields(0).isNull());
    QVERIFY(letter.Fields(1).isNull());
    QVERIFY(letter.Fields(2).isNull());
    QVERIFY(!letter.Fields(3).isNull());
    QCOMPARE(letter.Fields(3).toInt(), 0);
}

void TestCommand::textRoundTripThroughParameters_data()
{
    QTest::addColumn<bool>("server");
    QTest::addColumn<QString>("text");
    const QList<QPair<const char *, QString>> texts = {
        {"apostrophes", QStringLiteral("Дар'я, вул. Пам'яті")},
        {"Ukrainian letters", QStringLiteral("Їжак Ґанок Єва Іванівна ЇҐЄІ")},
        {"quotes, percent and underscore", QStringLiteral("ТОВ «Світанок» \"50%\" _x_ '' ;--")},
        {"lines joined by CR LF", QStringLiteral("36000\r\nУКРАИНА\r\nПолтавская обл.\r\nг.Полтава\r\nул.Садовая")},
        {"500 characters", QString(500, QChar(0x0416))},
    };
    for (const auto &text : texts) {
        QTest::addRow("embedded, %s", text.first) << false << text.second;
        QTest::addRow("server, %s", text.first) << true << text.second;
    }
}

void TestCommand::textRoundTripThroughParameters()
{
    QFETCH(bool, server);
    QFETCH(QString, text);
    if (server && !TestDb::serverAvailable())
        QSKIP("no Firebird server on 127.0.0.1:3050 (ctest fixture fbserver)");
    Connection connection;
    QVERIFY(openFresh(connection, server));
    Command command;
    command.ActiveConnection = &connection;
    command.CommandText = QStringLiteral("insert into Z_POST (ID, ADRESS, FIO) values (?, ?, ?)");
    command.Parameters = {7, text, text.left(100)};
    command.Execute();
    QCOMPARE(command.RecordsAffected, 1);
    Recordset back = run(connection, QStringLiteral("select ADRESS, FIO from Z_POST where ADRESS = ?"), {text});
    QCOMPARE(back.RecordCount(), 1);
    QCOMPARE(back.Fields(0).toString(), text);
    QCOMPARE(back.Fields(1).toString(), text.left(100));
}

void TestCommand::upperLikeIgnoresCaseOfCyrillic_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QList<int>>("fixedParties");

    QTest::newRow("ива finds Иванов, ИВАНОВ, обслуживания, not Іваненко") << "ива" << QList<int>{8, 2, 1};
    QTest::newRow("Ukrainian іва finds Іваненко") << "іва" << QList<int>{3};
    QTest::newRow("apostrophe inside the filter") << "дар'я" << QList<int>{3};
    QTest::newRow("organisation in quotes") << "«ромашка»" << QList<int>{7};
    QTest::newRow("middle of a word, mixed case") << "ВаНоВ" << QList<int>{2, 1};
    QTest::newRow("no match") << "щщщ" << QList<int>{};
}

void TestCommand::upperLikeIgnoresCaseOfCyrillic()
{
    QFETCH(QString, typed);
    QFETCH(QList<int>, fixedParties);
    Connection connection;
    QVERIFY(openFresh(connection));
    Recordset found = run(connection, QStringLiteral("select \"Subject\".\"FullName\", \"Subject\".\"OID\" from \"Subject\" "
                                                     "where UPPER(\"Subject\".\"FullName\") like ? and \"Subject\".\"OID\" <= 8 "
                                                     "order by \"Subject\".\"OID\" desc"),
                          {QLatin1Char('%') + typed.toUpper() + QLatin1Char('%')});
    QList<int> oids;
    for (; !found.Eof(); found.MoveNext()) {
        oids << found.Fields(1).toInt();
        QVERIFY(found.Fields(0).toString().toUpper().contains(typed.toUpper()));
    }
    QCOMPARE(oids, fixedParties);
}

void TestCommand::numericReadsBackExactly_data()
{
    QTest::addColumn<QVariant>("bound");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("19.99 bound as double") << QVariant(19.99) << "19.99" << 19.99;
    QTest::newRow("19.99 bound as text") << QVariant(QStringLiteral("19.99")) << "19.99" << 19.99;
    QTest::newRow("one cent") << QVariant(0.01) << "0.01" << 0.01;
    QTest::newRow("ten cents") << QVariant(0.1) << "0.1" << 0.1;
    QTest::newRow("largest NUMERIC(10,2)") << QVariant(QStringLiteral("99999999.99")) << "99999999.99" << 99999999.99;
    QTest::newRow("negative") << QVariant(-5.5) << "-5.5" << -5.5;
    QTest::newRow("zero") << QVariant(0) << "0" << 0.0;
    QTest::newRow("more decimals round to cents") << QVariant(QStringLiteral("12.345")) << "12.35" << 12.35;
}

void TestCommand::numericReadsBackExactly()
{
    QFETCH(QVariant, bound);
    QFETCH(QString, text);
    QFETCH(double, value);
    Connection connection;
    QVERIFY(openFresh(connection));
    run(connection, QStringLiteral("insert into Z_POST (ID, PRICE) values (1, ?)"), {bound});
    Recordset back = run(connection, QStringLiteral("select PRICE from Z_POST where ID = 1"));
    QCOMPARE(back.Fields(0).toString(), text);
    QCOMPARE(back.Fields(0).toDouble(), value);
}

void TestCommand::timestampRoundTrip()
{
    Connection connection;
    QVERIFY(openFresh(connection));
    const QDateTime registered(QDate(2026, 12, 9), QTime(13, 45, 10));
    run(connection, QStringLiteral("insert into Z_POST (ID, PDATE) values (1, ?)"), {registered});
    run(connection, QStringLiteral("insert into Z_POST (ID, PDATE) values (2, ?)"), {registered.addDays(1)});
    // A day bounded by its first and last second, as the listings do.
    Recordset day = run(connection, QStringLiteral("select ID, PDATE from Z_POST where PDATE >= ? and PDATE <= ?"),
                        {QDateTime(QDate(2026, 12, 9), QTime(0, 0)), QDateTime(QDate(2026, 12, 9), QTime(23, 59, 59))});
    QCOMPARE(day.RecordCount(), 1);
    QCOMPARE(day.Fields(0).toInt(), 1);
    QCOMPARE(day.Fields(1).toDateTime(), registered);
}

void TestCommand::failingStatementThrowsWithNativeText_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QVariantList>("parameters");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    QTest::newRow("unknown table") << "select * from NO_SUCH_TABLE" << QVariantList{} << -204 << "Table unknown";
    QTest::newRow("unknown column") << "select NO_SUCH from Z_POST" << QVariantList{} << -206 << "Column unknown";
    QTest::newRow("syntax") << "selec 1 from rdb$database" << QVariantList{} << -104 << "Token unknown";
    QTest::newRow("wrong value count") << "insert into Z_POSTCONFIG values (1, 2)" << QVariantList{} << -804 << "Count of";
    QTest::newRow("duplicate key") << "insert into Z_POST (ID) values (?)" << QVariantList{1} << -803 << "PRIMARY or UNIQUE KEY";
    QTest::newRow("text too long is refused, not cut") << "insert into Z_POSTCONFIG values (?)"
                                                       << QVariantList{QString(21, QLatin1Char('7'))} << -802 << "truncation";
    QTest::newRow("unknown table in drop") << "DROP TABLE NO_SUCH_TABLE" << QVariantList{} << -607 << "NO_SUCH_TABLE";
}

void TestCommand::failingStatementThrowsWithNativeText()
{
    QFETCH(QString, sql);
    QFETCH(QVariantList, parameters);
    QFETCH(int, code);
    QFETCH(QString, text);
    Connection connection;
    QVERIFY(openFresh(connection));
    run(connection, QStringLiteral("insert into Z_POST (ID) values (1)"));
    try {
        run(connection, sql, parameters);
        QFAIL("no exception");
    } catch (const DbException &e) {
        QCOMPARE(e.error().NativeError, code);
        QVERIFY2(e.error().Description.contains(text), qPrintable(e.error().Description));
        QVERIFY2(e.error().Description.contains(QStringLiteral("SQLCODE %1").arg(code)), qPrintable(e.error().Description));
        QCOMPARE(QString::fromUtf8(e.what()), e.error().Description);
    }
    // The connection goes on working after the failure.
    QCOMPARE(run(connection, QStringLiteral("select count(*) from Z_POST")).Fields(0).toInt(), 1);
}

void TestCommand::failedAutoCommitIsReported()
{
    // A unique index over duplicate values is built, and refused, only when
    // the statement's own transaction commits.
    Connection connection;
    QVERIFY(openFresh(connection));
    run(connection, QStringLiteral("insert into Z_POST (ID, FIO) values (1, ?)"), {QStringLiteral("Петров")});
    run(connection, QStringLiteral("insert into Z_POST (ID, FIO) values (2, ?)"), {QStringLiteral("Петров")});
    try {
        run(connection, QStringLiteral("create unique index Z_POST_FIO on Z_POST (FIO)"));
        QFAIL("no exception");
    } catch (const DbException &e) {
        QCOMPARE(e.error().NativeError, -803);
        QVERIFY2(e.error().Description.contains(QStringLiteral("Z_POST_FIO")), qPrintable(e.error().Description));
    }
    QCOMPARE(run(connection, QStringLiteral("select count(*) from RDB$INDICES where RDB$INDEX_NAME = 'Z_POST_FIO'"))
                 .Fields(0).toInt(), 0);
    run(connection, QStringLiteral("insert into Z_POST (ID, FIO) values (3, ?)"), {QStringLiteral("Петров")});
    QCOMPARE(run(connection, QStringLiteral("select count(*) from Z_POST")).Fields(0).toInt(), 3);
}

void TestCommand::repeatedSelectSeesNewRows()
{
    Connection reader, writer;
    QVERIFY(openFresh(reader));
    writer.Open(TestDb::connectionString(m_lastPath));
    QCOMPARE(writer.State(), int(Connection::adStateOpen));

    // One command object reused, as every window does.
    Command list;
    list.ActiveConnection = &reader;
    list.CommandText = QStringLiteral("select Z_POST.ID from Z_POST ORDER BY id DESC");
    for (int id = 1; id <= 3; ++id) {
        Recordset before = list.Execute(-1);
        QCOMPARE(before.RecordCount(), id - 1);
        run(id % 2 ? writer : reader, QStringLiteral("insert into Z_POST (ID) values (?)"), {id});
        Recordset after = list.Execute(-1);
        QCOMPARE(after.RecordCount(), id);
        QCOMPARE(after.Fields(0).toInt(), id);
    }
    // An earlier recordset keeps what it read.
    Recordset kept = list.Execute();
    run(writer, QStringLiteral("delete from Z_POST"));
    QCOMPARE(kept.RecordCount(), 3);
    QCOMPARE(list.Execute().RecordCount(), 0);
}

void TestCommand::transactionCommitAndRollback()
{
    Connection clerk, other;
    QVERIFY(openFresh(clerk));
    other.Open(TestDb::connectionString(m_lastPath));
    const QString count = QStringLiteral("select count(*) from Z_POST");

    clerk.BeginTrans();
    run(clerk, QStringLiteral("insert into Z_POST (ID) values (1)"));
    run(clerk, QStringLiteral("insert into Z_POST (ID) values (2)"));
    QCOMPARE(run(clerk, count).Fields(0).toInt(), 2);
    QCOMPARE(run(other, count).Fields(0).toInt(), 0);
    clerk.RollbackTrans();
    QCOMPARE(run(clerk, count).Fields(0).toInt(), 0);

    clerk.BeginTrans();
    run(clerk, QStringLiteral("insert into Z_POST (ID) values (1)"));
    QCOMPARE(run(other, count).Fields(0).toInt(), 0);
    clerk.CommitTrans();
    QCOMPARE(run(other, count).Fields(0).toInt(), 1);

    // Closing with a transaction open rolls it back.
    clerk.BeginTrans();
    run(clerk, QStringLiteral("insert into Z_POST (ID) values (2)"));
    clerk.Close();
    QCOMPARE(run(other, count).Fields(0).toInt(), 1);
}

void TestCommand::transactionMisuse()
{
    Connection connection;
    QVERIFY(openFresh(connection));
    connection.RollbackTrans(); // nothing to roll back: no error
    QVERIFY_THROWS_EXCEPTION(DbException, connection.CommitTrans());
    connection.BeginTrans();
    QVERIFY_THROWS_EXCEPTION(DbException, connection.BeginTrans());
    connection.RollbackTrans();
    connection.RollbackTrans();
    Connection closed;
    QVERIFY_THROWS_EXCEPTION(DbException, closed.BeginTrans());
    closed.RollbackTrans();
}

void TestCommand::concurrentInsertOfSameKeyIsCatchable()
{
    // Both clerks read the same highest ID; the second insert must fail in a
    // way the registration can catch and retry.
    Connection first, second;
    QVERIFY(openFresh(first));
    second.Open(TestDb::connectionString(m_lastPath));
    first.BeginTrans();
    second.BeginTrans();
    const QString next = QStringLiteral("select first 1 ID from Z_POST order by ID desc");
    QVERIFY(run(first, next).Eof());
    QVERIFY(run(second, next).Eof());
    run(first, QStringLiteral("insert into Z_POST (ID, NUMBER) values (1, '1')"));
    first.CommitTrans();
    try {
        run(second, QStringLiteral("insert into Z_POST (ID, NUMBER) values (1, '1')"));
        QFAIL("no exception");
    } catch (const DbException &e) {
        QCOMPARE(e.error().NativeError, -803);
        second.RollbackTrans();
    }
    QCOMPARE(registerLetter(second, QStringLiteral("clerk2")), 2);
}

void TestCommand::concurrentUpdateConflictIsCatchable()
{
    Connection first, second;
    QVERIFY(openFresh(first));
    second.Open(TestDb::connectionString(m_lastPath));
    run(first, QStringLiteral("insert into Z_POST (ID, WEIGHT) values (1, '10')"));
    second.BeginTrans();
    QCOMPARE(run(second, QStringLiteral("select WEIGHT from Z_POST where ID = 1")).Fields(0).toString(), QStringLiteral("10"));
    run(first, QStringLiteral("update Z_POST set WEIGHT = ? where ID = 1"), {QStringLiteral("20")});
    try {
        run(second, QStringLiteral("update Z_POST set WEIGHT = ? where ID = 1"), {QStringLiteral("30")});
        QFAIL("no exception");
    } catch (const DbException &e) {
        QCOMPARE(e.error().NativeError, -913);
        QVERIFY2(e.error().Description.contains(QStringLiteral("update conflicts")), qPrintable(e.error().Description));
    }
    second.RollbackTrans();
    QCOMPARE(run(second, QStringLiteral("select WEIGHT from Z_POST where ID = 1")).Fields(0).toString(), QStringLiteral("20"));
}

void TestCommand::twoClerksNeverShareANumber_data()
{
    QTest::addColumn<bool>("server");
    QTest::newRow("embedded") << false;
    QTest::newRow("server") << true;
}

void TestCommand::twoClerksNeverShareANumber()
{
    QFETCH(bool, server);
    if (server && !TestDb::serverAvailable())
        QSKIP("no Firebird server on 127.0.0.1:3050 (ctest fixture fbserver)");
    constexpr int PerClerk = 40;
    Connection first, second;
    QVERIFY(openFresh(first, server));
    second.Open(TestDb::connectionString(server ? TestDb::serverName(m_lastPath) : m_lastPath));
    QCOMPARE(second.State(), int(Connection::adStateOpen));

    std::atomic<int> failures{0};
    QList<int> numbers[2];
    auto clerk = [&](Connection *connection, QList<int> *mine, QString name) {
        try {
            for (int i = 0; i < PerClerk; ++i)
                mine->append(registerLetter(*connection, name));
        } catch (const DbException &) {
            ++failures;
        }
    };
    std::thread a(clerk, &first, &numbers[0], QStringLiteral("clerk1"));
    std::thread b(clerk, &second, &numbers[1], QStringLiteral("clerk2"));
    a.join();
    b.join();
    QCOMPARE(failures.load(), 0);

    QList<int> all = numbers[0] + numbers[1];
    std::sort(all.begin(), all.end());
    QList<int> expected;
    for (int n = 1; n <= 2 * PerClerk; ++n)
        expected << n;
    QCOMPARE(all, expected);
    QCOMPARE(run(first, QStringLiteral("select count(distinct NUMBER), count(*) from Z_POST")).Fields(1).toInt(), 2 * PerClerk);
}

void TestCommand::hundredThousandRows()
{
    Connection connection;
    QVERIFY(openFresh(connection));
    Recordset rows = run(connection, QStringLiteral(
        "with d as (select 0 n from rdb$database union all select 1 from rdb$database union all "
        "select 2 from rdb$database union all select 3 from rdb$database union all select 4 from rdb$database union all "
        "select 5 from rdb$database union all select 6 from rdb$database union all select 7 from rdb$database union all "
        "select 8 from rdb$database union all select 9 from rdb$database) "
        "select a.n + 10 * b.n + 100 * c.n + 1000 * e.n + 10000 * f.n as k, "
        "'Сторона ' || (a.n + 10 * b.n + 100 * c.n + 1000 * e.n + 10000 * f.n) "
        "from d a, d b, d c, d e, d f order by 1 desc"));
    QCOMPARE(rows.RecordCount(), 100000);
    QCOMPARE(rows.FieldCount(), 2);
    qint64 sum = 0;
    int expected = 99999;
    for (; !rows.Eof(); rows.MoveNext(), --expected) {
        const int key = rows.Fields(0).toInt();
        if (key != expected)
            QCOMPARE(key, expected);
        sum += key;
    }
    QCOMPARE(sum, Q_INT64_C(4999950000));
    QCOMPARE(expected, -1);

    // A query that feeds one value reads one row, however many there are.
    Command first;
    first.ActiveConnection = &connection;
    first.MaxRecords = 1;
    first.CommandText = QStringLiteral("select rdb$relation_name from rdb$relations order by 1");
    const Recordset one = first.Execute();
    QCOMPARE(one.RecordCount(), 1);
    first.MaxRecords = 0;
    QVERIFY(first.Execute().RecordCount() > 1);
}

void TestCommand::misuseThrowsInsteadOfCrashing()
{
    Command orphan;
    orphan.CommandText = QStringLiteral("select 1 from rdb$database");
    QVERIFY_THROWS_EXCEPTION(DbException, orphan.Execute());

    Connection connection;
    QVERIFY(openFresh(connection));
    Recordset one = run(connection, QStringLiteral("select 1, 2 from rdb$database"));
    QVERIFY_THROWS_EXCEPTION(DbException, one.Fields(2));
    QVERIFY_THROWS_EXCEPTION(DbException, one.Fields(-1));
    one.MoveNext();
    QVERIFY(one.Eof());
    QVERIFY_THROWS_EXCEPTION(DbException, one.Fields(0));
    QVERIFY_THROWS_EXCEPTION(DbException, one.MoveNext());

    Command update;
    update.ActiveConnection = &connection;
    update.CommandText = QStringLiteral("update Z_POSTPRICE set PRICE = PRICE where TYPEM = ?");
    update.Parameters = {1};
    Recordset none = update.Execute();
    QVERIFY(none.Eof());
    QCOMPARE(none.RecordCount(), 0);
    QVERIFY(update.RecordsAffected > 1);
}

void TestCommand::asynchronousStatements_data()
{
    QTest::addColumn<bool>("server");
    QTest::newRow("embedded") << false;
    QTest::newRow("server") << true;
}

void TestCommand::asynchronousStatements()
{
    QFETCH(bool, server);
    if (server && !TestDb::serverAvailable())
        QSKIP("no Firebird server on 127.0.0.1:3050");
    Connection connection;
    QVERIFY(openFresh(connection, server));
    Command command;
    command.ActiveConnection = &connection;
    QStringList arrived;
    connect(&command, &Command::ExecuteComplete, this, [&](const DbError *pError, const Recordset &rows) {
        arrived << (pError ? pError->Description : rows.Fields(0).toString());
    });

    // A newer request cancels the endless one under way; only its own rows
    // arrive, on this thread, and the connection takes plain statements again.
    command.CommandText = kEndless;
    command.ExecuteAsync();
    QVERIFY(command.Executing());
    QTest::qWait(200);
    command.CommandText = QStringLiteral("select 7 from rdb$database");
    command.ExecuteAsync();
    QTRY_VERIFY_WITH_TIMEOUT(!command.Executing(), 30000);
    QCOMPARE(arrived, QStringList{QStringLiteral("7")});
    QCOMPARE(run(connection, QStringLiteral("select 8 from rdb$database")).Fields(0).toInt(), 8);

    // The engine's refusal comes with the signal, not as an exception.
    command.CommandText = QStringLiteral("select nothing from rdb$database");
    command.ExecuteAsync();
    QTRY_VERIFY_WITH_TIMEOUT(!command.Executing(), 30000);
    QCOMPARE(arrived.size(), 2);
    QVERIFY2(arrived.last().contains(QStringLiteral("SQLCODE -206")), qPrintable(arrived.last()));

    // Waiting for a row another connection holds, a statement is cancelled
    // after CommandTimeout, with or without the caller waiting, to no effect.
    run(connection, QStringLiteral("insert into Z_POSTCONFIG (CURRENT_BAR) values ('1')"));
    Connection holder;
    holder.Open(TestDb::connectionString(server ? TestDb::serverName(m_lastPath) : m_lastPath));
    holder.BeginTrans();
    run(holder, QStringLiteral("update Z_POSTCONFIG set CURRENT_BAR='2'"));
    connection.CommandTimeout = 1;
    const QString timedOut = QStringLiteral("Истекло время ожидания выполнения запроса (1 с): запрос прерван.");
    command.CommandText = QStringLiteral("update Z_POSTCONFIG set CURRENT_BAR='3'");
    command.ExecuteAsync();
    QTRY_VERIFY_WITH_TIMEOUT(!command.Executing(), 30000);
    QCOMPARE(arrived.size(), 3);
    QCOMPARE(arrived.last(), timedOut);
    try {
        command.Execute();
        QFAIL("ran past its time limit");
    } catch (const DbException &e) {
        QVERIFY(e.error().TimedOut);
        QCOMPARE(e.error().Description, timedOut);
    }
    holder.RollbackTrans();
    QCOMPARE(run(connection, QStringLiteral("select CURRENT_BAR from Z_POSTCONFIG")).Fields(0).toString(),
             QStringLiteral("1"));
    connection.CommandTimeout = 0;

    // Cancel, and closing with an endless statement under way, end it: no
    // rows, no wait.
    command.CommandText = kEndless;
    command.ExecuteAsync();
    QTest::qWait(200);
    command.Cancel();
    QVERIFY(!command.Executing());
    QCOMPARE(run(connection, QStringLiteral("select 9 from rdb$database")).Fields(0).toInt(), 9);
    command.ExecuteAsync();
    QTest::qWait(200);
    connection.Close();
    QTRY_VERIFY(!command.Executing());
    QTest::qWait(100);
    QCOMPARE(arrived.size(), 3);
    QVERIFY_THROWS_EXCEPTION(DbException, command.ExecuteAsync());
}

COURTMAIL_TEST_MAIN(TestCommand)
#include "tst_command.moc"
