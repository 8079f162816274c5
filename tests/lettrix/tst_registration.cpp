// Registering a letter from Lettrix's main window against the real engine:
// the refusals, the kind dialog, the confirmation, the numbering and the row
// as stored; and numbering under two clerks registering at the same moment.
#include "lettrixmain.h"

#include "currentletter.h"
#include "letterregistry.h"
#include "modaldriver.h"

#include "database/command.h"
#include "database/connection.h"
#include "database/dbexception.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "lettrixtesting.h"
#include "testdb.h"
#include "testmain.h"
#include "ui/msgbox.h"
#include "ui/msgboxrecorder.h"
#include "xpb.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSet>
#include <QTemporaryDir>

#include <thread>

namespace {

const QString kAddress6 = QStringLiteral("101000\nМосковская обл.\nг.Москва\nпр.Мира\nд.1");
const QString kAddress5 = QStringLiteral("36000\nПолтавская обл.\nг.Полтава\nвул. Пам'яті\nд.12, кв.45");

void clickKind(QWidget *dialog, int index)
{
    child<XpB>(dialog, QStringLiteral("SelButton_%1").arg(index))->Click();
}

} // namespace

class TestRegistration : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_programDir;
    TestDb m_db;
    QString m_path;
    std::unique_ptr<MsgBoxRecorder> m_boxes;
    std::unique_ptr<LettrixMain> m_w;

    void fill(const QString &address, const QString &recipient, const QString &notes)
    {
        child<QPlainTextEdit>(m_w.get(), QStringLiteral("Text4"))->setPlainText(address);
        child<QLineEdit>(m_w.get(), QStringLiteral("Text5"))->setText(recipient);
        child<QLineEdit>(m_w.get(), QStringLiteral("Text6"))->setText(notes);
    }

    // Presses the register button; the kind dialog chooses `kind` (-1:
    // closed without a choice), the printing window is closed.
    void registerWith(int kind)
    {
        ModalDriver driver;
        driver.expect(QStringLiteral("SelectType"), [kind](QWidget *dialog) {
            if (kind < 0)
                dialog->close();
            else
                clickKind(dialog, kind);
        });
        if (kind >= 0)
            driver.expect(QStringLiteral("PrntForm"), [](QWidget *w) { w->close(); });
        child<XpB>(m_w.get(), QStringLiteral("Command3"))->Click();
        QCOMPARE(driver.unexpected(), 0);
    }

    Recordset rows(const QString &sql)
    {
        Command c;
        c.ActiveConnection = m_w->connection();
        c.CommandText = sql;
        return c.Execute();
    }

    void exec(const QString &sql)
    {
        Command c;
        c.ActiveConnection = m_w->connection();
        c.CommandText = sql;
        c.Execute();
    }

    int postRows() { return rows(QStringLiteral("select count(*) from Z_POST")).Fields(0).toInt(); }

