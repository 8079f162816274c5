#pragma once

#include "databasewindow.h"

#include "database/command.h"

#include <QList>
#include <QWidget>

#include <array>

class Check;
class QDate;
class QLabel;
class QLineEdit;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QStringListModel;
class XpB;
class ucCalendar;

// The start-up window of Lettrix. It holds the connection fields, the party
// search, the address editor, the recipient, notes and date inputs, the
// register button and the status line, and stays open for the whole run.
// Every other window of the program is opened from it, modally.
class LettrixMain : public DatabaseWindow
{
    Q_OBJECT
public:
    explicit LettrixMain(QWidget *parent = nullptr);

    // Stores value as the current barcode of the suite's settings table.
    // Throws DbException.
    void UpdateCurrentBar(const QString &value);

    // Fills the open sent-items view's list with the clerk's letters of kind T
    // (1 simple, 2 registered) registered on day D, in outgoing-number order.
    // Not connected, the list is left empty; a failing query is reported in a
    // critical box and leaves it empty too.
    void LoadList(int T, const QDate &D);

    // The party list is still waiting for the rows of the search text.
    bool isLoadingParties() const { return m_command.Executing(); }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void wireHandlers();

    void Form_Load();
    void Form_QueryUnload();
    void Form_Resize();
    void Text8_Click();
    void Cal_Change();
    void XpB2_Click();
    void Label5_Click();
    void Command5_Click();

    void SetConnectedUI(bool connected) override;
    void AfterConnect() override;

    // Party search and address retrieval.
    void Stext_Change();
    void LoadParties(const QString &filter);
    // Fills the list with the rows of the last LoadParties, when they come.
    void ShowParties(const DbError *pError, const Recordset &records);
    void List0_Click();
    void ClearAddressParts();
    void ClearPartyList();

    // Address composition and check.
    void ComposeAddress();
    QString ValidateAddress() const;
    void Text4_Change();
    void Text5_Change();
    void Text6_Change();

    // Registration of the letter.
    void Command3_Click();
    void PrepareItem();
    void RegisterItem();

    // The address box's text with CR LF line breaks, as it is checked and stored.
    QString addressText() const;
    void setAddressText(const QString &crLfText);
    void reportDbError(const QString &description);

    struct SubjectEntry
    {
        QString OID;
        QString FullName;
    };
    // Element k (from 1) is the party on line k of List0; element 0 is unused.
    QList<SubjectEntry> SubjectList;

    bool m_officeWarmed = false;
    // The window's one command object; it keeps its last statement. The
    // party list is its only asynchronous use.
    Command m_command;
    QString m_loadingFilter;

    // Controls, named as the clerk's form names them.
    QLabel *bg = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label7 = nullptr;
    QLineEdit *Stext = nullptr;
    QListView *List0 = nullptr;
    QStringListModel *m_parties = nullptr;
    QLabel *Label8 = nullptr;
    std::array<QLabel *, 7> TxAdLabel{};
    std::array<QLineEdit *, 7> TxAd{};
    QLabel *Label9 = nullptr;
    QPlainTextEdit *Text4 = nullptr;
    QPlainTextEdit *Text7 = nullptr;
    QLabel *St2 = nullptr;
    std::array<QLabel *, 4> ImgStat{};
    QLabel *UA = nullptr;
    QLabel *Label10 = nullptr;
    QLineEdit *Text5 = nullptr;
    QLabel *Label12 = nullptr;
    QLabel *Label13 = nullptr;
    QLineEdit *Text6 = nullptr;
    QLabel *Label16 = nullptr;
    QLabel *Label17 = nullptr;
    QLineEdit *Text8 = nullptr;
    ucCalendar *Cal = nullptr;
    XpB *Command3 = nullptr;
    XpB *XpB1 = nullptr;
    XpB *XpB2 = nullptr;
    QLabel *Label5 = nullptr;
    QPushButton *Command5 = nullptr;
};
