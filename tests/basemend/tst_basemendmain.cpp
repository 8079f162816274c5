// Basemend's window against the real embedded engine: connection, the tables
// and their create, the drop with its questions and backup, the tariff editor.
#include "basemendmain.h"

#include "database/command.h"
#include "database/connection.h"
#include "environment/environment.h"
#include "profile/profilefile.h"
#include "tablebackup.h"
#include "tablescripts.h"
#include "testdb.h"
#include "testmain.h"
#include "ui/msgbox.h"
#include "ui/msgboxrecorder.h"
#include "windowtesting.h"
#include "xpb.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QString kSqlFailure = QStringLiteral("Ошибка выполнения SQL:\r\n");

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The value of every tariff row of kind and weight replaced by value.
QStringList withPrice(QStringList rows, int kind, int weight, const QString &value)
{
    return rows.replaceInStrings(QRegularExpression(QStringLiteral("^(Z_POSTPRICE\\|int:%1\\|int:%2\\|\\w+:).*$").arg(kind).arg(weight)),
                                 QStringLiteral("\\1") + value);
}

// Every row of the suite's tables with its value types, "-" for a missing table.
QStringList dump(const QString &path)
{
    Connection c;
    c.Open(TestDb::connectionString(path));
    Command q;
    q.ActiveConnection = &c;
    QStringList out;
    for (const char *order : {"Z_POST order by 1", "Z_POSTCONFIG", "Z_POSTPRICE order by 1, 2"}) {
        q.CommandText = QStringLiteral("select * from ") + QLatin1String(order);
        try {
            for (Recordset rs = q.Execute(); !rs.Eof(); rs.MoveNext()) {
                QString row = QString::fromLatin1(order).section(QLatin1Char(' '), 0, 0);
                for (int i = 0; i < rs.FieldCount(); ++i)
                    row += QLatin1Char('|') + QLatin1String(rs.Fields(i).typeName()) + QLatin1Char(':') + rs.Fields(i).toString();
                out << row;
            }
        } catch (const std::exception &) {
            out << QStringLiteral("-");
        }
    }
    return out;
}

} // namespace