private Q_SLOTS:
    void initTestCase()
    {
        Regional::pin(QLocale(QLocale::Russian, QLocale::Russia));
        QCoreApplication::setApplicationName(QStringLiteral("Lettrix"));
        setProgramFolder(m_programDir.path());
        qputenv("USERNAME", "clerk.ivanova");
    }

    void init()
    {
        m_path = m_db.freshCopy();
        QVERIFY(writeOptions(m_programDir.path(), m_path));
        m_boxes = std::make_unique<MsgBoxRecorder>();
        m_w = std::make_unique<LettrixMain>();
        QTRY_VERIFY_WITH_TIMEOUT(m_w->isConnected(), 15000);
        exec(QStringLiteral("delete from Z_POST"));
        child<QLineEdit>(m_w.get(), QStringLiteral("Text8"))->setText(QStringLiteral("05.03.2025"));
    }

    void cleanup()
    {
        m_w.reset();
        m_boxes.reset();
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("recipient");
        QTest::addColumn<QString>("notes");
        QTest::addColumn<QString>("date");
        QTest::addColumn<bool>("disconnect");
        QTest::addColumn<QString>("message");

        const QString r = QStringLiteral("Петров Петр");
        const QString n = QStringLiteral("дело 2-15/2025");
        const QString d = QStringLiteral("05.03.2025");
        const QString missing = QStringLiteral("Заполнены не все поля!");
        QTest::newRow("empty address") << "" << r << n << d << false << missing;
        QTest::newRow("empty recipient") << kAddress6 << "" << n << d << false << missing;
        QTest::newRow("empty notes") << kAddress6 << r << "" << d << false << missing;
        QTest::newRow("recipient of 66") << kAddress6 << QString(66, QChar(u'Я')) << n << d << false
                                         << "Превышена длина поля 'получатель'!";
        QTest::newRow("not connected") << kAddress6 << r << n << d << true
                                       << "Нет подключения к базе данных. Подключитесь и повторите.";
        QTest::newRow("address fails its check") << QStringLiteral("36000\nг.Полтава") << r << n << d << false
                                                 << "Адрес не прошел проверку: слишком мало полей";
        QTest::newRow("notes of 81 name the notes") << kAddress6 << r << QString(81, QLatin1Char('n')) << d << false
                                                    << "Превышена длина поля 'примечание'!";
        QTest::newRow("long line and long notes name the address")
            << QStringLiteral("101000\nМосковская обл.\nг.Москва\n") + QString(35, QLatin1Char('x')) + QStringLiteral("\nд.1")
            << r << QString(81, QLatin1Char('n')) << d << false << "Адрес не прошел проверку: превышена длина поля 4";
        QTest::newRow("no date") << kAddress6 << r << n << "31.02.2025" << false
                                 << "В поле \"Дата:\" не указана дата: 31.02.2025";
    }

    void refusals()
    {
        QFETCH(QString, address);
        QFETCH(QString, recipient);
        QFETCH(QString, notes);
        QFETCH(QString, date);
        QFETCH(bool, disconnect);
        QFETCH(QString, message);
        if (disconnect)
            child<XpB>(m_w.get(), QStringLiteral("Command1"))->Click();
        fill(address, recipient, notes);
        child<QLineEdit>(m_w.get(), QStringLiteral("Text8"))->setText(date);
        const QString before = child<QLabel>(m_w.get(), QStringLiteral("St"))->text();

        ModalDriver driver;
        child<XpB>(m_w.get(), QStringLiteral("Command3"))->Click();
        QCOMPARE(driver.seen(), QStringList()); // no kind dialog
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().prompt, message);
        QCOMPARE(m_boxes->last().icon(), vbCritical);
        QCOMPARE(m_boxes->last().title, QStringLiteral("Ошибка"));
        QCOMPARE(child<QLabel>(m_w.get(), QStringLiteral("St"))->text(), before);
    }

    void storedRowAsTheTableGivesIt_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("typem");
        QTest::addColumn<int>("reestr");

        QTest::newRow("simple, Ukrainian index")
            << 0 << kAddress5
            << QStringLiteral("36000\r\nУКРАИНА\r\nПолтавская обл.\r\nг.Полтава\r\nвул. Пам'яті\r\nд.12, кв.45") << 1
            << 0;
        QTest::newRow("registered, Russian index")
            << 1 << kAddress6 << QStringLiteral("101000\r\nМосковская обл.\r\nг.Москва\r\nпр.Мира\r\nд.1") << 2 << 0;
        QTest::newRow("registered with notification")
            << 2 << kAddress6 << QStringLiteral("101000\r\nМосковская обл.\r\nг.Москва\r\nпр.Мира\r\nд.1") << 2 << 1;
    }

    void storedRowAsTheTableGivesIt()
    {
        QFETCH(int, kind);
        QFETCH(QString, address);
        QFETCH(QString, stored);
        QFETCH(int, typem);
        QFETCH(int, reestr);

        const QString recipient = QString(65, QChar(u'Д')).replace(0, 6, QStringLiteral("Дар'я "));
        fill(address, recipient, QStringLiteral("дело №2-15/2025 'о взыскании'"));
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        registerWith(kind);
        const QDateTime after = QDateTime::currentDateTime().addSecs(1);

        QCOMPARE(m_boxes->count(), 2);
        const MsgBoxCall question = m_boxes->calls().at(0);
        QCOMPARE(question.prompt, QStringLiteral("Вы хотите присвоить исходящий номер и внести данное отправление в "
                                                 "реестр исходящей почты? Это действие нельзя будет отменить."));
        QCOMPARE(question.buttons, vbYesNo | vbInformation);
        QCOMPARE(question.title, QStringLiteral("Внимание!"));
        QCOMPARE(m_boxes->last().prompt, QStringLiteral("Отправление внесено в реестр с исходящим номером: 1"));
        QCOMPARE(m_boxes->last().buttons, vbInformation);
        QCOMPARE(m_boxes->last().title, QStringLiteral("Сообщение"));
        QCOMPARE(child<QLabel>(m_w.get(), QStringLiteral("St"))->text(),
                 QStringLiteral("Отправление добавлено в реестр, присвоен исх № 1"));

        const Recordset rs = rows(QStringLiteral("select ID, NUMBER, PDATE, FIO, ADRESS, NOTES, TYPEM, BARCODE, "
                                                 "WEIGHT, PRICE, CREATOR, REESTR from Z_POST"));
        QCOMPARE(rs.RecordCount(), 1);
        QCOMPARE(rs.Fields(0).toInt(), 1);
        QCOMPARE(rs.Fields(1).toString(), QStringLiteral("1"));
        const QDateTime pdate = rs.Fields(2).toDateTime();
        QCOMPARE(pdate.date(), QDate(2025, 3, 5));
        QVERIFY(pdate.time() >= before.time() && pdate.time() <= after.time());
        QCOMPARE(rs.Fields(3).toString(), recipient);
        QCOMPARE(rs.Fields(4).toString(), stored);
        QCOMPARE(rs.Fields(5).toString(), QStringLiteral("дело №2-15/2025 'о взыскании'"));
        QCOMPARE(rs.Fields(6).toInt(), typem);
        QVERIFY(rs.Fields(7).isNull());
        QVERIFY(rs.Fields(8).isNull());
        QVERIFY(rs.Fields(9).isNull());
        QCOMPARE(rs.Fields(10).toString(), QStringLiteral("clerk.ivanova"));
        QCOMPARE(rs.Fields(11).toInt(), reestr);

        QCOMPARE(ItemId, 1);
        QCOMPARE(ItemNumber, QStringLiteral("1"));
        QCOMPARE(ItemBarcode, QStringLiteral("Null"));
        QCOMPARE(ItemCreator, QStringLiteral("clerk.ivanova"));
    }

    void numberingFollowsTheHighestId()
    {
        exec(QStringLiteral("insert into Z_POST (ID, NUMBER) values (5, '20')"));
        exec(QStringLiteral("insert into Z_POST (ID, NUMBER) values (7, '12')"));
        fill(kAddress6, QStringLiteral("Петров"), QStringLiteral("дело"));
        registerWith(0);
        QCOMPARE(m_boxes->last().prompt, QStringLiteral("Отправление внесено в реестр с исходящим номером: 13"));
        QCOMPARE(rows(QStringLiteral("select NUMBER from Z_POST where ID=8")).Fields(0).toString(), QStringLiteral("13"));

        // The highest row deleted: its ID and number are given again.
        exec(QStringLiteral("delete from Z_POST where ID=8"));
        registerWith(1);
        QCOMPARE(rows(QStringLiteral("select NUMBER from Z_POST where ID=8")).Fields(0).toString(), QStringLiteral("13"));

        // Past the old 16-bit limit.
        exec(QStringLiteral("insert into Z_POST (ID, NUMBER) values (40000, '32767')"));
        registerWith(1);
        QCOMPARE(rows(QStringLiteral("select NUMBER from Z_POST where ID=40001")).Fields(0).toString(),
                 QStringLiteral("32768"));
    }

    void answeringNoOrClosingTheDialogStoresNothing()
    {
        fill(kAddress6, QStringLiteral("Петров"), QStringLiteral("дело"));
        m_boxes->addAnswer(vbNo);
        const QString before = child<QLabel>(m_w.get(), QStringLiteral("St"))->text();
        registerWith(2);
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(postRows(), 0);
        QCOMPARE(child<QLabel>(m_w.get(), QStringLiteral("St"))->text(), before);

        m_boxes->clear();
        registerWith(-1);
        QCOMPARE(m_boxes->count(), 0); // not even the question
        QCOMPARE(postRows(), 0);
    }

    void aStoredNumberThatIsNoNumberStopsTheRegistration()
    {
        exec(QStringLiteral("insert into Z_POST (ID, NUMBER) values (3, 'abc')"));
        fill(kAddress6, QStringLiteral("Петров"), QStringLiteral("дело"));
        registerWith(0);
        QCOMPARE(m_boxes->last().icon(), vbCritical);
        QVERIFY(m_boxes->last().prompt.startsWith(QStringLiteral("Отправление не внесено в реестр")));
        QCOMPARE(postRows(), 1);
    }

    // Another program holds the settings row: the registration gives up at
    // the connection's time limit with nothing stored and says so; with the
    // row free the window registers again, and the row keeps its barcode.
    void heldTurnEndsAtTheTimeLimit()
    {
        exec(QStringLiteral("insert into Z_POSTCONFIG values ('0001')"));
        Connection holder;
        holder.Open(TestDb::connectionString(m_path));
        holder.BeginTrans();
        Command hold;
        hold.ActiveConnection = &holder;
        hold.CommandText = QStringLiteral("update Z_POSTCONFIG set CURRENT_BAR=CURRENT_BAR");
        hold.Execute();

        m_w->connection()->CommandTimeout = 1;
        fill(kAddress6, QStringLiteral("Петров"), QStringLiteral("дело"));
        registerWith(0);
        QCOMPARE(m_boxes->last().icon(), vbCritical);
        QCOMPARE(m_boxes->last().title, QStringLiteral("Ошибка"));
        QCOMPARE(m_boxes->last().prompt, QStringLiteral("Отправление не внесено в реестр, исходящий номер не присвоен.\r\n"
                                                         "Истекло время ожидания выполнения запроса (1 с): запрос прерван."));
        QCOMPARE(postRows(), 0);

        holder.RollbackTrans();
        registerWith(0);
        QCOMPARE(m_boxes->last().title, QStringLiteral("Сообщение"));
        QCOMPARE(postRows(), 1);
        const Recordset rs = rows(QStringLiteral("select CURRENT_BAR from Z_POSTCONFIG"));
        QCOMPARE(rs.RecordCount(), 1);
        QCOMPARE(rs.Fields(0).toString(), QStringLiteral("0001"));
        m_w->UpdateCurrentBar(QStringLiteral("0002"));
        QCOMPARE(rows(QStringLiteral("select CURRENT_BAR from Z_POSTCONFIG")).Fields(0).toString(), QStringLiteral("0002"));

        // A database whose settings table is not made yet still takes letters.
        holder.Close();
        exec(QStringLiteral("drop table Z_POSTCONFIG"));
        registerWith(1);
        QCOMPARE(m_boxes->last().prompt, QStringLiteral("Отправление внесено в реестр с исходящим номером: 2"));
    }

    void busyOfficeTakesTurns_data()
    {
        QTest::addColumn<bool>("server");
        QTest::newRow("one embedded file") << false;
        QTest::newRow("server") << true;
    }

    // Four clerks registering as fast as they can: none is refused, the
    // numbers run from 1 without a gap or a repeat, and the turns were taken
    // at one settings row, added by the first.
    void busyOfficeTakesTurns()
    {
        QFETCH(bool, server);
        if (server && !TestDb::serverAvailable())
            QSKIP("no Firebird server on 127.0.0.1:3050 (ctest fixture fbserver)");
        m_w.reset(); // an embedded engine and a server cannot share a file
        constexpr int clerks = 4, perClerk = 50;
        std::vector<std::unique_ptr<Connection>> connections;
        std::vector<std::thread> threads;
        std::atomic<int> refused{0};
        for (int i = 0; i < clerks; ++i) {
            connections.push_back(std::make_unique<Connection>());
            connections.back()->Open(TestDb::connectionString(server ? TestDb::serverName(m_path) : m_path));
            QCOMPARE(connections.back()->State(), 1);
        }
        for (int i = 0; i < clerks; ++i) {
            threads.emplace_back([&refused, c = connections[i].get(), name = QStringLiteral("clerk%1").arg(i)] {
                const LetterRow row{QDateTime(QDate(2025, 3, 5), QTime(10, 0)), name,
                                    QStringLiteral("101000\r\nобл.\r\nг.М\r\nул.Л\r\nд.1"), name, 1, name};
                for (int n = 0; n < perClerk; ++n) {
                    try {
                        RegisterLetter(c, row);
                    } catch (const DbException &e) {
                        qWarning("%s", qPrintable(e.error().Description));
                        ++refused;
                    }
                }
            });
        }
        for (std::thread &t : threads)
            t.join();
        QCOMPARE(refused.load(), 0);

        Command c;
        c.ActiveConnection = connections.front().get();
        c.CommandText = QStringLiteral("select ID, NUMBER from Z_POST order by ID");
        Recordset rs = c.Execute();
        QCOMPARE(rs.RecordCount(), clerks * perClerk);
        for (int expected = 1; !rs.Eof(); ++expected, rs.MoveNext()) {
            QCOMPARE(rs.Fields(0).toInt(), expected);
            QCOMPARE(rs.Fields(1).toString(), QString::number(expected));
        }
        c.CommandText = QStringLiteral("select count(*) from Z_POSTCONFIG");
        QCOMPARE(c.Execute().Fields(0).toInt(), 1);
    }

    void twoClerksNeverShareANumber()
    {
        const QString dbName = m_path;
        m_w.reset(); // its connection is not needed
        auto open = [&dbName] {
            auto c = std::make_unique<Connection>();
            c->Open(TestDb::connectionString(dbName));
            return c;
        };
        auto a = open();
        auto b = open();
        QCOMPARE(a->State(), 1);
        QCOMPARE(b->State(), 1);

        const int perClerk = 40;
        std::atomic<int> failures{0};
        auto clerk = [&](Connection *c, const QString &name) {
            for (int i = 0; i < perClerk; ++i) {
                LetterRow row;
                row.date = QDateTime(QDate(2025, 3, 5), QTime(10, 0));
                row.recipient = name;
                row.address = QStringLiteral("101000\r\nобл.\r\nг.М\r\nул.Л\r\nд.1");
                row.notes = QString::number(i);
                row.type = 1;
                row.creator = name;
                try {
                    RegisterLetter(c, row);
                } catch (const DbException &e) {
                    qWarning("%s", qPrintable(e.error().Description));
                    ++failures;
                }
            }
        };
        std::thread first(clerk, a.get(), QStringLiteral("A"));
        std::thread second(clerk, b.get(), QStringLiteral("B"));
        first.join();
        second.join();
        QCOMPARE(failures.load(), 0);

        Command c;
        c.ActiveConnection = a.get();
        c.CommandText = QStringLiteral("select ID, NUMBER from Z_POST");
        Recordset rs = c.Execute();
        QSet<int> ids;
        QSet<QString> numbers;
        while (!rs.Eof()) {
            ids.insert(rs.Fields(0).toInt());
            numbers.insert(rs.Fields(1).toString());
            rs.MoveNext();
        }
        QCOMPARE(rs.RecordCount(), 2 * perClerk);
        QCOMPARE(ids.size(), 2 * perClerk);
        QCOMPARE(numbers.size(), 2 * perClerk);
    }
};

COURTMAIL_TEST_MAIN(TestRegistration)
#include "tst_registration.moc"
