// Finding a party and taking its address in Lettrix's main window, against
// the real engine and the fixed parties at the head of the test case file,
// and the address check's effect on the window.
#include "lettrixmain.h"

#include "database/command.h"
#include "database/connection.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "lettrixtesting.h"
#include "testdb.h"
#include "testmain.h"
#include "ui/msgboxrecorder.h"
#include "xpb.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>

namespace {

QStringList lines(QListView *list)
{
    QStringList out;
    const QAbstractItemModel *model = list->model();
    for (int i = 0; i < model->rowCount(); ++i)
        out << model->index(i, 0).data().toString();
    return out;
}

} // namespace

class TestPartySearch : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_programDir;
    TestDb m_db;
    std::unique_ptr<MsgBoxRecorder> m_boxes;
    std::unique_ptr<LettrixMain> m_w;

    QListView *list() { return child<QListView>(m_w.get(), QStringLiteral("List0")); }
    QLineEdit *edit(const char *name) { return child<QLineEdit>(m_w.get(), QString::fromLatin1(name)); }
    QLineEdit *part(int i) { return child<QLineEdit>(m_w.get(), QStringLiteral("TxAd_%1").arg(i)); }
    QString address() { return child<QPlainTextEdit>(m_w.get(), QStringLiteral("Text4"))->toPlainText(); }

    void search(const QString &text) { QVERIFY(searchParties(m_w.get(), text)); }

    void pick(const QString &name)
    {
        const int row = lines(list()).indexOf(name);
        QVERIFY2(row >= 0, qPrintable(name));
        list()->setCurrentIndex(list()->model()->index(row, 0));
    }

