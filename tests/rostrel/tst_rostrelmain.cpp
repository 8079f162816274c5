// Rostrel's main window against the real engine: a refused second copy,
// failed starts, start-up and the listings, the current letter with select
// all and deletion, and weighing a day's letters.
#include "rostrelmain.h"

#include "check.h"
#include "database/command.h"
#include "database/connection.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "environment/shellopenrecorder.h"
#include "testdb.h"
#include "testmain.h"
#include "ui/msgbox.h"
#include "ui/msgboxrecorder.h"
#include "uccalendar.h"
#include "webaddresses.h"
#include "windowtesting.h"
#include "xpb.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>

namespace {

const QDateTime kDay(QDate(2025, 3, 5), QTime(0, 0));
const QString kLongName = QString(30, QChar(u'ж'));

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestRostrelMain : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_programDir;
    TestDb m_db;
    std::unique_ptr<MsgBoxRecorder> m_boxes;
    std::unique_ptr<RostrelMain> m_w;

    // A window on dbName whose start-up attempt has ended, either way.
    void start(const QString &dbName, const QString &password = QStringLiteral("masterkey"))
    {
        QVERIFY(writeOptions(m_programDir.path(), dbName, password));
        m_w = std::make_unique<RostrelMain>();
        QVERIFY(QTest::qWaitFor([this] { return child<XpB>(m_w.get(), "Command1")->EnabledCtrl()
                                                  || m_w->isConnected(); }, 15000));
    }

    // A fresh copy on which statements have run.
    QString copyWith(const QStringList &statements)
    {
        const QString path = m_db.freshCopy();
        Connection connection;
        connection.Open(TestDb::connectionString(path));
        Command c;
        c.ActiveConnection = &connection;
        for (const QString &statement : statements) {
            c.CommandText = statement;
            c.Execute();
        }
        return path;
    }

    // The day's letters through the window's connection, the date box on
    // their day: numbers 8 and 11 lie a second outside it.
    void addLetters()
    {
        QVERIFY(m_w->isConnected());
        Command c;
        c.ActiveConnection = m_w->connection();
        c.CommandText = QStringLiteral("insert into Z_POST (ID, NUMBER, PDATE, FIO, ADRESS, NOTES, TYPEM, CREATOR, "
                                       "REESTR) values (?, ?, ?, 'Петров Петр Петрович', '170000\r\nг.Тверь', ?, ?, ?, 0)");
        const struct { int id; const char *number; int secs; int kind; const char *creator; } rows[] = {
            {1, "10", 0, 1, "clerk.ivanova"},         {2, "9", 86399, 1, "clerk.ivanova"},
            {3, "100", 32733, 1, "clerk.ivanova"},    {4, "8", -1, 1, "clerk.ivanova"},
            {5, "11", 86400, 1, "clerk.ivanova"},     {6, "12", 36000, 1, "clerk.petrov"},
            {7, "13", 36000, 2, "clerk.ivanova"},     {40000, "14", 36900, 2, "clerk.ivanova"},
            {8, "15", 36600, 1, "o'neil"},            {9, "16", 37000, 2, "o'neil"}};
        for (const auto &r : rows) {
            c.Parameters = {r.id, r.number, kDay.addSecs(r.secs), QStringLiteral("дело 2-") + r.number, r.kind,
                            r.creator};
            c.Execute();
        }
        c.CommandText = QStringLiteral("update Z_POST set FIO=?, ADRESS='170000\r\nТверская обл.\r\nг.Тверь', "
                                       "BARCODE='RA123456789RU', WEIGHT='12345678', PRICE=24.5 where ID=3");
        c.Parameters = {kLongName};
        c.Execute();
        text("Text4")->setText(Regional::DateToText(kDay.date()));
    }

