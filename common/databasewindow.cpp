#include "databasewindow.h"

#include "clsini.h"
#include "programglobals.h"
#include "settingsio.h"
#include "webaddresses.h"

#include "database/connection.h"
#include "database/connectionstring.h"
#include "environment/shellopen.h"
#include "environment/singleinstance.h"
#include "ui/msgbox.h"
#include "xpb.h"

#include <QLabel>
#include <QLineEdit>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

DatabaseWindow::DatabaseWindow(ConnectionCharset charset, QWidget *parent)
    : QWidget(parent)
    , m_charset(charset)
{
}

DatabaseWindow::~DatabaseWindow()
{
    // The connection may still be attaching; Close() drops its late outcome.
    if (objADOConnection)
        objADOConnection->Close();
}

void DatabaseWindow::SetConnectedUI(bool)
{
}

bool DatabaseWindow::StartAsOnlyCopy(const QString &programName)
{
    m_started = !AnotherInstanceRunning(programName);
    if (!m_started)
        MsgBox(QStringLiteral("Программа уже запущена!"), vbInformation, QStringLiteral("Внимание!"));
    return m_started;
}

void DatabaseWindow::CreateConnection()
{
    objADOConnection = new Connection(this);
    connect(objADOConnection, &Connection::ConnectComplete,
            this, &DatabaseWindow::objADOConnection_ConnectComplete);
    connect(objADOConnection, &Connection::ConnectionLost,
            this, &DatabaseWindow::objADOConnection_ConnectionLost);
}

void DatabaseWindow::objADOConnection_ConnectionLost()
{
    // A statement found the database gone. The window takes the look of a
    // disconnect by hand, so that one click connects again; the statement's
    // own error box follows.
    if (m_connected && !m_closing) {
        Command1_Click();
        AfterConnectionLost();
    }
}

void DatabaseWindow::Command1_Click()
{
    if (m_connected) {
        objADOConnection->Close();
        m_connected = false;
        Command1->setCaption(QStringLiteral("Подключиться"));
        St->setText(QStringLiteral("Отключен"));
        SetConnectedUI(false);
        return;
    }
    St->setText(QStringLiteral("Подключение к ") + Text1->text() + QStringLiteral("..."));
    Command1->setEnabledCtrl(false);
    Text1->setEnabled(false);
    Text2->setEnabled(false);
    Text3->setEnabled(false);
    OpenConnection();
}

void DatabaseWindow::OpenConnection()
{
    const QString charsetPart = m_charset == ConnectionCharset::Win1251 ? QStringLiteral("Charset=WIN1251; ")
                                                                        : QString();
    // A field holding ";" or blanks at its ends goes in braces, so the driver
    // gets exactly what was typed.
    const QString connectionString = QStringLiteral("DRIVER=Firebird/InterBase(r) driver; ") + charsetPart
                                     + QStringLiteral("DBNAME=") + ConnectionString::quoteValue(Text1->text())
                                     + QStringLiteral("; UID=") + ConnectionString::quoteValue(Text2->text())
                                     + QStringLiteral("; PWD=") + ConnectionString::quoteValue(Text3->text());
    objADOConnection->ConnectionTimeout = 10;
    objADOConnection->CommandTimeout = 10;
    objADOConnection->Mode = 3;
    objADOConnection->Open(connectionString, QString(), QString(), 16);
}

void DatabaseWindow::reEnableAfterFailure(bool setErrorStatus)
{
    Command1->setEnabledCtrl(true);
    m_connected = false;
    if (setErrorStatus)
        St->setText(QStringLiteral("Ошибка подключения"));
    Text1->setEnabled(true);
    Text2->setEnabled(true);
    Text3->setEnabled(true);
}

void DatabaseWindow::objADOConnection_ConnectComplete(const DbError *pError, int adStatus,
                                                      Connection *pConnection)
{
    if (m_closing)
        return;
    const auto threeLines = [pError] {
        return QStringLiteral("В процессе подключения произошла ошибка.") + kCrLf + pError->Description
               + kCrLf + QStringLiteral("Подключение не выполнено.");
    };
    switch (adStatus) {
    case 1:
        if (!pError) {
            ConnectionOpened(pConnection);
        } else {
            MsgBox(threeLines());
            reEnableAfterFailure(false);
        }
        break;
    case 2:
        if (pError && pError->Description.contains(QStringLiteral("не указан драйвер"))) {
            if (MsgBox(QStringLiteral("Не установлен Firebird ODBC Driver.") + kCrLf
                           + QStringLiteral("Перейти на страницу его загрузки?"),
                       vbYesNo | vbInformation, QStringLiteral("Внимание!"))
                == vbYes)
                ShellOpen(kDriverDownloadPage);
            reEnableAfterFailure(true);
        } else if (pError) {
            MsgBox(threeLines(), vbCritical, QStringLiteral("Ошибка"));
            reEnableAfterFailure(true);
        } else {
            // Without an error object there is nothing to tell; still leave
            // the clerk a way to try again.
            reEnableAfterFailure(true);
        }
        break;
    case 4:
        MsgBox(QStringLiteral("Подключение было отменено."));
        reEnableAfterFailure(false);
        break;
    default:
        reEnableAfterFailure(true);
        break;
    }
}

void DatabaseWindow::ConnectionOpened(Connection *pConnection)
{
    if (pConnection->State() != 1) {
        MsgBox(QStringLiteral("Подключение было закрыто."));
        m_connected = false;
        reEnableAfterFailure(false);
        return;
    }
    m_connected = true;
    St->setText(QStringLiteral("Соединение с БД установлено"));
    AfterConnect();
}

void DatabaseWindow::LoadSettings()
{
    ::LoadSettings(*Settings, Text1, Text2, Text3);
}

void DatabaseWindow::SaveSettings()
{
    ::SaveSettings(*Settings, Text1, Text2, Text3);
}

void DatabaseWindow::ShutDownConnection()
{
    m_closing = true;
    // Closing while an attempt is still under way is fine too: the late
    // outcome is dropped by the connection.
    if (objADOConnection && (m_connected || objADOConnection->State() != 0))
        objADOConnection->Close();
    m_connected = false;
}
