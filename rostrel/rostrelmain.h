#pragma once

#include "databasewindow.h"
#include "listrow.h"
#include "tariffs.h"

#include "database/command.h"

#include <QList>

#include <array>

class Check;
class QComboBox;
class QDate;
class QHeaderView;
class QLabel;
class QLineEdit;
class QListWidget;
class QTimer;
class XpB;
class ucCalendar;

// The one window of Rostrel of its own. It connects at start-up and lists the
// letters registered on one day, of one kind or both and, on request, only
// the clerk's own; it shows the current letter, counts the ticked ones, pops
// up a calendar for the date and deletes the current letter. The weight box
// stores the current letter's weight and price and moves on; the print
// button writes the ticked letters into a register or journal workbook left
// to the clerk. Closing it ends the program.
class RostrelMain : public DatabaseWindow
{
    Q_OBJECT
public:
    explicit RostrelMain(QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void wireHandlers();

    void Form_Load();
    void Form_QueryUnload();
    void AfterConnect() override;
    void AfterConnectionLost() override;
    void Check2_Click(int Index);
    void Check3_Click();
    void Check1_Click();
    void List1_Click();
    void Text4_Click();
    void Cal_Change();
    void Timer1_Timer();
    void XpB2_Click();
    void Label5_Click();
    // Enter stores the weight, Down and Up move the current line; true when
    // the key was one of those and is taken from the box.
    bool Text5_KeyDown(int KeyCode, Qt::KeyboardModifiers Shift);
    void XpB1_Click();

    // Enter in the weight box: the current letter's weight and price go into
    // its Z_POST row, its record, Text6 and its line, then the next line
    // becomes current. Nothing current: nothing happens. A weight that
    // cannot be stored, a failing look-up or update, or a letter no longer
    // there is reported in a critical box and changes nothing shown.
    void StoreWeight();
    // Makes line index `line` current when it exists.
    void MoveToLine(int line);

    // The price of a letter of kind Kind weighing WeightText grams (regional
    // or "." text), addressed as the current record is: the tariff's first
    // row, 0 without one. Throws DbException.
    double LookUpPrice(const QString &WeightText, int Kind);
    // The notification fee of Row, 0 where none is charged or kind 3 has no
    // price. Throws DbException.
    double NotificationFee(const ListRow &Row);
    // Runs a tariff look-up on the window's command; throws DbException.
    double TariffPrice(const TariffQuery &query);

    // Fills a working copy of the template with the ticked letters and
    // hands it to the clerk's office. Every failure is reported in a
    // critical box and leaves no copy, no workbook and no office behind.
    void BuildRegister(const QString &TemplateName);
    void RegisterFailed(const QString &cause);

    // Refills List1, ListRows and RowCount with the letters of kind T (1
    // simple, 2 registered, 0 both, -1 none) registered on day D, the clerk's
    // own only while Check3 is ticked, and clears Check1. Not connected, the
    // list comes out empty. A failing query is reported in a critical box and
    // leaves the list, the records and Check1 as they were.
    void LoadList(int T, const QDate &D);
    // LoadList for the kind the two kind boxes choose and the day in Text4;
    // a text in Text4 that is no date is reported and changes nothing.
    void ReloadList();
    // The kind the two kind boxes choose: 1, 2, 0 for both, -1 for none.
    int ChosenKind() const;
    void FillTemplateList();
    int CountSelected() const;
    // File1 shows the workbooks of the templates folder that match pattern.
    void setFile1Pattern(const QString &pattern);

    // The window's one command object; it keeps its last statement.
    Command m_command;

    // The records of the listing in list order: line n belongs to record
    // n + 1; record 0 always exists and stays empty, so no current line
    // reads as an empty record with ID 0.
    QList<ListRow> ListRows{ListRow()};
    qint32 RowCount = 0;
    // The record of the current line, 0 when no line is current.
    qint32 CurrentRow = 0;
    QString m_templateFolder;

    // Controls, named as the clerk's form names them.
    QLabel *bg = nullptr;
    QListWidget *List1 = nullptr;
    QHeaderView *m_header = nullptr;
    std::array<Check *, 2> Check2{};
    QLabel *Label13 = nullptr;
    QLabel *Label14 = nullptr;
    Check *Check3 = nullptr;
    QLabel *Label17 = nullptr;
    Check *Check1 = nullptr;
    QLabel *Label12 = nullptr;
    QLineEdit *Text4 = nullptr;
    ucCalendar *Cal = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label10 = nullptr;
    QLabel *Label8 = nullptr;
    QLineEdit *Text5 = nullptr;
    QLabel *Label9 = nullptr;
    QLineEdit *Text6 = nullptr;
    QLabel *Label16 = nullptr;
    QListWidget *File1 = nullptr;
    QLabel *Label15 = nullptr;
    QComboBox *Combo1 = nullptr;
    XpB *XpB1 = nullptr;
    XpB *XpB2 = nullptr;
    QLabel *Label5 = nullptr;
    QTimer *Timer1 = nullptr;
};
