#include "profile/profilefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {
int modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}
} // namespace

class TestProfileFile : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void readMissingFile();
    void readDirectoryInsteadOfFile();
    void write_data();
    void write();
    void newFileIsOwnerOnlyWithCrLf();
    void existingFileBecomesOwnerOnly_data();
    void existingFileBecomesOwnerOnly();
    void refusedWriteLeavesFileUnchanged_data();
    void refusedWriteLeavesFileUnchanged();
    void readOnlyFileIsNotWritten();
    void writeIntoMissingFolderFails();
    void writeIntoReadOnlyFolderFails();
    void writeLeavesNoTemporaryFiles();
    void writeGoesThroughSymlink();
    void writtenValueReadsBack_data();
    void writtenValueReadsBack();

private:
    QString fileWith(const QByteArray &bytes);
    static QByteArray contents(const QString &path);

    QTemporaryDir m_dir;
    int m_counter = 0;
};

QString TestProfileFile::fileWith(const QByteArray &bytes)
{
    const QString path = m_dir.filePath(QStringLiteral("f%1.ini").arg(++m_counter));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot prepare %s", qPrintable(path));
    return path;
}

QByteArray TestProfileFile::contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void TestProfileFile::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<QString>("expected");

    const QByteArray main = "; settings\r\n[Main]\r\nConnectionString=localhost:/db/case.fdb\r\nUser=SYSDBA\r\nPass=pw\r\n";
    QTest::newRow("key found") << main << "Main" << "User" << "d" << 255 << "SYSDBA";
    QTest::newRow("section name in other case") << main << "MAIN" << "User" << "d" << 255 << "SYSDBA";
    QTest::newRow("key name in other case") << main << "Main" << "uSeR" << "d" << 255 << "SYSDBA";
    QTest::newRow("cyrillic names in other case")
        << QByteArray("[Настройки]\r\nПуть=x\r\n") << "НАСТРОЙКИ" << "пУТЬ" << "d" << 255 << "x";
    QTest::newRow("blanks around key, equals and value")
        << QByteArray("[Main]\r\n  User \t=   SYSDBA  \r\n") << "Main" << "User" << "d" << 255 << "SYSDBA";
    QTest::newRow("blanks around section name")
        << QByteArray("  [ Main ]  \r\nUser=a\r\n") << "Main" << "User" << "d" << 255 << "a";
    QTest::newRow("double quotes removed")
        << QByteArray("[Main]\r\nUser=\" a b \"\r\n") << "Main" << "User" << "d" << 255 << " a b ";
    QTest::newRow("empty quoted value")
        << QByteArray("[Main]\r\nUser=\"\"\r\n") << "Main" << "User" << "d" << 255 << "";
    QTest::newRow("single quotes kept")
        << QByteArray("[Main]\r\nUser='a'\r\n") << "Main" << "User" << "d" << 255 << "'a'";
    QTest::newRow("unmatched quote kept")
        << QByteArray("[Main]\r\nUser=\"a\r\n") << "Main" << "User" << "d" << 255 << "\"a";
    QTest::newRow("lone quote kept")
        << QByteArray("[Main]\r\nUser=\"\r\n") << "Main" << "User" << "d" << 255 << "\"";
    QTest::newRow("quotes inside kept")
        << QByteArray("[Main]\r\nUser=a\"b\"c\r\n") << "Main" << "User" << "d" << 255 << "a\"b\"c";
    QTest::newRow("value holding equals signs and semicolons")
        << QByteArray("[Main]\r\nConnectionString=DBNAME=a;UID=b\r\n") << "Main" << "ConnectionString" << "d"
        << 255 << "DBNAME=a;UID=b";
    QTest::newRow("empty value is not the default")
        << QByteArray("[Main]\r\nUser=\r\n") << "Main" << "User" << "d" << 255 << "";
    QTest::newRow("missing key gives default") << main << "Main" << "Nope" << "d" << 255 << "d";
    QTest::newRow("missing section gives default") << main << "Other" << "User" << "d" << 255 << "d";
    QTest::newRow("key of another section only is not found")
        << QByteArray("[Other]\r\nUser=x\r\n[Main]\r\nPass=y\r\n") << "Main" << "User" << "" << 255 << "";
    QTest::newRow("key of the next section is not found")
        << QByteArray("[Main]\r\nPass=y\r\n[Other]\r\nUser=x\r\n") << "Main" << "User" << "" << 255 << "";
    QTest::newRow("first of duplicate keys")
        << QByteArray("[Main]\r\nUser=one\r\nUser=two\r\n") << "Main" << "User" << "" << 255 << "one";
    QTest::newRow("only the first of duplicate sections")
        << QByteArray("[Main]\r\nA=1\r\n[Main]\r\nB=2\r\n") << "Main" << "B" << "d" << 255 << "d";
    QTest::newRow("commented-out key")
        << QByteArray("[Main]\r\n;User=x\r\n") << "Main" << "User" << "d" << 255 << "d";
    QTest::newRow("line without equals sign")
        << QByteArray("[Main]\r\nUser\r\n") << "Main" << "User" << "d" << 255 << "d";
    QTest::newRow("key before any section")
        << QByteArray("User=x\r\n[Main]\r\n") << "Main" << "User" << "d" << 255 << "d";
    QTest::newRow("LF line ends") << QByteArray("[Main]\nUser=x\nPass=y\n") << "Main" << "Pass" << "" << 255 << "y";
    QTest::newRow("no line end at the end")
        << QByteArray("[Main]\r\nUser=x") << "Main" << "User" << "" << 255 << "x";
    QTest::newRow("byte order mark before the section")
        << QByteArray("\xEF\xBB\xBF[Main]\r\nUser=x\r\n") << "Main" << "User" << "" << 255 << "x";
    QTest::newRow("cyrillic value")
        << QByteArray("[Main]\r\nPass=пароль\r\n") << "Main" << "Pass" << "" << 255 << "пароль";
    QTest::newRow("empty section name gives default") << main << "" << "User" << "d" << 255 << "d";
    QTest::newRow("empty key name gives default") << main << "Main" << "" << "d" << 255 << "d";

    const QString v300 = QString(300, QLatin1Char('x'));
    const QString v254 = QString(254, QLatin1Char('y'));
    QTest::newRow("300 characters cut to 254")
        << ("[Main]\r\nUser=" + v300.toUtf8() + "\r\n") << "Main" << "User" << "" << 255 << v300.left(254);
    QTest::newRow("254 characters kept whole")
        << ("[Main]\r\nUser=" + v254.toUtf8() + "\r\n") << "Main" << "User" << "" << 255 << v254;
    QTest::newRow("cut counts characters, not bytes")
        << QByteArray("[Main]\r\nUser=жжжжж\r\n") << "Main" << "User" << "" << 4 << "жжж";
    QTest::newRow("default is cut as well") << main << "Main" << "Nope" << "defaultvalue" << 5 << "defa";
    QTest::newRow("buffer of one holds nothing") << main << "Main" << "User" << "d" << 1 << "";
    QTest::newRow("buffer of zero holds nothing") << main << "Main" << "User" << "d" << 0 << "";
}

