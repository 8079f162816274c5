// Parsing of the connection strings the three programs build.

#include "database/connectionstring.h"

#include <QtTest>

class TestConnectionString : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void fieldsRoundTrip_data();
    void fieldsRoundTrip();
};

void TestConnectionString::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("firebird");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");

    QTest::newRow("registration program's string")
        << "DRIVER=Firebird/InterBase(r) driver; Charset=WIN1251; DBNAME=localhost:/srv/court.fdb; UID=SYSDBA; PWD=masterkey"
        << true << "localhost:/srv/court.fdb" << "SYSDBA" << "masterkey";
    QTest::newRow("without character set")
        << "DRIVER=Firebird/InterBase(r) driver; DBNAME=/var/db/court.fdb; UID=clerk; PWD=x"
        << true << "/var/db/court.fdb" << "clerk" << "x";
    QTest::newRow("keys in any case, blanks around = and ;")
        << "driver = firebird/interbase(r) driver ;dbname= C:/db.fdb ;  uid=u;pwd =p"
        << true << "C:/db.fdb" << "u" << "p";
    QTest::newRow("empty user and password")
        << "DRIVER=Firebird/InterBase(r) driver; DBNAME=/x.fdb; UID=; PWD="
        << true << "/x.fdb" << "" << "";
    QTest::newRow("server with port keeps its colon and slash")
        << "DRIVER=Firebird/InterBase(r) driver; DBNAME=127.0.0.1/3051:/data/a.fdb; UID=a; PWD=b"
        << true << "127.0.0.1/3051:/data/a.fdb" << "a" << "b";
    QTest::newRow("a ; inside the password ends it")
        << "DRIVER=Firebird/InterBase(r) driver; DBNAME=/x.fdb; UID=a; PWD=se;cret"
        << true << "/x.fdb" << "a" << "se";
    QTest::newRow("value with = keeps it")
        << "DRIVER=Firebird/InterBase(r) driver; DBNAME=/x.fdb; UID=a; PWD=a=b"
        << true << "/x.fdb" << "a" << "a=b";
    QTest::newRow("driver in braces")
        << "DRIVER={Firebird/InterBase(r) driver}; DBNAME=/x.fdb"
        << true << "/x.fdb" << "" << "";
    QTest::newRow("other driver")
        << "DRIVER=SQL Server; DBNAME=/x.fdb; UID=a; PWD=b"
        << false << "/x.fdb" << "a" << "b";
    QTest::newRow("no driver")
        << "DBNAME=/x.fdb; UID=a; PWD=b"
        << false << "/x.fdb" << "a" << "b";
    QTest::newRow("empty string") << "" << false << "" << "" << "";
    QTest::newRow("anything after the closing brace is dropped")
        << "DRIVER=Firebird/InterBase(r) driver; DBNAME=/x.fdb; UID={a}junk; PWD=b"
        << true << "/x.fdb" << "a" << "b";
    QTest::newRow("unclosed brace reads as before")
        << "DRIVER=Firebird/InterBase(r) driver; DBNAME=/x.fdb; UID=a; PWD={abc"
        << true << "/x.fdb" << "a" << "{abc";
}

void TestConnectionString::parse()
{
    QFETCH(QString, text);
    const ConnectionString parsed = ConnectionString::parse(text);
    QTEST(parsed.hasFirebirdDriver(), "firebird");
    QTEST(parsed.Database, "database");
    QTEST(parsed.User, "user");
    QTEST(parsed.Password, "password");
}

// The fields as the clerk typed them, joined the way the programs join them
// and parsed again, arrive unchanged.
void TestConnectionString::fieldsRoundTrip_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("quoted");

    QTest::newRow("plain") << "masterkey" << false;
    QTest::newRow("server path") << "localhost:/var/db/суд 1.fdb" << false;
    QTest::newRow("semicolon and blank") << "a;b c" << true;
    QTest::newRow("leading blank") << " x" << true;
    QTest::newRow("trailing blank") << "x " << true;
    QTest::newRow("closing brace") << "a}b" << false;
    QTest::newRow("closing brace inside a quoted value") << "a;}b}" << true;
    QTest::newRow("opening brace first") << "{x" << true;
    QTest::newRow("opening brace inside") << "a{b" << false;
    QTest::newRow("key-like text") << "x; PWD=y" << true;
    QTest::newRow("empty") << "" << false;
}

void TestConnectionString::fieldsRoundTrip()
{
    QFETCH(QString, field);
    QFETCH(bool, quoted);

    const QString value = ConnectionString::quoteValue(field);
    QCOMPARE(value != field, quoted);
    const QString text = QStringLiteral("DRIVER=Firebird/InterBase(r) driver; Charset=WIN1251; DBNAME=") + value
                         + QStringLiteral("; UID=") + value + QStringLiteral("; PWD=") + value;
    const ConnectionString parsed = ConnectionString::parse(text);
    QCOMPARE(parsed.Database, field);
    QCOMPARE(parsed.User, field);
    QCOMPARE(parsed.Password, field);
}

QTEST_GUILESS_MAIN(TestConnectionString)
#include "tst_connectionstring.moc"
