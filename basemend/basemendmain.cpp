#include "basemendmain.h"

#include "clsini.h"
#include "programglobals.h"
#include "tablebackup.h"

#include "database/connection.h"
#include "environment/environment.h"
#include "environment/singleinstance.h"
#include "named.h"
#include "passwordbox.h"
#include "ui/msgbox.h"
#include "xpb.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString kProgramName = QStringLiteral("Basemend");
const QString kCrLf = QStringLiteral("\r\n");
const QString kWarning = QStringLiteral("Внимание!");
const QString kError = QStringLiteral("Ошибка");

constexpr int kStatusHeight = 22;

// The questions before the drop, in the order they are asked.
const char *const kDropQuestions[] = {
    "Вы уверены, что хотите удалить таблицы из БД? Это действие необратимо!",
    "Возможно, в таблицах содержатся данные! Вы уверены, что хотите их удалить?",
    "Эти данные нельзя будет восстановить, они будут утеряны навсегда! Все равно удалить?",
    "Подумайте еще раз. Удалять?",
    "Таблицы будут удалены навсегда. То есть, совсем навсегда. Навечно. Продолжить?",
    "Маленькие несчастные таблицы. Им грустно и одиноко. Прекратить их мучения посредством причинения удаления?",
    "Еще не поздно передумать. Вы все-таки хотите удалить таблицы?",
    "Точно?",
    "Уверены?",
    "Не пожалеете?",
    "Удалять?",
    "Это последнее предупреждение. Вы подтверждаете удаление таблиц?",
    "Это было предпоследнее предупреждение. Удалить таблицы?",
    "Уверены?",
    "Таки подтвердите это еще раз. Удалять?",
};

} // namespace

// Resources of a static library are registered by hand.
static void initResources()
{
    Q_INIT_RESOURCE(basemend);
}

BasemendMain::BasemendMain(QWidget *parent)
    : DatabaseWindow(ConnectionCharset::None, parent)
    , m_scripts(m_command, ProgramFolder())
{
    initResources();
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("ZNP DB update tools for ZNPprint"));
    buildControls();
    wireHandlers();
    Form_Load();
}

void BasemendMain::buildControls()
{
    bg = named<QLabel>(QStringLiteral("bg"), this);
    bg->setPixmap(QPixmap(QStringLiteral(":/basemend/bg.png")));
    bg->setScaledContents(true);

    // Positions in pixels, as the form lays them out.
    Label2 = named<QLabel>(QStringLiteral("Label2"), QStringLiteral("Путь к БД:"), this);
    Label2->setGeometry(12, 14, 80, 24);
    Text1 = named<QLineEdit>(QStringLiteral("Text1"), QStringLiteral("localhost:/var/lib/firebird/3.0/data/court.fdb"),
                             this);
    Text1->setGeometry(96, 14, 424, 24);
    Label3 = named<QLabel>(QStringLiteral("Label3"), QStringLiteral("Логин:"), this);
    Label3->setGeometry(12, 46, 80, 24);
    Text2 = named<QLineEdit>(QStringLiteral("Text2"), QStringLiteral("SYSDBA"), this);
    Text2->setGeometry(96, 46, 160, 24);
    Label4 = named<QLabel>(QStringLiteral("Label4"), QStringLiteral("Пароль:"), this);
    Label4->setGeometry(280, 46, 70, 24);
    Text3 = named<QLineEdit>(QStringLiteral("Text3"), QStringLiteral("p"), this);
    Text3->setGeometry(352, 46, 168, 24);
    MakePasswordBox(Text3);
    Command1 = named<XpB>(QStringLiteral("Command1"), QStringLiteral("Подключиться"), this);
    Command1->setGeometry(536, 14, 172, 56);

    Command3 = named<XpB>(QStringLiteral("Command3"), QStringLiteral("Создать дополнительные таблицы для почты в БД"),
                          this);
    Command3->setGeometry(12, 86, 344, 36);
    Command3->setEnabledCtrl(false);
    Command4 = named<XpB>(QStringLiteral("Command4"), QStringLiteral("Удалить дополнительные таблицы из БД"), this);
    Command4->setGeometry(364, 86, 344, 36);
    Command4->setEnabledCtrl(false);

    // The tariff panel: the tariff editor lives in it.
    P = named<QFrame>(QStringLiteral("P"), this);
    P->setGeometry(12, 134, 696, 340);
    P->setFrameShape(QFrame::StyledPanel);
    P->setFrameShadow(QFrame::Sunken);
    P->setEnabled(false);

    St = named<QLabel>(QStringLiteral("St"), QStringLiteral("Ready"), this);
    St->setFrameShape(QFrame::StyledPanel);
    St->setFrameShadow(QFrame::Sunken);

    resize(720, 486 + kStatusHeight);
    setMinimumSize(size());
}

void BasemendMain::wireHandlers()
{
    connect(Command1, &XpB::Click, this, &BasemendMain::Command1_Click);
    connect(Command3, &XpB::Click, this, &BasemendMain::Command3_Click);
    connect(Command4, &XpB::Click, this, &BasemendMain::Command4_Click);
}

void BasemendMain::Form_Load()
{
    if (AnotherInstanceRunning(kProgramName)) {
        MsgBox(QStringLiteral("Программа уже запущена!"), vbInformation, kWarning);
        m_started = false;
        return;
    }
    m_started = true;

    Form_Resize();
    CreateConnection();
    // One command for every statement of the window, on its one connection.
    m_command.ActiveConnection = objADOConnection;
    Settings = std::make_unique<clsINI>();
    LoadSettings();
}

