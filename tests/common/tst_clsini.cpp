#include "common/clsini.h"

#include "environment/environment.h"
#include "environment/regional.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestClsIni : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void fileNameIsOptionsIniInProgramFolder();
    void sectionChoice_data();
    void sectionChoice();
    void callerSectionReceivesSectionUsed();
    void missingFileReadsEmpty();
    void keyOfAnotherSectionIsNotFound();
    void longValueCutTo254();
    void valueConversion_data();
    void valueConversion();
    void failedWriteChangesNothing();

private:
    QByteArray contents() const;

    QTemporaryDir m_dir;
    QString m_file;
};

void TestClsIni::initTestCase()
{
    Regional::pin(QLocale(QLocale::Russian, QLocale::Russia));
    setProgramFolder(m_dir.path());
}

void TestClsIni::cleanupTestCase()
{
    setProgramFolder(QString());
    Regional::unpin();
}

void TestClsIni::init()
{
    m_file = m_dir.filePath(QStringLiteral("options.ini"));
    QFile::remove(m_file);
}

QByteArray TestClsIni::contents() const
{
    QFile f(m_file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestClsIni::fileNameIsOptionsIniInProgramFolder()
{
    clsINI ini;
    QCOMPARE(ini.FileName(), m_dir.path() + "/options.ini");
}

// Each row is a run of calls on one object: "R:key:section" reads, "W:key:section"
// writes "v<n>"; the column lists the section each call actually used.
void TestClsIni::sectionChoice_data()
{
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("sectionsUsed");

    QTest::newRow("first call without section uses Main")
        << QStringList{"R:a:"} << QStringList{"Main"};
    QTest::newRow("first write without section uses Main")
        << QStringList{"W:a:"} << QStringList{"Main"};
    QTest::newRow("empty section means the last one used")
        << QStringList{"R:a:Other", "R:b:", "W:c:"} << QStringList{"Other", "Other", "Other"};
    QTest::newRow("a write sets the last section for reads")
        << QStringList{"W:a:X", "R:a:"} << QStringList{"X", "X"};
    QTest::newRow("naming a section again switches")
        << QStringList{"R:a:X", "R:a:Main", "W:a:"} << QStringList{"X", "Main", "Main"};
}

void TestClsIni::sectionChoice()
{
    QFETCH(QStringList, calls);
    QFETCH(QStringList, sectionsUsed);

    clsINI ini;
    for (int i = 0; i < calls.size(); ++i) {
        const QStringList parts = calls.at(i).split(':');
        QString section = parts.at(2);
        if (parts.at(0) == "R")
            ini.ReadINI(parts.at(1), &section);
        else
            ini.SaveINI(QStringLiteral("v%1").arg(i), parts.at(1), &section);
        QCOMPARE(section, sectionsUsed.at(i));
    }
}

void TestClsIni::callerSectionReceivesSectionUsed()
{
    clsINI ini;
    ini.SaveINI("x", "User"); // no section: Main
    QString section;
    QCOMPARE(ini.ReadINI("User", section), QString("x"));
    QCOMPARE(section, QString("Main"));
    QCOMPARE(contents(), QByteArray("[Main]\r\nUser=x\r\n"));
}

void TestClsIni::missingFileReadsEmpty()
{
    clsINI ini;
    QCOMPARE(ini.ReadINI("ConnectionString"), QString(""));
    QVERIFY(!QFile::exists(m_file));
}

void TestClsIni::keyOfAnotherSectionIsNotFound()
{
    QFile f(m_file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Other]\r\nUser=SYSDBA\r\n");
    f.close();
    clsINI ini;
    QCOMPARE(ini.ReadINI("User"), QString(""));
    QString other = "Other";
    QCOMPARE(ini.ReadINI("User", other), QString("SYSDBA"));
}

void TestClsIni::longValueCutTo254()
{
    clsINI ini;
    const QString v300 = QString(150, QLatin1Char('a')) + QString(150, QChar(0x0416));
    ini.SaveINI(v300, "Pass");
    QCOMPARE(ini.ReadINI("Pass"), v300.left(254));
    // The file keeps the whole value; only reading cuts.
    QVERIFY(contents().contains(v300.toUtf8()));
}

void TestClsIni::valueConversion_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("text") << QVariant("localhost:/db.fdb") << "localhost:/db.fdb";
    QTest::newRow("integer") << QVariant(42) << "42";
    QTest::newRow("negative integer") << QVariant(-1) << "-1";
    QTest::newRow("fraction with regional separator") << QVariant(20.5) << "20,5";
    QTest::newRow("whole double") << QVariant(20.0) << "20";
    QTest::newRow("single precision") << QVariant(12.3f) << "12,3";
    QTest::newRow("true") << QVariant(true) << "True";
    QTest::newRow("false") << QVariant(false) << "False";
    QTest::newRow("null") << QVariant() << "";
}

void TestClsIni::valueConversion()
{
    QFETCH(QVariant, value);
    QFETCH(QString, text);

    clsINI ini;
    ini.SaveINI(value, "Key");
    QCOMPARE(ini.ReadINI("Key"), text);
}

void TestClsIni::failedWriteChangesNothing()
{
    clsINI ini;
    ini.setFileName(m_dir.filePath("missing-folder/options.ini"));
    ini.SaveINI("x", "User");
    QCOMPARE(ini.ReadINI("User"), QString(""));
    QVERIFY(!QFile::exists(ini.FileName()));
}

QTEST_GUILESS_MAIN(TestClsIni)
#include "tst_clsini.moc"