class TestBasemendMain : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_programDir;
    QTemporaryDir m_dataHome;
    TestDb m_db;
    QByteArray m_inserts;
    QStringList m_shippedRows; // the rows of the insert script as dump() shows them

    QString file(const QString &name) const { return m_programDir.filePath(name); }

    // Runs statements on the database at path; parameters go to those with a "?".
    static void execute(const QString &path, const QStringList &statements, const QVariantList &parameters = {})
    {
        Connection c;
        c.Open(TestDb::connectionString(path));
        Command q;
        q.ActiveConnection = &c;
        for (const QString &statement : statements) {
            q.CommandText = statement;
            q.Parameters = statement.contains(QLatin1Char('?')) ? parameters : QVariantList();
            q.Execute();
        }
    }

    // A fresh copy of the template (all three tables, the tariffs) after statements.
    QString copyWith(const QStringList &statements, const QVariantList &parameters = {})
    {
        const QString path = m_db.freshCopy();
        execute(path, statements, parameters);
        return path;
    }

    static XpB *button(QWidget *w, const char *name) { return child<XpB>(w, name); }
    static QString status(QWidget *w) { return child<QLabel>(w, "St")->text(); }
    static void click(QWidget *w, const char *name) { QTest::mouseClick(button(w, name), Qt::LeftButton); }

    // "C" when create is on, "D" when drop is, "P" when the tariff panel is; "-" when off.
    static QString look(QWidget *w)
    {
        return QString(button(w, "Command3")->EnabledCtrl() ? 'C' : '-') + (button(w, "Command4")->EnabledCtrl() ? 'D' : '-')
               + (child<QFrame>(w, "P")->isEnabled() ? 'P' : '-');
    }

    static QLineEdit *price(QWidget *w, const QString &name) { return child<QLineEdit>(w, name); }
    static QString label(QWidget *w, const QString &name) { return child<QLabel>(w, name)->text(); }

    // Enter in one price box: the focus and the whole text go to the other.
    static bool enter(QWidget *w, const char *from, const char *to)
    {
        price(w, from)->setFocus();
        QTest::keyClick(price(w, from), Qt::Key_Return);
        QLineEdit *next = price(w, to);
        return QApplication::focusWidget() == next && !next->text().isEmpty() && next->selectedText() == next->text();
    }

    static QString box(const MsgBoxCall &call) { return QStringLiteral("%1|%2|%3").arg(call.prompt).arg(call.buttons).arg(call.title); }

    // Connects with the fields as they are, or as path, SYSDBA and masterkey.
    static void connectTo(BasemendMain *w, const QString &path = QString())
    {
        const QStringList typed{path, QStringLiteral("SYSDBA"), QStringLiteral("masterkey")};
        for (int i = 0; i < 3 && !path.isEmpty(); ++i)
            child<QLineEdit>(w, QStringLiteral("Text%1").arg(i + 1))->setText(typed[i]);
        click(w, "Command1");
        QVERIFY(QTest::qWaitFor([w] { return w->isConnected(); }, 15000));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Basemend"));
        setProgramFolder(m_programDir.path());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome.path()));
        const QString built = qEnvironmentVariable("COURTMAIL_PROGRAM_DIR") + QLatin1Char('/');
        for (const char *name : {"Z_POST.sql", "Z_POSTCONFIG.sql", "Z_POSTPRICE.sql", "Z_ZINSERT.sql"})
            QVERIFY(QFile::copy(built + QLatin1String(name), file(QLatin1String(name))));
        QFile shipped(file(QStringLiteral("Z_ZINSERT.sql")));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        m_inserts = shipped.readAll();
        static const QRegularExpression values(QStringLiteral("VALUES \\((\\d+), (\\d+), ([0-9.]+)\\)"));
        for (auto m = values.globalMatch(QString::fromLatin1(m_inserts)); m.hasNext();) {
            const auto v = m.next();
            m_shippedRows << QStringLiteral("Z_POSTPRICE|int:%1|int:%2|double:%3")
                                 .arg(v.captured(1), v.captured(2), QString::number(v.captured(3).toDouble()));
        }
    }

    void cleanup()
    {
        QVERIFY(writeAll(file(QStringLiteral("Z_ZINSERT.sql")), m_inserts));
        QFile::remove(file(QStringLiteral("options.ini")));
    }

    // A first start; a connection as typed to a copy without the tables (a
    // lone Z_POST_OLD beside), written to options.ini; the create in steps: a
    // bad insert line, then LF-only inserts; only Z_POSTCONFIG missing (its
    // script alone, a broken insert script never run); Z_POST alone, blank
    // lines and a final CR LF in the inserts; a disconnect, then the guard.
    void startConnectAndCreate()
    {
        const QByteArray badLine = "INSERT INTO Z_POSTPRICE (TYPEM, WEIGHT, PRICE) VALUES (1, 'x', 1)";
        const QString path = copyWith({QStringLiteral("DROP TABLE Z_POST"), QStringLiteral("DROP TABLE Z_POSTCONFIG"),
                                       QStringLiteral("DROP TABLE Z_POSTPRICE"), QStringLiteral("CREATE TABLE Z_POST_OLD (ID INTEGER)")});
        MsgBoxRecorder boxes;
        BasemendMain w;
        QCOMPARE(w.windowTitle(), QStringLiteral("ZNP DB update tools for ZNPprint"));
        for (const char *name : {"Text1", "Text2", "Text3"})
            QVERIFY2(child<QLineEdit>(&w, name)->text().isEmpty(), name);
        QTest::qWait(100);
        QCOMPARE(status(&w), QStringLiteral("Ready"));
        QCOMPARE(look(&w), QStringLiteral("---"));

        const QStringList typed{path, QStringLiteral("SYSDBA"), QStringLiteral("masterkey")};
        for (int i = 0; i < 3; ++i)
            QTest::keyClicks(child<QLineEdit>(&w, QStringLiteral("Text%1").arg(i + 1)), typed[i]);
        QCOMPARE(child<QLineEdit>(&w, "Text3")->displayText(), QStringLiteral("*********"));
        connectTo(&w);
        QCOMPARE(status(&w), QStringLiteral("Соединение с БД установлено"));
        QCOMPARE(button(&w, "Command1")->Caption(), QStringLiteral("Отключиться"));
        int i = 0;
        for (const char *key : {"ConnectionString", "User", "Pass"}) {
            QString value;
            ReadProfileString(QStringLiteral("Main"), QLatin1String(key), {}, value, 255, file(QStringLiteral("options.ini")));
            QCOMPARE(value, typed[i++]);
        }

        const auto create = [&](const QByteArray &inserts, const QStringList &dropFirst = {}) {
            QVERIFY(writeAll(file(QStringLiteral("Z_ZINSERT.sql")), inserts));
            if (!dropFirst.isEmpty()) {
                click(&w, "Command1");
                execute(path, dropFirst);
                connectTo(&w);
            }
            QCOMPARE(look(&w), QStringLiteral("C--"));
            click(&w, "Command3");
            if (inserts.contains(badLine))
                return;
            QCOMPARE(status(&w), QStringLiteral("Дополнительные таблицы созданы"));
            QCOMPARE(look(&w), QStringLiteral("-DP"));
            QCOMPARE(dump(path), m_shippedRows); // the other two empty
        };
        create(QByteArray(m_inserts).insert(m_inserts.indexOf("\r\n") + 2, badLine + "\r\n"));
        QCOMPARE(box(boxes.last()).section(QStringLiteral("\r\n"), 0, 1), kSqlFailure + badLine);
        QVERIFY(box(boxes.last()).endsWith(QStringLiteral("|16|Ошибка")));
        QCOMPARE(status(&w), QStringLiteral("Идет создание таблиц в БД"));
        QCOMPARE(dump(path), QStringList(QStringLiteral("-"))); // Z_POSTPRICE gone again, the other two empty
        create(QByteArray(m_inserts).replace("\r\n", "\n"));
        create("garbage", {QStringLiteral("DROP TABLE Z_POSTCONFIG")});
        create(QByteArray(m_inserts).replace("\r\n", "\r\n  \r\n\r\n") + "\r\n",
               {QStringLiteral("DROP TABLE Z_POSTCONFIG"), QStringLiteral("DROP TABLE Z_POSTPRICE")});
        QCOMPARE(boxes.count(), 1);
        if (qEnvironmentVariableIsSet("COURTMAIL_SCREENSHOT_DIR"))
            w.grab().save(qEnvironmentVariable("COURTMAIL_SCREENSHOT_DIR") + QStringLiteral("/basemend-main.png"));

        // Disconnected: create and drop as they were, but neither reaches the database.
        click(&w, "Command1");
        QCOMPARE(button(&w, "Command1")->Caption(), QStringLiteral("Подключиться"));
        QCOMPARE(status(&w), QStringLiteral("Отключен"));
        QCOMPARE(look(&w), QStringLiteral("-D-"));
        QVERIFY(child<QLineEdit>(&w, "Text1")->isEnabled());
        boxes.clear();
        emit button(&w, "Command3")->Click();
        emit button(&w, "Command4")->Click();
        QCOMPARE(boxes.count(), 2);
        for (const MsgBoxCall &call : boxes.calls())
            QCOMPARE(box(call), QStringLiteral("Нет подключения к БД.|64|Внимание!"));
    }

    // Older scripts' table (text PRICE, a Null weight, 40000 g, 21 rows of
    // kind 2, no kind 4), then a numeric one with kind-1 bounds 20, 40, 60 on
    // the same window: nothing of the first load may show or be written back;
    // then the drop of the second one.
    void tariffsThenDrop()
    {
        const QString insert = QStringLiteral("insert into Z_POSTPRICE values (%1)");
        QStringList statements{QStringLiteral("DROP TABLE Z_POSTPRICE"),
                               QStringLiteral("CREATE TABLE Z_POSTPRICE (TYPEM SMALLINT, WEIGHT INTEGER, PRICE VARCHAR(8))")};
        for (const char *row : {"1, NULL, '7,77'", "1, 40000, '40,00'", "3, 0, '5,5'", "5, 0, '24'"})
            statements << insert.arg(QLatin1String(row));
        for (int j = 1; j <= 21; ++j) {
            statements << insert.arg(QStringLiteral("2, %1, '%2,50'").arg(10 * j).arg(j));
            if (j <= 18)
                statements << insert.arg(QStringLiteral("1, %1, '%2,00'").arg(20 * j).arg(j));
        }
        const QString older = copyWith(statements);
        const QStringList olderBefore = dump(older);
        {
            // Its backup gives the comma prices as numbers: the tables come
            // back with today's numeric PRICE.
            Connection c;
            c.Open(TestDb::connectionString(older));
            Command cmd;
            cmd.ActiveConnection = &c;
            TableScripts scripts(cmd, m_programDir.path());
            const QString script =
                QString::fromUtf8(TableBackup::Script(scripts, cmd, {QStringLiteral("Z_POSTPRICE")}, QDateTime()));
            QVERIFY2(script.contains(QStringLiteral("VALUES (3, 0, 5.5);")), qPrintable(script.left(1500)));
        }
        MsgBoxRecorder boxes;
        BasemendMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        connectTo(&w, older);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(box(boxes.last()), QStringLiteral("В тарифах больше 20 строк для вида 2; показаны первые 20.|64|Внимание!"));
        QCOMPARE(QStringList({label(&w, "Label7_0"), label(&w, "Label7_1"), label(&w, "Label7_19"), label(&w, "Label8_19")}),
                 QStringList({"?", "0-20", "360-40000", "190-200"}));
        QVERIFY(!price(&w, "PriceP_0")->isEnabled() && price(&w, "PriceP_0")->text() == QStringLiteral("7,77"));
        QVERIFY(!price(&w, "PriceU_1")->isEnabled() && price(&w, "PriceU_1")->text().isEmpty());
        QVERIFY(enter(&w, "PriceP_19", "PriceZ_0"));
        QVERIFY(enter(&w, "PriceZ_19", "PriceU_0"));
        QVERIFY(enter(&w, "PriceU_0", "PriceU_2"));
        QVERIFY(enter(&w, "PriceU_2", "PriceP_1"));

        // Too long for the column, after a change of kind 1: all rolled back.
        price(&w, "PriceP_1")->setText(QStringLiteral("1.5"));
        price(&w, "PriceZ_5")->setText(QStringLiteral("1234567,5"));
        price(&w, "PriceP_19")->setText(QStringLiteral("4.5"));
        click(&w, "XpB1");
        QVERIFY2(boxes.last().prompt.startsWith(kSqlFailure + QStringLiteral("update Z_POSTPRICE set price=? WHERE TYPEM=2 AND WEIGHT=?\r\n"))
                     && boxes.last().prompt.contains(QStringLiteral("truncation")) && boxes.last().title == QStringLiteral("Ошибка"),
                 qPrintable(boxes.last().prompt));
        QCOMPARE(dump(older), olderBefore);
        QCOMPARE(price(&w, "PriceP_1")->text(), QStringLiteral("1.5"));
        price(&w, "PriceZ_5")->setText(QStringLiteral("12.5"));
        click(&w, "XpB1");
        QCOMPARE(dump(older), withPrice(withPrice(withPrice(olderBefore, 1, 20, "1,5"), 1, 40000, "4,5"), 2, 60, "12,5"));
        QCOMPARE(boxes.count(), 2);

        // The fourth slot held weight 60 of the older table; an unchanged save
        // must leave every row, 14.00 at 60 too. Z_POST's rows are for the backup.
        const QString path = copyWith(
            {QStringLiteral("delete from Z_POSTPRICE where TYPEM=1"), insert.arg("1, 20, 9.00"), insert.arg("1, 40, 11.50"),
             insert.arg("1, 60, 14.00"), QStringLiteral("insert into Z_POST values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             QStringLiteral("insert into Z_POST (ID) values (2)"), QStringLiteral("insert into Z_POSTCONFIG values ('0001')")},
            {1, QStringLiteral("1"), QDateTime(QDate(2026, 1, 12), QTime(9, 5, 33, 250)), QStringLiteral("О'Нил Пётр «Ёлкин»"),
             QStringLiteral("170000\r\nг.Тверь\r\nул.Ленина, д.1"), QStringLiteral("дело\t2-1/2026"), 2,
             QStringLiteral("RA123"), QStringLiteral("20,5"), 24.5, QStringLiteral("o'neil"), 1});
        QStringList before = dump(path);
        click(&w, "Command1");
        connectTo(&w, path);
        QCOMPARE(QStringList({label(&w, "Label7_0"), label(&w, "Label7_1"), label(&w, "Label7_2"), label(&w, "Label7_3"),
                              label(&w, "Label8_1")}),
                 QStringList({"0-20", "20-40", "40-60", "", "20-50"}));
        QCOMPARE(price(&w, "PriceP_1")->text(), QStringLiteral("11,50"));
        QVERIFY(!price(&w, "PriceP_3")->isEnabled() && price(&w, "PriceP_3")->text().isEmpty());
        click(&w, "XpB1");
        QCOMPARE(status(&w), QStringLiteral("Изменения расценок сохранены"));
        QCOMPARE(dump(path), before);

        QVERIFY(enter(&w, "PriceU_2", "PriceP_0"));
        QTest::keyClicks(price(&w, "PriceP_0"), QStringLiteral("12.50"));
        QCOMPARE(price(&w, "PriceP_0")->text(), QStringLiteral("12.50"));
        for (const char *bad : {"abc", "", "1,234", "12'5"}) {
            price(&w, "PriceZ_3")->setText(QString::fromUtf8(bad));
            click(&w, "XpB1");
            QCOMPARE(box(boxes.last()), QStringLiteral("Неверная цена: «%1».|16|Ошибка").arg(QString::fromUtf8(bad)));
            QCOMPARE(QApplication::focusWidget(), price(&w, "PriceZ_3"));
            QCOMPARE(dump(path), before);
        }
        QCOMPARE(boxes.count(), 6);
        price(&w, "PriceZ_3")->setText(QStringLiteral("34,50"));
        price(&w, "PriceZ_1")->setText(QStringLiteral("27.1"));
        click(&w, "XpB1");
        QCOMPARE(price(&w, "PriceP_0")->text(), QStringLiteral("12,50"));
        QCOMPARE(price(&w, "PriceZ_1")->text(), QStringLiteral("27,1"));
        before = withPrice(withPrice(before, 1, 20, "12.5"), 2, 50, "27.1");
        QCOMPARE(dump(path), before);

        // A row loaded here and changed by another program since: no save.
        execute(path, {QStringLiteral("update Z_POSTPRICE set WEIGHT=55 where TYPEM=2 and WEIGHT=50")});
        price(&w, "PriceP_0")->setText(QStringLiteral("1"));
        click(&w, "XpB1");
        QVERIFY2(boxes.last().prompt.endsWith(QStringLiteral("Строка тарифа не найдена: тарифы изменены другой программой.")),
                 qPrintable(boxes.last().prompt));
        execute(path, {QStringLiteral("update Z_POSTPRICE set WEIGHT=50 where TYPEM=2 and WEIGHT=55")});
        QCOMPARE(dump(path), before);
        price(&w, "PriceP_0")->setText(QStringLiteral("12,50"));

        // No at the first, eighth and fifteenth question; a table in use; no
        // folder for the backup; the backup and the drop; the backup run back.
        boxes.clear();
        const char *const questions[] = {
            "Вы уверены, что хотите удалить таблицы из БД? Это действие необратимо!",
            "Возможно, в таблицах содержатся данные! Вы уверены, что хотите их удалить?",
            "Эти данные нельзя будет восстановить, они будут утеряны навсегда! Все равно удалить?",
            "Подумайте еще раз. Удалять?", "Таблицы будут удалены навсегда. То есть, совсем навсегда. Навечно. Продолжить?",
            "Маленькие несчастные таблицы. Им грустно и одиноко. Прекратить их мучения посредством причинения удаления?",
            "Еще не поздно передумать. Вы все-таки хотите удалить таблицы?", "Точно?", "Уверены?", "Не пожалеете?",
            "Удалять?", "Это последнее предупреждение. Вы подтверждаете удаление таблиц?",
            "Это было предпоследнее предупреждение. Удалить таблицы?", "Уверены?", "Таки подтвердите это еще раз. Удалять?"};
        for (int yes : {0, 7, 14}) {
            MsgBoxRecorder asked(QList<int>(yes, vbYes) << vbNo);
            click(&w, "Command4");
            QCOMPARE(asked.count(), yes + 1);
            for (int i = 0; i <= yes; ++i)
                QCOMPARE(box(asked.calls().at(i)), QString::fromUtf8(questions[i]) + QStringLiteral("|292|Внимание!"));
            QCOMPARE(status(&w), QStringLiteral("Изменения расценок сохранены"));
            QCOMPARE(look(&w), QStringLiteral("-DP"));
        }
        QVERIFY(!QFile::exists(file(QStringLiteral("backup"))));

        // Another connection keeps Z_POST busy: the box, then the real state.
        Connection holder;
        holder.Open(TestDb::connectionString(path));
        holder.BeginTrans();
        Command q;
        q.ActiveConnection = &holder;
        q.CommandText = QStringLiteral("select count(*) from Z_POST");
        q.Execute();
        click(&w, "Command4");
        QCOMPARE(boxes.count(), 15 + 1);
        QVERIFY2(boxes.last().prompt.startsWith(kSqlFailure + QStringLiteral("DROP TABLE Z_POST\r\n"))
                     && boxes.last().prompt.contains(QStringLiteral("is in use")),
                 qPrintable(boxes.last().prompt));
        QCOMPARE(status(&w), QStringLiteral("Идет удаление таблиц из БД"));
        QCOMPARE(look(&w), QStringLiteral("-DP"));
        holder.RollbackTrans();
        QCOMPARE(dump(path), before);
        QVERIFY(QDir(file(QStringLiteral("backup"))).removeRecursively());

        // Neither backup folder can be made: nothing is dropped.
        const QString dataFolder = m_dataHome.filePath(QStringLiteral("Basemend"));
        QVERIFY(QDir().mkpath(dataFolder));
        QVERIFY(writeAll(file(QStringLiteral("backup")), {}) && writeAll(dataFolder + QStringLiteral("/backup"), {}));
        boxes.clear();
        click(&w, "Command4");
        QCOMPARE(boxes.count(), 16);
        QCOMPARE(box(boxes.last()), QStringLiteral("Не удалось сохранить резервную копию таблиц. Удаление отменено.|16|Ошибка"));
        QCOMPARE(dump(path), before);
        QVERIFY(QFile::remove(file(QStringLiteral("backup"))) && QFile::remove(dataFolder + QStringLiteral("/backup")));

        boxes.clear();
        click(&w, "Command4");
        const QStringList saved = QDir(file(QStringLiteral("backup"))).entryList(QDir::Files);
        QCOMPARE(saved.size(), 1);
        QVERIFY(QRegularExpression(QStringLiteral("^Z_TABLES_\\d{8}_\\d{6}\\.sql$")).match(saved.first()).hasMatch());
        const QString backup = file(QStringLiteral("backup/") + saved.first());
        QCOMPARE(status(&w), QStringLiteral("Дополнительные таблицы удалены"));
        QCOMPARE(look(&w), QStringLiteral("C--"));
        QVERIFY(price(&w, "PriceP_0")->text().isEmpty() && label(&w, "Label7_0").isEmpty());
        QCOMPARE(boxes.count(), 16);
        QVERIFY(box(boxes.last()).contains(backup + QStringLiteral("|64|")));
        QCOMPARE(dump(path), QStringList({"-", "-", "-"}));

        QProcess isql;
        isql.start(QStringLiteral("isql-fb"), QStringLiteral("-ch UTF8 -q -bail -user SYSDBA -i").split(' ') << backup << path);
        QVERIFY(isql.waitForFinished(60000));
        QVERIFY2(isql.exitCode() == 0, isql.readAll().constData());
        QCOMPARE(dump(path), before);
    }
};

COURTMAIL_TEST_MAIN(TestBasemendMain)
#include "tst_basemendmain.moc"
