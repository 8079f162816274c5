#pragma once

#include <QDialog>

#include <array>

class Check;
class LettrixMain;
class QHeaderView;
class QLabel;
class QLineEdit;
class QListWidget;
class ucCalendar;

// The clerk's sent-items view: the letters the clerk registered on one day,
// simple or registered ones. The view holds the list with its column header,
// the date box with its calendar pop-up and the two boxes that choose the
// kind; the query and the list lines are the main window's LoadList, which
// fills List1 of the view open over it.
//
// The main window is the view's parent and must outlive it; child widgets
// are owned by the view, as Qt parents own them.
class ViewForm : public QDialog
{
    Q_OBJECT
public:
    explicit ViewForm(LettrixMain *main);

    // The list that the main window's LoadList clears and fills.
    QListWidget *list() const { return List1; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void wireHandlers();

    void Form_Load();
    void Check2_Click(int Index);
    void Text4_Click();
    void Cal_Change();

    // LoadList of the given kind for the day in Text4; a text that is no date
    // empties the list and tells the clerk so.
    void LoadDay(int kind);
    // LoadDay of the kind whose box is ticked.
    void LoadChosenKind();
    // File1 shows the files of the program's folder that match pattern; the
    // pattern stays on the control as its "Pattern" property.
    void setFile1Pattern(const QString &pattern);

    LettrixMain *m_main;

    // Controls, named as the clerk's form names them.
    QLabel *bg = nullptr;
    QListWidget *List1 = nullptr;
    QHeaderView *m_header = nullptr;
    std::array<Check *, 2> Check2{};
    std::array<QLabel *, 2> Check2Label{};
    QLabel *Text4Label = nullptr;
    QLineEdit *Text4 = nullptr;
    ucCalendar *Cal = nullptr;
    QLabel *Label1 = nullptr;
    QListWidget *File1 = nullptr;
};