void BasemendMain::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    event->accept();
}

void BasemendMain::Form_QueryUnload()
{
    if (m_closing)
        return;
    ShutDownConnection();
}

void BasemendMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void BasemendMain::Form_Resize()
{
    bg->setGeometry(0, 0, width(), height());
    bg->lower();
    // The status line runs along the bottom edge whatever the size.
    St->setGeometry(0, height() - kStatusHeight, width(), kStatusHeight);
}

void BasemendMain::showStatus(const QString &text)
{
    St->setText(text);
    // The statements that follow keep the event loop waiting.
    St->repaint();
}

// ---- connection ------------------------------------------------------------

void BasemendMain::SetConnectedUI(bool connected)
{
    // Only the disconnected look differs here; create and drop keep their
    // state and answer "Нет подключения к БД." until the next connection.
    if (connected)
        return;
    P->setEnabled(false);
    Text1->setEnabled(true);
    Text2->setEnabled(true);
    Text3->setEnabled(true);
}

void BasemendMain::AfterConnect()
{
    Command1->setCaption(QStringLiteral("Отключиться"));
    Command1->setEnabledCtrl(true);
    SaveSettings();

    bool exists[3] = {};
    try {
        for (int i = 0; i < 3; ++i)
            exists[i] = TableExists(TableScripts::TableNames().at(i));
    } catch (const TableScripts::Failure &failure) {
        // What exists is unknown: offer neither action until a connection
        // asks again.
        Command3->setEnabledCtrl(false);
        Command4->setEnabledCtrl(false);
        P->setEnabled(false);
        showSqlFailure(failure);
        return;
    }
    if (exists[0] && exists[1] && exists[2]) {
        Command3->setEnabledCtrl(false);
        Command4->setEnabledCtrl(true);
        LoadTariffs();
    } else {
        Command4->setEnabledCtrl(false);
        Command3->setEnabledCtrl(true);
        // Tariffs of tables that are gone must not stay editable.
        P->setEnabled(false);
    }
}

void BasemendMain::LoadTariffs()
{
    P->setEnabled(true);
}

// ---- creation and removal of the tables -------------------------------------

bool BasemendMain::TableExists(const QString &name)
{
    return m_scripts.TableExists(name);
}

void BasemendMain::DropTable(const QString &name)
{
    m_scripts.DropTable(name);
}

bool BasemendMain::checkConnected()
{
    if (m_connected && objADOConnection->State() == Connection::adStateOpen)
        return true;
    MsgBox(QStringLiteral("Нет подключения к БД."), vbInformation, kWarning);
    return false;
}

void BasemendMain::showSqlFailure(const TableScripts::Failure &failure)
{
    MsgBox(QStringLiteral("Ошибка выполнения SQL:") + kCrLf + failure.Statement + kCrLf + failure.Text, vbCritical,
           kError);
}

void BasemendMain::Command3_Click()
{
    if (!checkConnected())
        return;
    showStatus(QStringLiteral("Идет создание таблиц в БД"));
    try {
        m_scripts.CreateMissingTables();
        if (TableExists(QStringLiteral("Z_POST")) && TableExists(QStringLiteral("Z_POSTCONFIG"))
            && TableExists(QStringLiteral("Z_POSTPRICE")))
            St->setText(QStringLiteral("Дополнительные таблицы созданы"));
    } catch (const TableScripts::Failure &failure) {
        showSqlFailure(failure);
    }
    // Also after a failure, so that the buttons show what really exists.
    if (m_connected)
        AfterConnect();
}

void BasemendMain::Command4_Click()
{
    if (!checkConnected())
        return;
    // Enter answers No: a clerk pressing it through the boxes keeps the tables.
    for (const char *question : kDropQuestions) {
        if (MsgBox(QString::fromUtf8(question), vbYesNo | vbQuestion | vbDefaultButton2, kWarning) != vbYes)
            return;
    }

    // Every row is saved before anything is dropped.
    const QDateTime now = QDateTime::currentDateTime();
    QByteArray script;
    try {
        QStringList existing;
        for (const QString &name : TableScripts::TableNames()) {
            if (TableExists(name))
                existing << name;
        }
        script = TableBackup::Script(m_scripts, m_command, existing, now);
    } catch (const TableScripts::Failure &failure) {
        showSqlFailure(failure);
        if (m_connected)
            AfterConnect();
        return;
    }
    const QString backup = TableBackup::Save(script, TableBackup::Folders(), now);
    if (backup.isEmpty()) {
        MsgBox(QStringLiteral("Не удалось сохранить резервную копию таблиц. Удаление отменено."), vbCritical, kError);
        return;
    }

    showStatus(QStringLiteral("Идет удаление таблиц из БД"));
    bool dropped = false;
    try {
        for (const QString &name : TableScripts::TableNames()) {
            if (TableExists(name)) {
                DropTable(name);
                dropped = true;
            }
        }
        if (!TableExists(QStringLiteral("Z_POST")) && !TableExists(QStringLiteral("Z_POSTCONFIG"))
            && !TableExists(QStringLiteral("Z_POSTPRICE")))
            St->setText(QStringLiteral("Дополнительные таблицы удалены"));
    } catch (const TableScripts::Failure &failure) {
        showSqlFailure(failure);
    }
    if (m_connected)
        AfterConnect();
    if (dropped)
        MsgBox(QStringLiteral("Резервная копия удаленных таблиц сохранена в файле:") + kCrLf
                   + QDir::toNativeSeparators(backup),
               vbInformation, QStringLiteral("Сообщение"));
}
