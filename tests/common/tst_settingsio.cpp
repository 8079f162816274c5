#include "common/settingsio.h"
#include "common/clsini.h"

#include "environment/environment.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestSettingsIo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void noFileEmptiesTheFields();
    void fileWithoutTheKeysEmptiesTheFields();
    void loadsTheThreeKeysOfMain();
    void firstSaveCreatesMainWithTheThreeKeys();
    void saveKeepsTheRestOfTheFile();
    void savedFieldsLoadBackExactly_data();
    void savedFieldsLoadBackExactly();

private:
    void writeFile(const QByteArray &bytes);
    QByteArray contents() const;

    QTemporaryDir m_dir;
    QString m_file;
    QLineEdit m_text1, m_text2, m_text3;
};

void TestSettingsIo::initTestCase()
{
    setProgramFolder(m_dir.path());
    m_file = m_dir.filePath("options.ini");
}

void TestSettingsIo::cleanupTestCase()
{
    setProgramFolder(QString());
}

void TestSettingsIo::init()
{
    QFile::remove(m_file);
    // Design-time texts that loading must replace.
    m_text1.setText("server:/default.fdb");
    m_text2.setText("SYSDBA");
    m_text3.setText("pelvodrin");
}

void TestSettingsIo::writeFile(const QByteArray &bytes)
{
    QFile f(m_file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray TestSettingsIo::contents() const
{
    QFile f(m_file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestSettingsIo::noFileEmptiesTheFields()
{
    clsINI settings;
    LoadSettings(settings, &m_text1, &m_text2, &m_text3);
    QCOMPARE(m_text1.text(), QString());
    QCOMPARE(m_text2.text(), QString());
    QCOMPARE(m_text3.text(), QString());
    QVERIFY(!QFile::exists(m_file));
}

void TestSettingsIo::fileWithoutTheKeysEmptiesTheFields()
{
    writeFile("[Main]\r\nOther=1\r\n[Elsewhere]\r\nUser=u\r\n");
    clsINI settings;
    LoadSettings(settings, &m_text1, &m_text2, &m_text3);
    QCOMPARE(m_text1.text(), QString());
    QCOMPARE(m_text2.text(), QString());
    QCOMPARE(m_text3.text(), QString());
}

void TestSettingsIo::loadsTheThreeKeysOfMain()
{
    writeFile("[Main]\r\nPass=pw\r\nUser=clerk\r\nConnectionString=host:/data/cases.fdb\r\n");
    clsINI settings;
    LoadSettings(settings, &m_text1, &m_text2, &m_text3);
    QCOMPARE(m_text1.text(), QString("host:/data/cases.fdb"));
    QCOMPARE(m_text2.text(), QString("clerk"));
    QCOMPARE(m_text3.text(), QString("pw"));
}

void TestSettingsIo::firstSaveCreatesMainWithTheThreeKeys()
{
    m_text1.setText("localhost:/var/db/case.fdb");
    m_text2.setText("SYSDBA");
    m_text3.setText("masterkey");
    clsINI settings;
    SaveSettings(settings, &m_text1, &m_text2, &m_text3);
    QCOMPARE(contents(), QByteArray("[Main]\r\nConnectionString=localhost:/var/db/case.fdb\r\n"
                                    "User=SYSDBA\r\nPass=masterkey\r\n"));
    // The password lies there in plain text: nobody else may read it.
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(m_file).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);
}

void TestSettingsIo::saveKeepsTheRestOfTheFile()
{
    writeFile("; written by hand\r\n[Main]\r\nUser=old\r\nExtra=keep\r\n\r\n[Other]\r\nPass=other\r\n");
    m_text1.setText("a");
    m_text2.setText("b");
    m_text3.setText("c");
    clsINI settings;
    SaveSettings(settings, &m_text1, &m_text2, &m_text3);
    QCOMPARE(contents(), QByteArray("; written by hand\r\n[Main]\r\nUser=b\r\nExtra=keep\r\nConnectionString=a\r\n"
                                    "Pass=c\r\n\r\n[Other]\r\nPass=other\r\n"));
}

void TestSettingsIo::savedFieldsLoadBackExactly_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");

    QTest::newRow("plain") << "localhost:/db/case.fdb" << "SYSDBA" << "masterkey";
    QTest::newRow("blank and cyrillic in the path") << "srv:/дела/суд 1.fdb" << "Иванова" << "пароль";
    QTest::newRow("separators in the password") << "h:/x.fdb" << "u" << "a;b=c#d[e]";
    QTest::newRow("blanks around and a semicolon") << " h:/x.fdb" << "u " << " a;b c ";
    QTest::newRow("all empty") << "" << "" << "";
    QTest::newRow("254 characters") << QString(254, 'p') << "u" << "p";
}

void TestSettingsIo::savedFieldsLoadBackExactly()
{
    QFETCH(QString, path);
    QFETCH(QString, user);
    QFETCH(QString, password);

    m_text1.setText(path);
    m_text2.setText(user);
    m_text3.setText(password);
    clsINI writer;
    SaveSettings(writer, &m_text1, &m_text2, &m_text3);

    QLineEdit t1("x"), t2("y"), t3("z");
    clsINI reader;
    LoadSettings(reader, &t1, &t2, &t3);
    QCOMPARE(t1.text(), path);
    QCOMPARE(t2.text(), user);
    QCOMPARE(t3.text(), password);
}

QTEST_MAIN(TestSettingsIo)
#include "tst_settingsio.moc"
