// The sent-items view over the real engine: which letters LoadList lists and
// in what order, the view after opening, its kind boxes and calendar, and the
// view without a connection or with a date box that holds no date.
#include "lettrixmain.h"
#include "viewform.h"

#include "check.h"
#include "database/command.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "lettrixtesting.h"
#include "modaldriver.h"
#include "testdb.h"
#include "testmain.h"
#include "ui/msgbox.h"
#include "ui/msgboxrecorder.h"
#include "uccalendar.h"
#include "xpb.h"

#include <QCalendarWidget>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QTemporaryDir>

namespace {

const QDateTime kDay(QDate(2025, 3, 5), QTime(0, 0));

QStringList numbers(QWidget *view)
{
    QStringList out;
    const auto *list = child<QListWidget>(view, "List1");
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text().section(QLatin1Char('\t'), 0, 0));
    return out;
}

} // namespace

class TestViewForm : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_programDir;
    TestDb m_db;
    std::unique_ptr<MsgBoxRecorder> m_boxes;
    std::unique_ptr<LettrixMain> m_w;

private Q_SLOTS:
    void initTestCase()
    {
        Regional::pin(QLocale(QLocale::Russian, QLocale::Russia));
        QCoreApplication::setApplicationName(QStringLiteral("Lettrix"));
        setProgramFolder(m_programDir.path());
    }

    void init()
    {
        qputenv("USERNAME", "clerk.ivanova");
        QVERIFY(writeOptions(m_programDir.path(), m_db.freshCopy()));
        m_boxes = std::make_unique<MsgBoxRecorder>();
        m_w = std::make_unique<LettrixMain>();
        QTRY_VERIFY_WITH_TIMEOUT(m_w->isConnected(), 15000);
        Command c;
        c.ActiveConnection = m_w->connection();
        c.CommandText = QStringLiteral("delete from Z_POST");
        c.Execute();
        c.CommandText = QStringLiteral("insert into Z_POST (ID, NUMBER, PDATE, FIO, ADRESS, NOTES, TYPEM, CREATOR, "
                                       "REESTR) values (?, ?, ?, 'Петров Петр Петрович', ?, 'дело 2-' || ?, ?, ?, 0)");
        const QDateTime today(QDate::currentDate(), QTime(12, 0));
        const struct { int id; const char *number; QDateTime at; int kind; const char *creator; } rows[] = {
            {1, "10", kDay, 1, "clerk.ivanova"},           {2, "9", kDay.addSecs(86399), 1, "clerk.ivanova"},
            {3, "100", kDay.addSecs(43200), 1, "clerk.ivanova"}, {4, "8", kDay.addSecs(-1), 1, "clerk.ivanova"},
            {5, "11", kDay.addDays(1), 1, "clerk.ivanova"}, {6, "12", kDay.addSecs(600), 1, "clerk.petrov"},
            {7, "13", kDay.addSecs(600), 2, "clerk.ivanova"}, {40000, "14", kDay.addSecs(900), 2, "clerk.ivanova"},
            {8, "15", kDay.addSecs(600), 1, "o'neil"},      {9, "20", today, 1, "clerk.ivanova"},
            {10, "21", today, 2, "clerk.ivanova"}};
        for (const auto &r : rows) {
            const QString number = QString::fromLatin1(r.number);
            c.Parameters = {r.id, number, r.at, QStringLiteral("170000\r\nТверская обл.\r\nг.Тверь\r\n\r\nд.1"),
                            number, r.kind, QString::fromLatin1(r.creator)};
            c.Execute();
        }
    }

    void cleanup()
    {
        m_w.reset();
        m_boxes.reset();
    }

    void openingClicksAndDates()
    {
        ViewForm view(m_w.get());
        view.show();
        auto *box0 = child<Check>(&view, "Check2_0");
        auto *box1 = child<Check>(&view, "Check2_1");
        auto *text4 = child<QLineEdit>(&view, "Text4");
        QVERIFY(box0->Value() && !box1->Value());
        QCOMPARE(child<QLabel>(&view, "Label1")->text(), QStringLiteral("Пользователь: clerk.ivanova"));
        QCOMPARE(text4->text(), Regional::DateToText(QDate::currentDate()));
        QCOMPARE(child<QListWidget>(&view, "File1")->property("Pattern"), QVariant(QStringLiteral("Реестр заказных*.xls")));
        QCOMPARE(numbers(&view), QStringList({"20"}));
        QCOMPARE(child<QListWidget>(&view, "List1")->item(0)->text(),
                 QStringLiteral("20\tПетров Петр Петрович  \t")
                     + QStringLiteral("170000, Тверская обл., г.Тверь, д.1").leftJustified(50)
                     + QStringLiteral("\tдело 2-20").leftJustified(31));
        auto *header = view.findChild<QHeaderView *>();
        const QRect list = child<QListWidget>(&view, "List1")->geometry();
        QCOMPARE(header->geometry(), QRect(list.left(), list.top() - 18, list.width(), 20));
        QStringList columns;
        for (int i = 0; i < header->count(); ++i)
            columns << header->model()->headerData(i, Qt::Horizontal).toString() + QString::number(header->sectionSize(i));
        QCOMPARE(columns, QStringList({"№30", "Кому150", "Куда290", "Примечание160"}));

        // A click on the ticked box swaps the kind; a date from the calendar reloads.
        text4->setText(QStringLiteral("05.03.2025"));
        QTest::mouseClick(box0, Qt::LeftButton);
        QVERIFY(!box0->Value() && box1->Value());
        QCOMPARE(numbers(&view), QStringList({"13", "14"}));
        QTest::mouseClick(text4, Qt::LeftButton);
        auto *cal = child<ucCalendar>(&view, "Cal");
        QVERIFY(cal->isVisible());
        cal->setActiveDate(QStringLiteral("11.03.2025"));
        auto *grid = cal->findChild<QCalendarWidget *>()->findChild<QTableView *>();
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(text4->text(), QStringLiteral("04.03.2025"));
        QVERIFY(!cal->isVisible());
        QCOMPARE(numbers(&view), QStringList());
        QTest::mouseClick(box1, Qt::LeftButton);
        QVERIFY(box0->Value() && !box1->Value());
        QCOMPARE(numbers(&view), QStringList({"8"}));

        // The user's own simple letters of 5 March, the name bound whatever
        // it holds: 00:00:00 and 23:59:59 listed in numeric order, not the
        // day before's at 23:59:59 nor the day after's at 00:00:00.
        for (const auto &[user, listed] : {std::pair{"clerk.petrov", QStringList{"12"}}, {"o'neil", QStringList{"15"}},
                                           {"clerk.ivanova", QStringList{"9", "10", "100"}}}) {
            qputenv("USERNAME", user);
            m_w->LoadList(1, kDay.date());
            QCOMPARE(numbers(&view), listed);
        }
        QCOMPARE(m_boxes->count(), 0);

        // A date box without a date: the clerk is told, the list is left empty.
        text4->setText(QStringLiteral("abc"));
        QTest::mouseClick(box1, Qt::LeftButton);
        QCOMPARE(numbers(&view), QStringList());
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().prompt, QStringLiteral("В поле \"Дата:\" не указана дата: abc"));
        QCOMPARE(m_boxes->last().icon(), vbCritical);
        QCOMPARE(m_boxes->last().title, QStringLiteral("Ошибка"));
    }

    // Before the start-up attempt has reported back, then after
    // disconnecting: the view opens empty, with no statement and no message.
    void openedWithoutAConnection()
    {
        m_w = std::make_unique<LettrixMain>();
        for (const bool disconnect : {false, true}) {
            if (disconnect) {
                QTRY_VERIFY_WITH_TIMEOUT(m_w->isConnected(), 15000);
                child<XpB>(m_w.get(), "Command1")->Click();
            }
            QVERIFY(!m_w->isConnected());
            QStringList listed{QStringLiteral("not opened")};
            ModalDriver driver;
            driver.expect(QStringLiteral("ViewForm"), [&listed](QWidget *view) {
                listed = numbers(view);
                view->close();
            });
            child<XpB>(m_w.get(), "XpB2")->Click();
            QCOMPARE(listed, QStringList());
        }
        QCOMPARE(m_boxes->count(), 0);
    }
};

COURTMAIL_TEST_MAIN(TestViewForm)
#include "tst_viewform.moc"