private Q_SLOTS:
    void initTestCase()
    {
        Regional::pin(QLocale(QLocale::Russian, QLocale::Russia));
        QCoreApplication::setApplicationName(QStringLiteral("Lettrix"));
        setProgramFolder(m_programDir.path());
    }

    void init()
    {
        const QString path = m_db.freshCopy();
        QVERIFY(writeOptions(m_programDir.path(), path));
        m_boxes = std::make_unique<MsgBoxRecorder>();
        m_w = std::make_unique<LettrixMain>();
        QTRY_VERIFY_WITH_TIMEOUT(m_w->isConnected(), 15000);
        QVERIFY(partiesListed(m_w.get()));
    }

    void cleanup()
    {
        m_w.reset();
        QCOMPARE(m_boxes->count(), 0);
        m_boxes.reset();
    }

    void emptyFilterListsEveryPartyNewestFirst()
    {
        Command count;
        count.ActiveConnection = m_w->connection();
        count.CommandText = QStringLiteral("select count(*), max(\"OID\") from \"Subject\"");
        const Recordset rs = count.Execute();
        const QStringList shown = lines(list());
        QCOMPARE(shown.size(), rs.Fields(0).toInt());
        // The fixed parties were written first, so they close the list.
        QCOMPARE(shown.last(), QStringLiteral("Иванов Иван Иванович"));
        QCOMPARE(shown.at(shown.size() - 2), QStringLiteral("ИВАНОВ ПЕТР СЕРГЕЕВИЧ"));
    }

    void searchIgnoresCaseCyrillicIncluded()
    {
        search(QStringLiteral("ива"));
        const QStringList shown = lines(list());
        QVERIFY(shown.contains(QStringLiteral("Иванов Иван Иванович")));
        QVERIFY(shown.contains(QStringLiteral("ИВАНОВ ПЕТР СЕРГЕЕВИЧ")));
        for (const QString &name : shown)
            QVERIFY2(name.toUpper().contains(QStringLiteral("ИВА")), qPrintable(name));
        // Newest first here too: the lowest OID comes last.
        QCOMPARE(shown.last(), QStringLiteral("Иванов Иван Иванович"));
    }

    void apostropheAndWildcardsInTheFilter()
    {
        search(QStringLiteral("дар'я"));
        QVERIFY(lines(list()).contains(QStringLiteral("Іваненко Дар'я Олексіївна")));
        search(QStringLiteral("ив_н%ич"));
        QVERIFY(lines(list()).contains(QStringLiteral("Иванов Иван Иванович")));
        search(QStringLiteral("нет такой стороны"));
        QVERIFY(lines(list()).isEmpty());
    }

    void filterFoldsLikeTheStoredNames_data()
    {
        QTest::addColumn<QString>("stored"); // added as a party; empty: none
        QTest::addColumn<QString>("typed");

        const QString longName = QStringLiteral("Товариство з обмеженою відповідальністю ") + QString(215, QChar(0x0416));
        QTest::newRow("sharp s typed as stored") << "Weiß Anna" << "Weiß";
        QTest::newRow("sharp s in lower case") << "Weiß Anna" << "weiß a";
        QTest::newRow("ё and і") << "Сьомін Іван Ёлкин" << "іван ёлк";
        QTest::newRow("a name as long as the column, pasted whole") << longName << longName;
        QTest::newRow("a name of 100, pasted whole") << longName.left(100) << longName.left(100);
        // Longer than any name, as long as the engine compares, and longer.
        for (const int length : {300, 8189, 9000})
            QTest::addRow("pattern of %d finds nothing", length) << QString() << QString(length, QChar(0x0416));
    }

    void filterFoldsLikeTheStoredNames()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        if (!stored.isEmpty()) {
            Command insert;
            insert.ActiveConnection = m_w->connection();
            insert.CommandText = QStringLiteral("insert into \"Subject\" (\"OID\", \"FullName\") values (900001, ?)");
            insert.Parameters = {stored};
            insert.Execute();
        }
        search(typed);
        QCOMPARE(lines(list()), stored.isEmpty() ? QStringList() : QStringList{stored});
        // The list comes back as soon as the text is short again.
        search(QStringLiteral("иван"));
        QVERIFY(lines(list()).contains(QStringLiteral("Иванов Иван Иванович")));
    }

    // A case file in WIN1251, as court files often are, whose every query
    // first counts the pairs of rows of SLOW: 2 000 rows answer in a fraction
    // of a second, 60 000 take minutes.
    void slowSingleByteCaseFile()
    {
        const QString path = m_db.folder() + QStringLiteral("/slow.fdb");
        QProcess isql;
        isql.start(QStringLiteral("timeout"), {QStringLiteral("-k"), QStringLiteral("5"), QStringLiteral("60"),
                                               QStringLiteral("isql-fb"), QStringLiteral("-q"), QStringLiteral("-bail"),
                                               QStringLiteral("-ch"), QStringLiteral("UTF8")});
        QVERIFY(isql.waitForStarted());
        isql.write((QStringLiteral("CREATE DATABASE '%1' USER 'SYSDBA' DEFAULT CHARACTER SET WIN1251;\n").arg(path)
                    + QStringLiteral("CREATE TABLE NAMES (\"OID\" INTEGER NOT NULL PRIMARY KEY, \"FullName\" VARCHAR(100));\n"
                                     "CREATE TABLE SLOW (N INTEGER);\n"
                                     "CREATE VIEW \"Subject\" (\"OID\", \"FullName\") AS SELECT \"OID\", \"FullName\" "
                                     "FROM NAMES WHERE (SELECT COUNT(*) FROM SLOW A, SLOW B) >= 0;\n"
                                     "INSERT INTO NAMES VALUES (1, 'Иванов Иван Иванович');\n"
                                     "INSERT INTO NAMES VALUES (2, 'Иваненко Олег');\n"
                                     "INSERT INTO NAMES VALUES (3, 'Ивлев Пётр');\n"
                                     "INSERT INTO NAMES VALUES (4, 'Сидоров Иван');\n"
                                     "INSERT INTO NAMES VALUES (5, 'Іваненко Дар''я Олексіївна');\n"
                                     "INSERT INTO NAMES VALUES (6, 'Ёлкин Сергей');\n"
                                     "INSERT INTO SLOW SELECT FIRST 2000 1 FROM RDB$TYPES A, RDB$TYPES B;\n"
                                     "COMMIT;\n"))
                       .toUtf8());
        isql.closeWriteChannel();
        QVERIFY(isql.waitForFinished(70000));
        QVERIFY2(isql.exitCode() == 0, isql.readAllStandardError().constData());

        m_w.reset();
        QVERIFY(writeOptions(m_programDir.path(), path));
        m_w = std::make_unique<LettrixMain>();
        QTRY_VERIFY_WITH_TIMEOUT(m_w->isConnected(), 15000);
        QVERIFY(partiesListed(m_w.get(), 60000));
        QCOMPARE(lines(list()).size(), 6);

        // Cyrillic still folds; what such a file cannot hold finds nothing.
        search(QStringLiteral("іваненко дар'я"));
        QCOMPARE(lines(list()), QStringList{QStringLiteral("Іваненко Дар'я Олексіївна")});
        search(QStringLiteral("ЁЛК"));
        QCOMPARE(lines(list()), QStringList{QStringLiteral("Ёлкин Сергей")});
        search(QStringLiteral("Weiß"));
        QVERIFY(lines(list()).isEmpty());
        search(QString(101, QLatin1Char('x')));
        QVERIFY(lines(list()).isEmpty());

        // Typed faster than the query answers: every list ever shown is the
        // last text's, never an older filter's.
        QList<QStringList> shown;
        connect(list()->model(), &QAbstractItemModel::modelReset, this, [&] {
            if (list()->model()->rowCount() > 0)
                shown << lines(list());
        });
        for (const QString &typed : {QStringLiteral("и"), QStringLiteral("ив"), QStringLiteral("ива"),
                                     QStringLiteral("иван"), QStringLiteral("иванов")}) {
            edit("Stext")->setText(typed);
            QTest::qWait(10);
        }
        QVERIFY(partiesListed(m_w.get(), 60000));
        const QStringList last{QStringLiteral("Иванов Иван Иванович")};
        QCOMPARE(lines(list()), last);
        QCOMPARE(shown, QList<QStringList>{last});
        // Deleting back shows that text's rows again.
        search(QStringLiteral("ива"));
        QCOMPARE(lines(list()).size(), 3);

        // A search that would take minutes: closing the window neither waits
        // for it nor crashes, and no box follows.
        Command slower;
        slower.ActiveConnection = m_w->connection();
        slower.CommandText = QStringLiteral("insert into SLOW select first 58000 1 from rdb$types a, rdb$types b");
        slower.Execute();
        edit("Stext")->setText(QStringLiteral("и"));
        QTest::qWait(200);
        QVERIFY(m_w->isLoadingParties());
        m_w->close();
        m_w.reset();
        QTest::qWait(100);
    }

    void pickComposesTheFirstAddressAndChecksIt()
    {
        search(QStringLiteral("Иванов Иван"));
        pick(QStringLiteral("Иванов Иван Иванович"));
        QCOMPARE(edit("Text5")->text(), QStringLiteral("Иванов Иван Иванович"));
        QCOMPARE(part(2)->text(), QStringLiteral("г.Полтава"));
        QCOMPARE(part(3)->text(), QStringLiteral("ул.Садовая"));
        QCOMPARE(address(), QStringLiteral("36000\nПолтавская обл.\nг.Полтава\nул.Садовая\nд.12, корп.3, кв.45"));
        QCOMPARE(child<QLabel>(m_w.get(), QStringLiteral("St"))->text(), QStringLiteral("Стороны по делу "));
        // Notes are still empty, so the address itself passes.
        QCOMPARE(child<QLabel>(m_w.get(), QStringLiteral("St2"))->text(), QStringLiteral("адрес ОК"));
        QVERIFY(!child<QLabel>(m_w.get(), QStringLiteral("ImgStat_0"))->isHidden());
        QVERIFY(child<QLabel>(m_w.get(), QStringLiteral("ImgStat_1"))->isHidden());
        QVERIFY(!child<QLabel>(m_w.get(), QStringLiteral("UA"))->isHidden());
        QVERIFY(child<XpB>(m_w.get(), QStringLiteral("Command3"))->EnabledCtrl());
        QCOMPARE(child<QPlainTextEdit>(m_w.get(), QStringLiteral("Text7"))->toPlainText(),
                 QStringLiteral("индекс\nобласть\nгород\nулица\nдом, кв"));
    }

    void nullColumnsLeaveTheirBoxesEmpty()
    {
        search(QStringLiteral("петр"));
        pick(QStringLiteral("ИВАНОВ ПЕТР СЕРГЕЕВИЧ"));
        QCOMPARE(part(0)->text(), QStringLiteral("101000"));
        QCOMPARE(part(3)->text(), QStringLiteral("пр.Мира"));
        QVERIFY(part(4)->text().isEmpty());
        QVERIFY(part(5)->text().isEmpty());
        QVERIFY(part(6)->text().isEmpty());
        QVERIFY(child<QLabel>(m_w.get(), QStringLiteral("UA"))->isHidden());

        search(QStringLiteral("ромашка"));
        pick(QStringLiteral("ООО «Ромашка»"));
        QVERIFY(part(1)->text().isEmpty());
        QCOMPARE(address(), QStringLiteral("36039\n\nг.Полтава\nул.Гоголя\nд.3"));
    }

    void twoAddressesTakeTheFirstRowOnly()
    {
        Command first;
        first.ActiveConnection = m_w->connection();
        first.CommandText = QStringLiteral("select \"Address\".\"Index\" from \"Address\" where \"Subject\"=5");
        const Recordset rs = first.Execute();
        QCOMPARE(rs.RecordCount(), 2);

        search(QStringLiteral("коваль"));
        pick(QStringLiteral("Коваль Олена Миколаївна"));
        QCOMPARE(part(0)->text(), rs.Fields(0).toString());
        QCOMPARE(address().split(QLatin1Char('\n')).size(), 5);
    }

    void secondPickReplacesTheFirst()
    {
        search(QStringLiteral("ив"));
        pick(QStringLiteral("Иванов Иван Иванович"));
        QVERIFY(!address().isEmpty());
        search(QStringLiteral("петров"));
        pick(QStringLiteral("Петров Петр Петрович"));
        QCOMPARE(edit("Text5")->text(), QStringLiteral("Петров Петр Петрович"));
        for (int i = 0; i < 7; ++i)
            QVERIFY(part(i)->text().isEmpty());
        QVERIFY(address().isEmpty());
        QCOMPARE(child<QLabel>(m_w.get(), QStringLiteral("St2"))->text(), QStringLiteral("слишком мало полей"));
        QVERIFY(!child<XpB>(m_w.get(), QStringLiteral("Command3"))->EnabledCtrl());
    }

    void partyWithoutNameIsAnEmptyLine()
    {
        search(QStringLiteral("%"));
        const QStringList shown = lines(list());
        // LIKE never matches a Null name.
        QVERIFY(!shown.contains(QString()));
        search(QString());
        QVERIFY(lines(list()).contains(QString()));
        pick(QString());
        QVERIFY(edit("Text5")->text().isEmpty());
        QVERIFY(address().isEmpty());
    }

    void notConnectedQueriesNothing()
    {
        QVERIFY(!lines(list()).isEmpty());
        QTest::mouseClick(child<XpB>(m_w.get(), QStringLiteral("Command1")), Qt::LeftButton);
        QVERIFY(!m_w->isConnected());
        // Nothing is left to pick that could no longer be read.
        QVERIFY(lines(list()).isEmpty());
        search(QStringLiteral("ива"));
        QVERIFY(lines(list()).isEmpty());
    }

    void recipientAndNotesIndicators()
    {
        auto *label12 = child<QLabel>(m_w.get(), QStringLiteral("Label12"));
        edit("Text5")->setText(QString(66, QChar(u'Я')));
        QVERIFY(!label12->isHidden());
        QVERIFY(!child<QLabel>(m_w.get(), QStringLiteral("ImgStat_3"))->isHidden());
        edit("Text5")->setText(QString(65, QChar(u'Я')));
        QVERIFY(label12->isHidden());
        QVERIFY(!child<QLabel>(m_w.get(), QStringLiteral("ImgStat_2"))->isHidden());

        edit("Text6")->setText(QString(84, QLatin1Char('x')));
        QCOMPARE(child<QLabel>(m_w.get(), QStringLiteral("Label16"))->text(), QStringLiteral("-4"));
    }
};

COURTMAIL_TEST_MAIN(TestPartySearch)
#include "tst_partysearch.moc"
