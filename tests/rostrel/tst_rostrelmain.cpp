// Rostrel's main window against the real engine: a refused second copy,
// start-up, a failed connection and a missing driver, the kind boxes with
// their templates, the day's bounds, reloads that keep both kinds, the
// current letter, select all, deletion and failures that keep the list.
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
#include <QLabel>
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

    // Connected to dbName (a fresh copy by default) holding the letters
    // below, the date box on their day.
    void startWithLetters(const QString &dbName = QString())
    {
        start(dbName.isEmpty() ? m_db.freshCopy() : dbName);
        QVERIFY(m_w->isConnected());
        Command c;
        c.ActiveConnection = m_w->connection();
        c.CommandText = QStringLiteral("insert into Z_POST (ID, NUMBER, PDATE, FIO, ADRESS, NOTES, TYPEM, BARCODE, "
                                       "WEIGHT, PRICE, CREATOR, REESTR) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0)");
        const struct { int id; const char *number; int secs; int kind; const char *creator; } rows[] = {
            {1, "10", 0, 1, "clerk.ivanova"},         {2, "9", 86399, 1, "clerk.ivanova"},
            {3, "100", 32733, 1, "clerk.ivanova"},    {4, "8", -1, 1, "clerk.ivanova"},
            {5, "11", 86400, 1, "clerk.ivanova"},     {6, "12", 36000, 1, "clerk.petrov"},
            {7, "13", 36000, 2, "clerk.ivanova"},     {40000, "14", 36900, 2, "clerk.ivanova"},
            {8, "15", 36600, 1, "o'neil"},            {9, "16", 37000, 2, "o'neil"}};
        for (const auto &r : rows) {
            const bool special = r.id == 3;
            c.Parameters = {r.id, QString::fromLatin1(r.number), kDay.addSecs(r.secs),
                            special ? kLongName : QStringLiteral("Петров Петр Петрович"),
                            special ? QStringLiteral("170000\r\nТверская обл.\r\nг.Тверь")
                                    : QStringLiteral("170000\r\nг.Тверь"),
                            QStringLiteral("дело 2-") + QString::fromLatin1(r.number), r.kind,
                            special ? QVariant(QStringLiteral("RA123456789RU")) : QVariant(),
                            special ? QVariant(QStringLiteral("12345678")) : QVariant(),
                            special ? QVariant(24.5) : QVariant(), QString::fromLatin1(r.creator)};
            c.Execute();
        }
        text(m_w.get(), "Text4")->setText(Regional::DateToText(kDay.date()));
    }

    static QLineEdit *text(QWidget *w, const char *name) { return child<QLineEdit>(w, name); }
    static QString label(QWidget *w, const char *name) { return child<QLabel>(w, name)->text(); }
    QListWidget *list() const { return child<QListWidget>(m_w.get(), "List1"); }
    void click(const QString &box) { QTest::mouseClick(child<Check>(m_w.get(), box), Qt::LeftButton); }

    QStringList numbers() const
    {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out.append(list()->item(i)->text().section(QLatin1Char('\t'), 0, 0).trimmed());
        return out;
    }

    int lineOf(const QString &number) const { return int(numbers().indexOf(number)); }

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
        const QString rostrel = qEnvironmentVariable("COURTMAIL_PROGRAM_DIR") + QStringLiteral("/Rostrel");
        QTemporaryDir otherFolder;
        QProcess first;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        first.setProcessEnvironment(env);
        first.setWorkingDirectory(otherFolder.path());
        first.start(rostrel, {});
        QVERIFY(first.waitForStarted());
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        const QString lock = (runtime.isEmpty() ? TempFolder() : runtime) + QStringLiteral("/Rostrel-")
                             + UserName() + QStringLiteral(".lock");
        QVERIFY2(QTest::qWaitFor([&] { return QFileInfo(lock).size() > 0; }, 10000), qPrintable(lock));

        RostrelMain second;
        QVERIFY(!second.started());
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().prompt, QStringLiteral("Программа уже запущена!"));
        QCOMPARE(m_boxes->last().buttons, vbInformation);
        QCOMPARE(m_boxes->last().title, QStringLiteral("Внимание!"));
        first.kill();
        first.waitForFinished();
    }

    void startUp()
    {
        start(m_db.freshCopy());
        RostrelMain *w = m_w.get();
        QCOMPARE(w->windowTitle(), QStringLiteral("Печать реестров почтовых отправлений"));
        QCOMPARE(label(w, "St"), QStringLiteral("Соединение с БД установлено"));
        QCOMPARE(text(w, "Text4")->text(), Regional::DateToText(QDate::currentDate()));
        QVERIFY(child<Check>(w, "Check2_0")->Value());
        QVERIFY(!child<Check>(w, "Check2_1")->Value());
        QCOMPARE(label(w, "Label16"), QStringLiteral("Выбрано: 0"));
        auto *combo = child<QComboBox>(w, "Combo1");
        QVERIFY(!combo->isEditable());
        QStringList templates;
        for (int i = 0; i < combo->count(); ++i)
            templates << combo->itemText(i);
        QCOMPARE(templates, QStringList({"Реестр простых 2.xls", "Реестр простых писем.xls"}));
        QCOMPARE(combo->currentText(), templates.first());
        // No connected look: the hidden connect button and the fields stay as
        // the attempt left them.
        QVERIFY(!child<XpB>(w, "Command1")->EnabledCtrl());
        QVERIFY(!text(w, "Text1")->isEnabled());

        auto *header = w->findChild<QHeaderView *>();
        const QRect under = list()->geometry();
        QCOMPARE(header->geometry(), QRect(under.left(), under.top() - 18, under.width(), 20));
        QStringList columns;
        for (int i = 0; i < header->count(); ++i)
            columns << header->model()->headerData(i, Qt::Horizontal).toString() + QString::number(header->sectionSize(i));
        QCOMPARE(columns, QStringList({"*20", "№25", "Кому145", "Куда290", "Примечание95", "Вес31"}));

        QVERIFY(child<Check>(w, "Check1")->isHidden());
        QTRY_VERIFY(!child<Check>(w, "Check1")->isHidden());
        QCOMPARE(m_boxes->count(), 0);
    }

    void wrongPasswordMissingDriverAndDelete()
    {
        if (!TestDb::serverAvailable())
            QSKIP("no Firebird server on 127.0.0.1:3050 (ctest fixture fbserver)");
        const QString ini = m_programDir.filePath(QStringLiteral("options.ini"));
        const QString db = TestDb::serverName(m_db.freshCopy());
        QVERIFY(writeOptions(m_programDir.path(), db, QStringLiteral("wrong")));
        const QByteArray before = readAll(ini);
        start(db, QStringLiteral("wrong"));
        QCOMPARE(m_boxes->count(), 1);
        QVERIFY(m_boxes->last().prompt.startsWith(QStringLiteral("В процессе подключения произошла ошибка.\r\n")));
        QCOMPARE(m_boxes->last().buttons, vbCritical);
        QCOMPARE(label(m_w.get(), "St"), QStringLiteral("Ошибка подключения"));

        m_boxes->addAnswer(vbYes);
        child<XpB>(m_w.get(), "XpB2")->Click();
        QCOMPARE(m_boxes->count(), 2);
        QCOMPARE(m_boxes->last().title, QStringLiteral("Удаление id=0"));
        QCOMPARE(list()->count(), 0);

        // A missing driver: the same words as Lettrix, the page on Yes.
        ShellOpenRecorder pages;
        m_boxes->addAnswer(vbYes);
        DbError error{QStringLiteral("Источник данных не найден и не указан драйвер"), -1};
        m_w->objADOConnection_ConnectComplete(&error, 2, m_w->connection());
        QCOMPARE(m_boxes->last().prompt,
                 QStringLiteral("Не установлен Firebird ODBC Driver.\r\nПерейти на страницу его загрузки?"));
        QCOMPARE(m_boxes->last().buttons, vbYesNo | vbInformation);
        QCOMPARE(pages.urls(), QStringList(kDriverDownloadPage));
        QCOMPARE(label(m_w.get(), "St"), QStringLiteral("Ошибка подключения"));
        m_w->close();
        QCOMPARE(readAll(ini), before);
    }

    // From "простые" ticked alone on the letters' day, each row's steps:
    // a box name clicks it, "user=", "date=" and "locale=" set those, "calendar"
    // picks the next day in the pop-up, "delete" deletes line 12 (Yes).
    void listing_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("templates");
        QTest::addColumn<QStringList>("listed");
        const QStringList simple{"9", "10", "12", "15", "100"};
        const QStringList all{"9", "10", "12", "13", "14", "15", "16", "100"};
        const QString journal = QStringLiteral("Журнал*.xls");
        // The bounds: 00:00:00, 09:05:33 and 23:59:59 are in, the seconds either side out.
        QTest::newRow("simple") << QStringList{"Check2_1", "Check2_1"} << "Реестр простых*.xls" << 2 << simple;
        QTest::newRow("registered") << QStringList{"Check2_1", "Check2_0"} << "Реестр заказных*.xls" << 1
                                    << QStringList{"13", "14", "16"};
        QTest::newRow("both") << QStringList{"Check2_1"} << journal << 1 << all;
        QTest::newRow("none keeps simple") << QStringList{"Check2_0"} << "Реестр простых*.xls" << 2 << QStringList();
        QTest::newRow("none keeps registered") << QStringList{"Check2_1", "Check2_0", "Check2_1"}
                                               << "Реестр заказных*.xls" << 1 << QStringList();
        QTest::newRow("dd/MM/yyyy") << QStringList{"locale=en_GB", "date=05/03/2025", "Check2_1", "Check2_1"}
                                    << "Реестр простых*.xls" << 2 << simple;
        // Reloads with both kinds ticked keep both kinds.
        QTest::newRow("both, only o'neil's") << QStringList{"Check2_1", "user=o'neil", "Check3"} << journal << 1
                                             << QStringList{"15", "16"};
        QTest::newRow("both, calendar") << QStringList{"Check2_1", "date=04.03.2025", "calendar"} << journal << 1
                                        << all;
        QTest::newRow("both, deletion") << QStringList{"Check2_1", "delete"} << journal << 1
                                        << QStringList{"9", "10", "13", "14", "15", "16", "100"};
    }

    void listing()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, pattern);
        QFETCH(int, templates);
        QFETCH(QStringList, listed);
        startWithLetters();
        m_w->show();
        child<QComboBox>(m_w.get(), "Combo1")->clear();
        for (const QString &step : steps) {
            child<Check>(m_w.get(), "Check1")->setValue(true);
            const QString value = step.section(QLatin1Char('='), 1);
            if (step.startsWith(QLatin1String("user=")))
                qputenv("USERNAME", value.toUtf8());
            else if (step.startsWith(QLatin1String("date=")))
                text(m_w.get(), "Text4")->setText(value);
            else if (step.startsWith(QLatin1String("locale=")))
                Regional::pin(QLocale(value));
            else if (step == QLatin1String("calendar")) {
                QTest::mouseClick(text(m_w.get(), "Text4"), Qt::LeftButton);
                auto *grid = child<ucCalendar>(m_w.get(), "Cal")->findChild<QCalendarWidget *>()->findChild<QTableView *>();
                grid->setFocus();
                QTest::keyClick(grid, Qt::Key_Right);
            } else if (step == QLatin1String("delete")) {
                list()->setCurrentRow(lineOf(QStringLiteral("12")));
                child<XpB>(m_w.get(), "XpB2")->Click();
            } else {
                click(step);
            }
        }
        QCOMPARE(child<QListWidget>(m_w.get(), "File1")->property("Pattern").toString(), pattern);
        QCOMPARE(child<QComboBox>(m_w.get(), "Combo1")->count(), templates);
        QCOMPARE(numbers(), listed);
        QVERIFY(!child<Check>(m_w.get(), "Check1")->Value());
        QCOMPARE(m_boxes->count(), steps.contains(QStringLiteral("delete")) ? 1 : 0);
    }

    void currentLetterSelectAllAndEmptyDay()
    {
        startWithLetters();
        click(QStringLiteral("Check3"));
        RostrelMain *w = m_w.get();
        w->show();
        list()->setCurrentRow(lineOf(QStringLiteral("100")));
        QCOMPARE(list()->currentItem()->text(), QStringLiteral(" 100\t") + kLongName.left(22)
                                                    + QStringLiteral("\t170000, Тверская обл., г.Тверь\tдело 2-100\t12345"));
        QCOMPARE(label(w, "Label1"), kLongName);
        QCOMPARE(label(w, "Label6"), QStringLiteral("170000, Тверская обл., г.Тверь"));
        QCOMPARE(label(w, "Label7"), QStringLiteral("дело 2-100"));
        QCOMPARE(label(w, "Label10"), QStringLiteral("RA123456789RU"));
        QCOMPARE(text(w, "Text5")->text(), QStringLiteral("12345678"));
        QCOMPARE(text(w, "Text6")->text(), QStringLiteral("24,5"));

        // Select all keeps line 2 current; Space unticks it.
        list()->setCurrentRow(1);
        QTRY_VERIFY(child<Check>(w, "Check1")->isVisible());
        click(QStringLiteral("Check1"));
        QCOMPARE(list()->currentRow(), 1);
        QCOMPARE(label(w, "Label16"), QStringLiteral("Выбрано: 3"));
        QTest::keyClick(list(), Qt::Key_Space);
        QCOMPARE(list()->item(1)->checkState(), Qt::Unchecked);
        QCOMPARE(label(w, "Label16"), QStringLiteral("Выбрано: 2"));

        text(w, "Text4")->setText(QStringLiteral("07.03.2025"));
        click(QStringLiteral("Check3"));
        QCOMPARE(list()->count(), 0);
        for (const char *name : {"Label1", "Label6", "Label7", "Label10"})
            QCOMPARE(label(w, name), QString());
        QCOMPARE(text(w, "Text5")->text(), QString());
        QCOMPARE(text(w, "Text6")->text(), QStringLiteral("0"));
        QCOMPARE(label(w, "Label16"), QStringLiteral("Выбрано: 0"));
    }

    void deletion_data()
    {
        QTest::addColumn<QString>("number"); // empty: no current line
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("left");
        QTest::newRow("ID 7, no") << "13" << vbNo << "Удаление id=7" << 8;
        QTest::newRow("ID 7, yes") << "13" << vbYes << "Удаление id=7" << 7;
        QTest::newRow("ID 40000, yes") << "14" << vbYes << "Удаление id=40000" << 7;
        QTest::newRow("no current line, yes") << "" << vbYes << "Удаление id=0" << 8;
    }

    void deletion()
    {
        QFETCH(QString, number);
        QFETCH(int, answer);
        QFETCH(QString, title);
        QFETCH(int, left);
        startWithLetters();
        click(QStringLiteral("Check2_1"));
        list()->setCurrentRow(lineOf(number));
        list()->item(0)->setCheckState(Qt::Checked);
        m_boxes->addAnswer(answer);
        child<XpB>(m_w.get(), "XpB2")->Click();
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().prompt, QStringLiteral("Удалить выбранную запись?"));
        QCOMPARE(m_boxes->last().buttons, vbYesNo | vbQuestion);
        QCOMPARE(m_boxes->last().title, title);
        QCOMPARE(list()->count(), left);
        QCOMPARE(numbers().contains(number), answer == vbNo);
        QCOMPARE(label(m_w.get(), "Label16"), left == 7 ? QStringLiteral("Выбрано: 0") : QStringLiteral("Выбрано: 1"));
    }

    // A date box without a date, a refused deletion and a database without
    // the suite's tables: the clerk is told, the list stays as it was.
    void failuresKeepTheList()
    {
        startWithLetters(copyWith({QStringLiteral("CREATE EXCEPTION E_KEEP 'kept'"),
                                   QStringLiteral("CREATE TRIGGER T_KEEP FOR Z_POST BEFORE DELETE AS BEGIN "
                                                  "EXCEPTION E_KEEP; END")}));
        click(QStringLiteral("Check3"));
        const QStringList before = numbers();
        list()->setCurrentRow(0);
        list()->item(0)->setCheckState(Qt::Checked);

        text(m_w.get(), "Text4")->setText(QStringLiteral("abc"));
        click(QStringLiteral("Check2_1"));
        QCOMPARE(m_boxes->last().prompt, QStringLiteral("В поле \"Дата:\" не указана дата: abc"));
        m_boxes->addAnswer(vbYes);
        child<XpB>(m_w.get(), "XpB2")->Click();
        QVERIFY2(m_boxes->last().prompt.contains(QStringLiteral("kept")), qPrintable(m_boxes->last().prompt));
        for (const MsgBoxCall &call : m_boxes->calls().mid(0, 1) + m_boxes->calls().mid(2)) {
            QCOMPARE(call.buttons, vbCritical);
            QCOMPARE(call.title, QStringLiteral("Ошибка"));
        }
        QCOMPARE(numbers(), before);
        QCOMPARE(list()->item(0)->checkState(), Qt::Checked);

        m_boxes->clear();
        start(copyWith({QStringLiteral("DROP TABLE Z_POST")}));
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().title, QStringLiteral("Ошибка"));
        QCOMPARE(list()->count(), 0);
    }

    // Seventeen letters of today weighed with Enter one after another over
    // the ladders 20/50/100 g at 10/15/20 (simple) and 40/45.50/50
    // (registered), 60 and 90 to Ukraine; a tariff changed before the last
    // letter, which is then deleted elsewhere. Prices as numbers, or as the
    // tariff editor's text.
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
        for (const QString t : {"1 20 10", "1 50 15", "1 100 20", "2 20 40", "2 50 45.50", "2 100 50", "3 0 30",
                                "4 0 60", "5 0 90"})
            sql << "insert into Z_POSTPRICE values (" + t.section(' ', 0, 1).replace(' ', ',') + ','
                       + price(t.section(' ', 2)) + ')';
        for (int n = 1; n <= 17; ++n)
            sql << QString("insert into Z_POST values (%1, '%1', dateadd(12 hour to cast(current_date as timestamp)), "
                           "'Петров', '%2', 'дело', %3, null, null, null, 'clerk', 0)")
                       .arg(n)
                       .arg(n == 12 || n == 15 ? "01001\r\nУКРАИНА\r\nг. Киев"
                            : n == 13          ? "01001\r\nУКРАИНА"
                                               : "170000")
                       .arg(n < 14 ? 1 : 2);
        const QString path = copyWith(sql);
        start(path);
        Connection elsewhere;
        elsewhere.Open(TestDb::connectionString(path));
        Command c;
        c.ActiveConnection = &elsewhere;
        const auto run = [&c](const QString &statement) { c.CommandText = statement; return c.Execute(); };
        QLineEdit *box = text(m_w.get(), "Text5");
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

        // Each line's weight box (its record), price box and weight column.
        QString expected = "0/10 19/10 20/15 49/15 50/20 99/20 100/0 150/0 0/10 49,5/15 49,5/15 500/60 20/15 "
                           "20/45,5 10/90 20,5/45,5 30/47";
        QStringList shown;
        for (int i = 0; i < 17; ++i) {
            list()->setCurrentRow(i);
            shown << box->text() + '/' + text(m_w.get(), "Text6")->text();
            QCOMPARE(list()->item(i)->text().section('\t', -1), box->text());
        }
        QCOMPARE(shown.join(' '), en ? expected.replace(',', '.') : expected);
        QCOMPARE(box->selectedText(), box->text()); // typing replaces it

        // Reloaded, a weighed letter keeps its fraction at the next Enter.
        click(QStringLiteral("Check2_1"));
        click(QStringLiteral("Check2_1"));
        list()->setCurrentRow(15);
        enter(box->text());
        QStringList stored;
        Recordset rs = run("select WEIGHT, CAST(PRICE AS VARCHAR(20)) from Z_POST order by ID");
        for (; !rs.Eof(); rs.MoveNext())
            stored << rs.Fields(0).toString() + '/' + rs.Fields(1).toString();
        shown = shown.mid(0, 16);
        shown[15] = shown[15].section('/', 0, 0) + "/47";
        for (QString &w : shown)
            w = w.section('/', 0, 0) + '/' + QString::number(w.section('/', 1).replace(',', '.').toDouble(), 'f', 2);
        QCOMPARE(stored, shown);
        QCOMPARE(m_boxes->count(), 1);
    }
};

COURTMAIL_TEST_MAIN(TestRostrelMain)
#include "tst_rostrelmain.moc"
