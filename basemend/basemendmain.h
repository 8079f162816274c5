#pragma once

#include "databasewindow.h"
#include "tablescripts.h"
#include "tarifftable.h"

#include "database/command.h"

#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class XpB;

// The one window of Basemend. The clerk connects with the connect button;
// the window then tells whether the suite's three tables exist, creates the
// missing ones from the script files beside the program or, after fifteen
// confirmations and a backup of their rows, drops them, and holds the tariff
// panel, where the clerk edits the prices of Z_POSTPRICE. Closing it ends the
// program.
class BasemendMain : public DatabaseWindow
{
    Q_OBJECT
public:
    explicit BasemendMain(QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // Routes the keys of the price boxes to their KeyDown handlers.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildTariffPanel();
    void wireHandlers();

    void Form_Load();
    void Form_Resize();
    void Form_QueryUnload();
    void AfterConnect() override;
    void SetConnectedUI(bool connected) override;
    void Command3_Click();
    void Command4_Click();

    bool TableExists(const QString &name);
    void DropTable(const QString &name);
    // Fills the tariff panel from Z_POSTPRICE and enables it.
    void LoadTariffs();
    // Empties every box and label of the panel and forgets the loaded rows.
    void ClearTariffs();
    // Index is the box's place in its array, KeyCode 13 for Enter, Shift the
    // held keys (1 Shift, 2 Ctrl, 4 Alt). True when the key was taken.
    bool PriceP_KeyDown(int Index, int KeyCode, int Shift);
    bool PriceZ_KeyDown(int Index, int KeyCode, int Shift);
    bool PriceU_KeyDown(int Index, int KeyCode, int Shift);
    void XpB1_Click();
    // Focus and whole text to the first box after place that a row stands
    // behind, in the order of m_ring.
    void focusNextPrice(int place);

    // False, after "Нет подключения к БД.", when there is no connection.
    bool checkConnected();
    void showSqlFailure(const TableScripts::Failure &failure);
    void showStatus(const QString &text);

    // The window's one command object; it keeps its last statement.
    Command m_command;
    TableScripts m_scripts;
    TariffTable m_tariffs;

    // WEIGHT of ladder row i of kinds 1 and 2 as loaded; 32-bit, as a
    // ladder's bound may exceed 32767 grams.
    std::array<qint32, TariffTable::LadderSlots + 1> WeightsP{};
    std::array<qint32, TariffTable::LadderSlots + 1> WeightsZ{};
    // Whether the last load found the row behind each box, with a WEIGHT the
    // save can address: only these boxes are enabled, checked and written.
    std::array<bool, TariffTable::LadderSlots> m_rowP{};
    std::array<bool, TariffTable::LadderSlots> m_rowZ{};
    std::array<bool, 3> m_rowU{};
    // The 43 price boxes in the order Enter walks them.
    QList<QLineEdit *> m_ring;

    // Controls, named as the clerk's form names them.
    QLabel *bg = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    XpB *Command3 = nullptr;
    XpB *Command4 = nullptr;
    QFrame *P = nullptr;
    // Inside P.
    std::array<QLabel *, 2> Label1{};
    std::array<QLabel *, 4> Label5{};
    std::array<QLabel *, 4> Label6{};
    std::array<QLabel *, TariffTable::LadderSlots> Label7{};
    std::array<QLineEdit *, TariffTable::LadderSlots> PriceP{};
    std::array<QLabel *, TariffTable::LadderSlots> Label8{};
    std::array<QLineEdit *, TariffTable::LadderSlots> PriceZ{};
    std::array<QLabel *, 3> Label9{};
    std::array<QLineEdit *, 3> PriceU{};
    XpB *XpB1 = nullptr;
};
