#pragma once

#include <QWidget>

class Connection;
struct DbError;
class QLabel;
class QLineEdit;
class XpB;

// The main window of a program that connects to the suite's database: the
// connect button, the status line, the three connection fields and the one
// connection, with the procedures that open it and report its outcome in the
// same words in every program. A program's main window derives from it,
// creates the five controls into the members below, creates the connection
// with CreateConnection() and supplies what differs: the steps after a
// successful connection (AfterConnect) and, where it has one, the connected
// look (SetConnectedUI).
//
// The controls and the connection are children of the window; the window
// closes the connection when it is destroyed.
class DatabaseWindow : public QWidget
{
    Q_OBJECT
public:
    // Whether the connection string names a character set.
    enum class ConnectionCharset { Win1251, None };

    ~DatabaseWindow() override;

    bool isConnected() const { return m_connected; }
    Connection *connection() const { return objADOConnection; }

    // False when start-up refused to run because another copy is running;
    // main() then ends the program without showing the window.
    bool started() const { return m_started; }

public Q_SLOTS:
    void objADOConnection_ConnectComplete(const DbError *pError, int adStatus, Connection *pConnection);
    void objADOConnection_ConnectionLost();

protected:
    explicit DatabaseWindow(ConnectionCharset charset, QWidget *parent = nullptr);

    // Runs once the connection is open and "Соединение с БД установлено" shows.
    virtual void AfterConnect() = 0;
    // The connected or disconnected look; a window without one leaves it empty.
    virtual void SetConnectedUI(bool connected);
    // Runs after a statement found the database gone and the window took the
    // look of a disconnect; a window whose connect button is hidden shows it.
    virtual void AfterConnectionLost() {}

    // The check every program's start-up opens with: when another copy of
    // programName runs it says so and returns false, and the program ends.
    bool StartAsOnlyCopy(const QString &programName);

    void CreateConnection();
    // Connects when not connected, disconnects when connected.
    void Command1_Click();
    void OpenConnection();
    void ConnectionOpened(Connection *pConnection);
    void reEnableAfterFailure(bool setErrorStatus);

    void LoadSettings();
    void SaveSettings();

    // Closes the connection as the window closes, an attempt still under way
    // too; its outcome is never reported after this.
    void ShutDownConnection();

    bool m_connected = false;
    bool m_closing = false;
    Connection *objADOConnection = nullptr;

    XpB *Command1 = nullptr;
    QLabel *St = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text3 = nullptr;

private:
    ConnectionCharset m_charset;
    bool m_started = false;
};