void TestProfileFile::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, defaultValue);
    QFETCH(int, bufferSize);
    QFETCH(QString, expected);

    QString out = QStringLiteral("garbage");
    const int n = ReadProfileString(section, key, defaultValue, out, bufferSize, fileWith(file));
    QCOMPARE(out, expected);
    QCOMPARE(n, expected.size());
}

void TestProfileFile::readMissingFile()
{
    QString out;
    QCOMPARE(ReadProfileString("Main", "User", "dflt", out, 255, m_dir.filePath("absent.ini")), 4);
    QCOMPARE(out, QString("dflt"));
    QCOMPARE(ReadProfileString("Main", "User", "", out, 255, m_dir.filePath("absent.ini")), 0);
    QCOMPARE(out, QString());
}

void TestProfileFile::readDirectoryInsteadOfFile()
{
    QString out;
    ReadProfileString("Main", "User", "dflt", out, 255, m_dir.path());
    QCOMPARE(out, QString("dflt"));
}

void TestProfileFile::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("value replaced in place, everything else untouched")
        << QByteArray("; comment\r\n[Other]\r\nX = 1 \r\n\r\n[Main]\r\nUnknown=u\r\nUser=old\r\n  ; note\r\nPass=p\r\n")
        << "Main" << "User" << "new"
        << QByteArray("; comment\r\n[Other]\r\nX = 1 \r\n\r\n[Main]\r\nUnknown=u\r\nUser=new\r\n  ; note\r\nPass=p\r\n");
    QTest::newRow("line with blanks around equals sign rewritten")
        << QByteArray("[Main]\r\n  User  =  old  \r\n") << "Main" << "User" << "new"
        << QByteArray("[Main]\r\nUser=new\r\n");
    QTest::newRow("key and section matched in other case")
        << QByteArray("[MAIN]\r\nUSER=old\r\n") << "Main" << "User" << "new"
        << QByteArray("[MAIN]\r\nUser=new\r\n");
    QTest::newRow("last line without line end keeps having none")
        << QByteArray("[Main]\r\nUser=old") << "Main" << "User" << "new" << QByteArray("[Main]\r\nUser=new");
    QTest::newRow("missing key goes after the section's last line, before blank lines")
        << QByteArray("[Main]\r\nA=1\r\n\r\n[Other]\r\nB=2\r\n") << "Main" << "C" << "3"
        << QByteArray("[Main]\r\nA=1\r\nC=3\r\n\r\n[Other]\r\nB=2\r\n");
    QTest::newRow("missing key in an empty section")
        << QByteArray("[Main]\r\n[Other]\r\n") << "Main" << "C" << "3"
        << QByteArray("[Main]\r\nC=3\r\n[Other]\r\n");
    QTest::newRow("missing key in the last section without line end")
        << QByteArray("[Main]\r\nA=1") << "Main" << "C" << "3" << QByteArray("[Main]\r\nA=1\r\nC=3\r\n");
    QTest::newRow("missing section appended at the end")
        << QByteArray("[Other]\r\nB=2\r\n") << "Main" << "User" << "x"
        << QByteArray("[Other]\r\nB=2\r\n[Main]\r\nUser=x\r\n");
    QTest::newRow("missing section after a last line without line end")
        << QByteArray("[Other]\r\nB=2") << "Main" << "User" << "x"
        << QByteArray("[Other]\r\nB=2\r\n[Main]\r\nUser=x\r\n");
    QTest::newRow("empty file gets section with CR LF")
        << QByteArray() << "Main" << "User" << "x" << QByteArray("[Main]\r\nUser=x\r\n");
    QTest::newRow("LF file stays LF")
        << QByteArray("[Main]\nA=1\n") << "Main" << "B" << "2" << QByteArray("[Main]\nA=1\nB=2\n");
    QTest::newRow("new lines take the file's first line end")
        << QByteArray("[Main]\nA=1\r\n") << "Other" << "B" << "2"
        << QByteArray("[Main]\nA=1\r\n[Other]\nB=2\n");
    QTest::newRow("byte order mark kept")
        << QByteArray("\xEF\xBB\xBF[Main]\r\nUser=a\r\n") << "Main" << "User" << "b"
        << QByteArray("\xEF\xBB\xBF[Main]\r\nUser=b\r\n");
    QTest::newRow("only the first of duplicate sections changes")
        << QByteArray("[Main]\r\nA=1\r\n[Main]\r\nA=2\r\n") << "Main" << "A" << "9"
        << QByteArray("[Main]\r\nA=9\r\n[Main]\r\nA=2\r\n");
    QTest::newRow("commented-out key left alone")
        << QByteArray("[Main]\r\n;User=x\r\n") << "Main" << "User" << "y"
        << QByteArray("[Main]\r\n;User=x\r\nUser=y\r\n");
    QTest::newRow("empty value")
        << QByteArray("[Main]\r\nUser=x\r\n") << "Main" << "User" << "" << QByteArray("[Main]\r\nUser=\r\n");
    QTest::newRow("cyrillic written as UTF-8")
        << QByteArray() << "Main" << "Pass" << "пароль" << QByteArray("[Main]\r\nPass=пароль\r\n");
}

void TestProfileFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    const QString path = fileWith(before);
    QVERIFY(WriteProfileString(section, key, value, path));
    QCOMPARE(contents(path), after);
}

void TestProfileFile::newFileIsOwnerOnlyWithCrLf()
{
    const QString path = m_dir.filePath("new.ini");
    QVERIFY(WriteProfileString("Main", "Pass", "secret", path));
    QCOMPARE(contents(path), QByteArray("[Main]\r\nPass=secret\r\n"));
    QCOMPARE(modeOf(path), 0600);
}

void TestProfileFile::existingFileBecomesOwnerOnly_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("value");

    QTest::newRow("readable by all, value changed") << 0644 << "b";
    QTest::newRow("readable by all, value as it was") << 0644 << "a";
    QTest::newRow("group may write") << 0660 << "b";
}

void TestProfileFile::existingFileBecomesOwnerOnly()
{
    QFETCH(int, mode);
    QFETCH(QString, value);

    const QString path = fileWith("[Main]\r\nUser=a\r\n");
    QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);
    QVERIFY(WriteProfileString("Main", "User", value, path));
    QCOMPARE(modeOf(path), 0600);
}

void TestProfileFile::refusedWriteLeavesFileUnchanged_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("empty section") << "" << "User" << "x";
    QTest::newRow("blank section") << "  " << "User" << "x";
    QTest::newRow("empty key") << "Main" << "" << "x";
    QTest::newRow("key with equals sign") << "Main" << "a=b" << "x";
    QTest::newRow("key that reads as a comment") << "Main" << ";User" << "x";
    QTest::newRow("key that reads as a section") << "Main" << "[User" << "x";
    QTest::newRow("section with closing bracket") << "Ma]in" << "User" << "x";
    QTest::newRow("value with CR LF") << "Main" << "User" << "a\r\n[Evil]";
    QTest::newRow("value with LF") << "Main" << "User" << "a\nPass=x";
    QTest::newRow("key with line break") << "Main" << "Us\ner" << "x";
}

