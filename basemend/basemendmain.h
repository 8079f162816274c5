#pragma once

#include "databasewindow.h"
#include "tablescripts.h"

#include "database/command.h"

class QFrame;
class QLabel;
class XpB;

// The one window of Basemend. The clerk connects with the connect button;
// the window then tells whether the suite's three tables exist, creates the
// missing ones from the script files beside the program or, after fifteen
// confirmations and a backup of their rows, drops them, and holds the tariff
// panel. Closing it ends the program.
class BasemendMain : public DatabaseWindow
{
    Q_OBJECT
public:
    explicit BasemendMain(QWidget *parent = nullptr);

    // False when start-up refused to run because another copy is running;
    // main() then ends the program without showing the window.
    bool started() const { return m_started; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
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

    // False, after "Нет подключения к БД.", when there is no connection.
    bool checkConnected();
    void showSqlFailure(const TableScripts::Failure &failure);
    void showStatus(const QString &text);

    bool m_started = false;
    // The window's one command object; it keeps its last statement.
    Command m_command;
    TableScripts m_scripts;

    // Controls, named as the clerk's form names them.
    QLabel *bg = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    XpB *Command3 = nullptr;
    XpB *Command4 = nullptr;
    QFrame *P = nullptr;
};
