// The members every window relies on: what raises Click and Change, and what
// setting a value from code does not raise.
#include "check.h"
#include "environment/regional.h"
#include "listheader.h"
#include "uccalendar.h"
#include "xpb.h"

#include <QCalendarWidget>
#include <QHeaderView>
#include <QListWidget>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

class TestControls : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Regional::pin(QLocale(QLocale::Russian, QLocale::Russia)); }

    void pushButtonClickComesFromTheUserOnly()
    {
        XpB button(QStringLiteral("&Печать"));
        button.show();
        QSignalSpy clicks(&button, &XpB::Click);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        button.setFocus();
        QTest::keyClick(&button, Qt::Key_Space);
        QCOMPARE(clicks.count(), 2);

        button.setEnabledCtrl(false);
        QVERIFY(!button.EnabledCtrl());
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::keyClick(&button, Qt::Key_Space);
        QCOMPARE(clicks.count(), 2);

        button.setEnabledCtrl(true);
        button.setCaption(QStringLiteral("Идет печать..."));
        QCOMPARE(button.Caption(), QStringLiteral("Идет печать..."));
        QCOMPARE(clicks.count(), 2);
    }

    void checkBoxValueFromCodeRaisesNothing()
    {
        Check box;
        box.show();
        QSignalSpy clicks(&box, &Check::Click);
        box.setValue(true);
        QVERIFY(box.Value());
        QCOMPARE(clicks.count(), 0);

        // The user's click has already toggled Value when Click arrives.
        bool seen = true;
        connect(&box, &Check::Click, &box, [&] { seen = box.Value(); });
        QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(seen, false);
    }

    void calendarActiveDateIsRegionalTextAndSilent()
    {
        ucCalendar cal;
        QSignalSpy changes(&cal, &ucCalendar::Change);
        cal.setActiveDate(QStringLiteral("29.02.2024"));
        QCOMPARE(cal.ActiveDate(), QStringLiteral("29.02.2024"));
        QCOMPARE(changes.count(), 0);
        // Text that is no date leaves the selection alone.
        cal.setActiveDate(QStringLiteral("31.02.2024"));
        QCOMPARE(cal.ActiveDate(), QStringLiteral("29.02.2024"));
        QCOMPARE(changes.count(), 0);
    }

    void calendarUserPickRaisesChangeOnce()
    {
        ucCalendar cal;
        cal.show();
        cal.setActiveDate(QStringLiteral("10.12.2026"));
        QSignalSpy changes(&cal, &ucCalendar::Change);
        auto *grid = cal.findChild<QCalendarWidget *>();
        auto *view = grid->findChild<QTableView *>();
        QVERIFY(view);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Right);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(cal.ActiveDate(), QStringLiteral("11.12.2026"));
    }

    void headerColumnsFollowTheirWidths()
    {
        QWidget host;
        auto *list = new QListWidget(&host);
        list->setGeometry(10, 40, 400, 200);
        QHeaderView *header = CreateListHeader(list, 10, 22, 400, 20, 0);
        QCOMPARE(header->parentWidget(), &host);
        QCOMPARE(header->geometry(), QRect(10, 22, 400, 20));
        AddHeaderColumn(header, 0, 30, 2, 0, QStringLiteral("*"));
        AddHeaderColumn(header, 1, 50, 2, 0, QStringLiteral("№"));
        AddHeaderColumn(header, 2, 120, 2, 0, QStringLiteral("Кому"));
        QCOMPARE(header->count(), 3);
        QCOMPARE(header->sectionPosition(2), 80);
        QCOMPARE(header->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("№"));
    }

    // A line's check box stands under "*" and toggles only there; a click
    // elsewhere on the line makes it current; Space toggles the current line.
    void checkBoxesStandUnderTheFirstColumn()
    {
        QWidget host;
        auto *list = new QListWidget(&host);
        list->setGeometry(10, 40, 400, 200);
        QHeaderView *header = CreateListHeader(list, 10, 22, 400, 20, 0);
        AddHeaderColumn(header, 0, 60, 2, 0, QStringLiteral("*"));
        AddHeaderColumn(header, 1, 25, 2, 0, QStringLiteral("№"));
        for (const char *text : {" 1\tИванов", " 2\tПетров"}) {
            auto *item = new QListWidgetItem(QString::fromUtf8(text), list);
            item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            item->setCheckState(Qt::Unchecked);
        }
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        const QRect line = list->visualItemRect(list->item(1));
        for (int x : {3, 70, 30}) { // the left edge of "*", under "№", the middle of "*"
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(line.left() + x, line.center().y()));
            QCOMPARE(list->currentRow(), 1);
            QCOMPARE(list->item(1)->checkState(), x == 30 ? Qt::Checked : Qt::Unchecked);
        }
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(list->item(1)->checkState(), Qt::Unchecked);
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