void TestProfileFile::refusedWriteLeavesFileUnchanged()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);

    const QByteArray before("[Main]\r\nUser=a\r\n");
    const QString path = fileWith(before);
    QVERIFY(!WriteProfileString(section, key, value, path));
    QCOMPARE(contents(path), before);
}

void TestProfileFile::readOnlyFileIsNotWritten()
{
    const QByteArray before("[Main]\r\nUser=a\r\n");
    const QString path = fileWith(before);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser));
    QVERIFY(!WriteProfileString("Main", "User", "b", path));
    QCOMPARE(contents(path), before);
}

void TestProfileFile::writeIntoMissingFolderFails()
{
    const QString path = m_dir.filePath("no/such/folder/options.ini");
    QVERIFY(!WriteProfileString("Main", "User", "b", path));
    QVERIFY(!QFile::exists(path));
}

void TestProfileFile::writeIntoReadOnlyFolderFails()
{
    if (::geteuid() == 0)
        QSKIP("root writes into read-only folders");
    QTemporaryDir dir;
    const QString path = dir.filePath("options.ini");
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser | QFile::ExeUser));
    QVERIFY(!WriteProfileString("Main", "User", "b", path));
    QVERIFY(!QFile::exists(path));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestProfileFile::writeLeavesNoTemporaryFiles()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("options.ini");
    QVERIFY(WriteProfileString("Main", "A", "1", path));
    QVERIFY(WriteProfileString("Main", "B", "2", path));
    QVERIFY(!WriteProfileString("Main", "C", "bad\nvalue", path));
    const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(entries, QStringList{"options.ini"});
}

void TestProfileFile::writeGoesThroughSymlink()
{
    QTemporaryDir dir;
    const QString real = dir.filePath("real.ini");
    const QString link = dir.filePath("options.ini");
    QVERIFY(WriteProfileString("Main", "A", "1", real));
    QVERIFY(QFile::link(real, link));
    QVERIFY(WriteProfileString("Main", "A", "2", link));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(contents(real), QByteArray("[Main]\r\nA=2\r\n"));
}

void TestProfileFile::writtenValueReadsBack_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("database path with host") << "localhost:/var/db/case file.fdb" << "localhost:/var/db/case file.fdb";
    QTest::newRow("password with ; = # [ ]") << "p;a=s#s[1]" << "p;a=s#s[1]";
    QTest::newRow("cyrillic") << "Пароль ёЁ" << "Пароль ёЁ";
    QTest::newRow("blanks around are kept") << "  x  " << "  x  ";
    QTest::newRow("surrounding quotes are kept") << "\"x\"" << "\"x\"";
    QTest::newRow("semicolon and blanks") << " a;b c " << " a;b c ";
    QTest::newRow("only blanks") << "   " << "   ";
    QTest::newRow("quote at one end only") << "\"x" << "\"x";
}

void TestProfileFile::writtenValueReadsBack()
{
    QFETCH(QString, value);
    QFETCH(QString, readBack);

    const QString path = fileWith("[Main]\r\nUser=a\r\n");
    QVERIFY(WriteProfileString("Main", "Pass", value, path));
    QString out;
    ReadProfileString("Main", "Pass", "", out, 255, path);
    QCOMPARE(out, readBack);
    ReadProfileString("Main", "User", "", out, 255, path);
    QCOMPARE(out, QString("a"));
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