    QLineEdit *text(const char *name) const { return child<QLineEdit>(m_w.get(), name); }
    // The texts of labels and boxes, joined by "|".
    QString shown(const QStringList &names) const
    {
        QStringList out;
        for (const QString &name : names)
            out << child<QWidget>(m_w.get(), name)->property("text").toString();
        return out.join('|');
    }
    QListWidget *list() const { return child<QListWidget>(m_w.get(), "List1"); }
    void click(const QString &name) { QTest::mouseClick(child<QWidget>(m_w.get(), name), Qt::LeftButton); }
    void deleteLine(const char *number, int answer)
    {
        list()->setCurrentRow(int(numbers().indexOf(QString::fromUtf8(number))));
        m_boxes->addAnswer(answer);
        child<XpB>(m_w.get(), "XpB2")->Click();
    }
    // "title|buttons|prompt" of the last box.
    QString lastBox() const
    {
        const MsgBoxCall &b = m_boxes->last();
        return b.title + '|' + QString::number(b.buttons) + '|' + b.prompt;
    }
    // The listed outgoing numbers.
    QStringList numbers() const
    {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out.append(list()->item(i)->text().section(QLatin1Char('\t'), 0, 0).trimmed());
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        Regional::pin(QLocale(QLocale::Russian, QLocale::Russia));
        QCoreApplication::setApplicationName(QStringLiteral("Rostrel"));
        setProgramFolder(m_programDir.path());
        QDir(m_programDir.path()).mkdir(QStringLiteral("templates"));
        for (const char *name : {"Реестр простых писем.xls", "Реестр простых 2.xls", "Реестр заказных писем.xls",
                                 "Журнал исходящей почты.xls", "Конверт 1.xls"}) {
            QFile f(m_programDir.filePath(QStringLiteral("templates/") + QString::fromUtf8(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }

    void init()
    {
        qputenv("USERNAME", "clerk.ivanova");
        m_boxes = std::make_unique<MsgBoxRecorder>();
    }

    void cleanup()
    {
        m_w.reset();
        m_boxes.reset();
        Regional::pin(QLocale(QLocale::Russian, QLocale::Russia));
    }

    // Must run first: once this process has become the instance, it stays it.
    void secondCopyIsRefused()
    {
        QTemporaryDir otherFolder;
        QProcess first;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        first.setProcessEnvironment(env);
        first.setWorkingDirectory(otherFolder.path());
        first.start(qEnvironmentVariable("COURTMAIL_PROGRAM_DIR") + QStringLiteral("/Rostrel"), {});
        QVERIFY(first.waitForStarted());
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        const QString lock = (runtime.isEmpty() ? TempFolder() : runtime) + QStringLiteral("/Rostrel-")
                             + UserName() + QStringLiteral(".lock");
        QVERIFY2(QTest::qWaitFor([&] { return QFileInfo(lock).size() > 0; }, 10000), qPrintable(lock));

        RostrelMain second;
        QVERIFY(!second.started());
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(lastBox(), QStringLiteral("Внимание!|%1|Программа уже запущена!").arg(vbInformation));
        first.kill();
        first.waitForFinished();
    }

    // A wrong password, a missing driver and a database without the suite's
    // tables: the clerk is told, nothing breaks, options.ini stays as it was.
    void failedStarts()
    {
        if (!TestDb::serverAvailable())
            QSKIP("no Firebird server on 127.0.0.1:3050 (ctest fixture fbserver)");
        const QString ini = m_programDir.filePath(QStringLiteral("options.ini"));
        const QString db = TestDb::serverName(m_db.freshCopy());
        QVERIFY(writeOptions(m_programDir.path(), db, QStringLiteral("wrong")));
        const QByteArray before = readAll(ini);
        start(db, QStringLiteral("wrong"));
        QCOMPARE(m_boxes->count(), 1);
        QVERIFY(lastBox().startsWith(QStringLiteral("Ошибка|%1|В процессе подключения произошла ошибка.\r\n")
                                         .arg(vbCritical)));
        QCOMPARE(shown({"St"}), QStringLiteral("Ошибка подключения"));
        deleteLine("", vbYes);
        QCOMPARE(m_boxes->last().title, QStringLiteral("Удаление id=0"));

        ShellOpenRecorder pages;
        m_boxes->addAnswer(vbYes);
        DbError error{QStringLiteral("Источник данных не найден и не указан драйвер"), -1};
        m_w->objADOConnection_ConnectComplete(&error, 2, m_w->connection());
        QCOMPARE(lastBox(), QStringLiteral("Внимание!|%1|Не установлен Firebird ODBC Driver.\r\n"
                                           "Перейти на страницу его загрузки?").arg(vbYesNo | vbInformation));
        QCOMPARE(pages.urls(), QStringList(kDriverDownloadPage));
        QCOMPARE(shown({"St"}), QStringLiteral("Ошибка подключения"));
        m_w->close();
        QCOMPARE(readAll(ini), before);

        start(copyWith({QStringLiteral("DROP TABLE Z_POST")}));
        QCOMPARE(m_boxes->count(), 4);
        QCOMPARE(m_boxes->last().title, QStringLiteral("Ошибка"));
        QCOMPARE(list()->count(), 0);
    }

    // Start-up, then the listings one after another: each reload refills the
    // templates and clears "select all"; of the day's bounds 00:00:00,
    // 09:05:33 and 23:59:59 are in, the seconds either side out. Then, both
    // kinds listed, the current letter, select all and deletions, where
    // letter 15 (ID 8) cannot be deleted.
    void startUpListingsAndDeletion()
    {
        const QString path = copyWith({QStringLiteral("CREATE EXCEPTION E_KEEP 'kept'"),
                        QStringLiteral("CREATE TRIGGER T_KEEP FOR Z_POST BEFORE DELETE AS BEGIN "
                                       "IF (OLD.ID = 8) THEN EXCEPTION E_KEEP; END")});
        start(path);
        RostrelMain *w = m_w.get();
        QCOMPARE(w->windowTitle(), QStringLiteral("Печать реестров почтовых отправлений"));
        QCOMPARE(shown({"St", "Text4"}), "Соединение с БД установлено|" + Regional::DateToText(QDate::currentDate()));
        QVERIFY(child<Check>(w, "Check2_0")->Value() && !child<Check>(w, "Check2_1")->Value());
        auto *combo = child<QComboBox>(w, "Combo1");
        QVERIFY(!combo->isEditable());
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(0) + '|' + combo->currentText() + '|' + combo->itemText(1),
                 "Реестр простых 2.xls|Реестр простых 2.xls|Реестр простых писем.xls");
        // Rostrel has no connected look: the connect button stays as the attempt left it.
        QVERIFY(!child<XpB>(w, "Command1")->EnabledCtrl());
        auto *header = w->findChild<QHeaderView *>();
        const QRect under = list()->geometry();
        QCOMPARE(header->geometry(), QRect(under.left(), under.top() - 18, under.width(), 20));
        QStringList columns;
        for (int i = 0; i < header->count(); ++i)
            columns << header->model()->headerData(i, Qt::Horizontal).toString() + QString::number(header->sectionSize(i));
        QCOMPARE(columns, QStringList({"*20", "№25", "Кому145", "Куда290", "Примечание95", "Вес31"}));
        QTRY_VERIFY(!child<Check>(w, "Check1")->isHidden());

        addLetters();
        w->show();
        qputenv("USERNAME", "o'neil");
        const char *simple = "9 10 12 15 100", *all = "9 10 12 13 14 15 16 100";
        const char *simples = "Реестр простых*.xls", *registered = "Реестр заказных*.xls", *journal = "Журнал*.xls";
        const struct { const char *steps, *pattern; int templates; const char *listed; } walk[] = {
            {"Check2_1", journal, 1, all},
            {"Check2_0", registered, 1, "13 14 16"},
            {"Check2_1", registered, 1, ""}, // none ticked
            {"Check2_0", simples, 2, simple},
            {"Check2_0", simples, 2, ""},
            {"Check2_0 Check2_1 Check3", journal, 1, "15 16"},
            {"date=04.03.2025 Check3 calendar", journal, 1, all},
            {"locale=en_GB date=05/03/2025 Check2_1", simples, 2, simple}};
        for (const auto &row : walk) {
            if (QByteArray(row.steps).contains("Check2"))
                combo->clear(); // to see it refilled
            for (const QString &step : QString::fromUtf8(row.steps).split(' ')) {
                child<Check>(w, "Check1")->setValue(true);
                const QString value = step.section(QLatin1Char('='), 1);
                if (step.startsWith(QLatin1String("date=")))
                    text("Text4")->setText(value);
                else if (step.startsWith(QLatin1String("locale=")))
                    Regional::pin(QLocale(value));
                else if (step == QLatin1String("calendar")) {
                    click(QStringLiteral("Text4"));
                    auto *grid = child<ucCalendar>(w, "Cal")->findChild<QCalendarWidget *>()->findChild<QTableView *>();
                    grid->setFocus();
                    QTest::keyClick(grid, Qt::Key_Right);
                } else {
                    click(step);
                }
            }
            QCOMPARE(child<QListWidget>(w, "File1")->property("Pattern").toString(), QString::fromUtf8(row.pattern));
            QCOMPARE(combo->count(), row.templates);
            QCOMPARE(numbers().join(' '), QString::fromUtf8(row.listed));
            QVERIFY(!child<Check>(w, "Check1")->Value());
        }
        QCOMPARE(m_boxes->count(), 0);

        Regional::pin(QLocale(QLocale::Russian, QLocale::Russia));
        text("Text4")->setText(Regional::DateToText(kDay.date()));
        click(QStringLiteral("Check2_1"));
        const QStringList details{"Label1", "Label6", "Label7", "Label10", "Text5", "Text6"};
        list()->setCurrentRow(int(numbers().indexOf("100")));
        QCOMPARE(list()->currentItem()->text(), QStringLiteral(" 100\t") + kLongName.left(22)
                                                    + QStringLiteral("\t170000, Тверская обл., г.Тверь\tдело 2-100\t12345"));
        QCOMPARE(shown(details), kLongName + "|170000, Тверская обл., г.Тверь|дело 2-100|RA123456789RU|12345678|24,5");

        // Select all keeps line 2 current; Space unticks it.
        list()->setCurrentRow(1);
        QVERIFY(child<Check>(w, "Check1")->isVisible());
        click(QStringLiteral("Check1"));
        QCOMPARE(list()->currentRow(), 1);
        QCOMPARE(shown({"Label16"}), QStringLiteral("Выбрано: 8"));
        QTest::keyClick(list(), Qt::Key_Space);
        QCOMPARE(list()->item(1)->checkState(), Qt::Unchecked);
        QCOMPARE(shown({"Label16"}), QStringLiteral("Выбрано: 7"));

        // The line to delete ("": none current) with the first line ticked,
        // the answer, the box's title, then what is listed and how many ticked.
        const struct { const char *number; int answer; const char *title, *listed, *ticked; } deletions[] = {
            {"13", vbNo, "Удаление id=7", "9 10 12 13 14 15 16 100", "7"},
            {"13", vbYes, "Удаление id=7", "9 10 12 14 15 16 100", "0"},
            {"14", vbYes, "Удаление id=40000", "9 10 12 15 16 100", "0"},
            {"", vbYes, "Удаление id=0", "9 10 12 15 16 100", "1"}};
        for (const auto &d : deletions) {
            list()->item(0)->setCheckState(Qt::Checked);
            deleteLine(d.number, d.answer);
            QCOMPARE(lastBox(), QString::fromUtf8(d.title)
                                    + QStringLiteral("|%1|Удалить выбранную запись?").arg(vbYesNo | vbQuestion));
            QCOMPARE(numbers().join(' ') + '|' + shown({"Label16"}), QString::fromUtf8(d.listed) + "|Выбрано: " + d.ticked);
        }

        // A refused deletion and a date box without a date keep the list.
        deleteLine("15", vbYes);
        QVERIFY2(lastBox().startsWith(QStringLiteral("Ошибка|%1|").arg(vbCritical)) && lastBox().contains("kept"),
                 qPrintable(lastBox()));
        text("Text4")->setText(QStringLiteral("abc"));
        click(QStringLiteral("Check2_1"));
        QCOMPARE(lastBox(), QStringLiteral("Ошибка|%1|В поле \"Дата:\" не указана дата: abc").arg(vbCritical));
        QCOMPARE(m_boxes->count(), 7);
        QCOMPARE(numbers().join(' '), "9 10 12 15 16 100");
        QCOMPARE(list()->item(0)->checkState(), Qt::Checked);

        text("Text4")->setText(QStringLiteral("07.03.2025"));
        click(QStringLiteral("Check3"));
        QCOMPARE(list()->count(), 0);
        QCOMPARE(shown(details + QStringList{"Label16"}), "|||||0|Выбрано: 0");

        // The database goes away: the window says so and shows its connect
        // button, and one press connects again and hides it.
        TestDb::endAttachment(*w->connection(), path);
        click(QStringLiteral("Check3"));
        QCOMPARE(shown({"St"}), "Отключен");
        QVERIFY(!child<XpB>(w, "Command1")->isHidden());
        click(QStringLiteral("Command1"));
        QTRY_VERIFY_WITH_TIMEOUT(w->isConnected(), 15000);
        QVERIFY(child<XpB>(w, "Command1")->isHidden());
    }

    // Seventeen letters weighed one after another over the ladders 20/50/100 g
    // at 10/15/20 (simple) and 40/45.50/50 (registered), 60 and 90 to Ukraine;
    // a tariff changed, then the last letter deleted elsewhere. Prices as
    // numbers, or as the tariff editor's text.
    void weighing_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("ru_RU, prices as numbers") << QLocale(QLocale::Russian, QLocale::Russia);
        QTest::newRow("en_US, prices as text") << QLocale(QLocale::English, QLocale::UnitedStates);
    }

    void weighing()
    {
        QFETCH(QLocale, locale);
        Regional::pin(locale);
        const bool en = locale.decimalPoint() == '.';
        const auto price = [en](QString p) { return en ? "'" + p.replace('.', ',') + "'" : p; };
        QStringList sql{"DELETE FROM Z_POSTPRICE"};
        if (en)
            sql << "ALTER TABLE Z_POSTPRICE ALTER PRICE TYPE VARCHAR(21)";
        for (const QString t :
             {"1,20,10", "1,50,15", "1,100,20", "2,20,40", "2,50,45.50", "2,100,50", "3,0,30", "4,0,60", "5,0,90"})
            sql << "insert into Z_POSTPRICE values (" + t.section(',', 0, 1) + ',' + price(t.section(',', 2)) + ')';
        // 12 and 15 go to Ukraine; 13 ends in "УКРАИНА" and 14 spells it in
        // lower case: both domestic.
        for (int n = 1; n <= 17; ++n)
            sql << QString("insert into Z_POST values (%1, '%1', dateadd(12 hour to cast(current_date as timestamp)), "
                           "'Петров', '%2', 'дело', %3, null, null, null, 'clerk', 0)")
                       .arg(n)
                       .arg(n == 12 || n == 15 ? "01001\r\nУКРАИНА\r\nг. Киев"
                            : n == 13          ? "01001\r\nУКРАИНА"
                            : n == 14          ? "01001\r\nУкраина\r\nг. Киев"
                                               : "170000")
                       .arg(n < 14 ? 1 : 2);
        const QString path = copyWith(sql);
        start(path);
        Connection elsewhere;
        elsewhere.Open(TestDb::connectionString(path));
        Command c;
        c.ActiveConnection = &elsewhere;
        const auto run = [&c](const QString &statement) { c.CommandText = statement; return c.Execute(); };
        QLineEdit *box = text("Text5");
        const auto enter = [box](const QString &typed) { box->setText(typed); QTest::keyClick(box, Qt::Key_Return); };

        click(QStringLiteral("Check2_1")); // both kinds: letters 1 to 17 in order
        enter("20");                        // no current line: nothing happens
        list()->setCurrentRow(0);
        QTest::keyClick(box, Qt::Key_Up);
        const QStringList typed = QString("0 19 20 49 50 99 100 150 abc 49.5 49,5 500 20 20 10 20,5 30").split(' ');
        for (int n = 1; n <= 17; ++n) {
            if (n == 17)
                run("update Z_POSTPRICE set PRICE=" + price("47") + " where TYPEM=2 and WEIGHT=50");
            enter(typed.at(n - 1));
            QCOMPARE(list()->currentRow(), qMin(n, 16));
        }
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(m_boxes->count(), 0);
        run("DELETE FROM Z_POST where ID=17");
        enter("60");
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().title, QStringLiteral("Ошибка"));
        QCOMPARE(list()->currentRow(), 16);

        // Each line's weight box, price box and weight column, as weighed and
        // as reloaded, where a weighed letter keeps its fraction at the next Enter.
        const auto weighed = [&](int lines) {
            QStringList out;
            for (int i = 0; i < lines; ++i) {
                list()->setCurrentRow(i);
                const bool inLine = list()->item(i)->text().section('\t', -1) == box->text();
                out << shown({"Text5", "Text6"}).replace('|', '/') + (inLine ? "" : "(not in the line)");
            }
            return out.join(' ');
        };
        QString expected = "0/10 19/10 20/15 49/15 50/20 99/20 100/0 150/0 0/10 49,5/15 49,5/15 500/60 20/15 "
                           "20/45,5 10/90 20,5/45,5 30/47";
        if (en)
            expected.replace(',', '.');
        QCOMPARE(weighed(17), expected);
        QCOMPARE(box->selectedText(), box->text()); // typing replaces it
        click(QStringLiteral("Check2_1"));
        click(QStringLiteral("Check2_1"));
        list()->setCurrentRow(15);
        enter(box->text());
        QCOMPARE(weighed(16), expected.section(' ', 0, 14) + (en ? " 20.5/47" : " 20,5/47"));
        QCOMPARE(m_boxes->count(), 1);
    }
};

COURTMAIL_TEST_MAIN(TestRostrelMain)
#include "tst_rostrelmain.moc"
