#include "basemendmain.h"

#include "clsini.h"
#include "programglobals.h"
#include "tablebackup.h"
#include "tariffprices.h"

#include "database/connection.h"
#include "environment/environment.h"
#include "named.h"
#include "passwordbox.h"
#include "ui/msgbox.h"
#include "xpb.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <cmath>
#include <limits>
#include <optional>

namespace {

const QString kProgramName = QStringLiteral("Basemend");
const QString kCrLf = QStringLiteral("\r\n");
const QString kWarning = QStringLiteral("Внимание!");
const QString kError = QStringLiteral("Ошибка");

constexpr int kStatusHeight = 22;
constexpr int kEnter = 13;

// Geometry of the tariff panel, in pixels.
constexpr int kLadderWidth = 340;
constexpr int kPairWidth = 178;
constexpr int kRangeWidth = 82;
constexpr int kBoxWidth = 70;
constexpr int kRowPitch = 16;
constexpr int kLadderTop = 46;
constexpr int kRowsPerColumn = 10;

// A ladder's WEIGHT as whole grams in 32 bits; a Null, a fraction or a
// value out of range gives nothing, as no save could address that row.
std::optional<qint32> wholeGrams(const QVariant &weight)
{
    if (!weight.isValid() || weight.isNull())
        return std::nullopt;
    bool ok = false;
    const double grams = weight.toString().trimmed().toDouble(&ok);
    if (!ok || grams != std::floor(grams) || grams < std::numeric_limits<qint32>::min()
        || grams > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(grams);
}

// The held keys as the KeyDown handlers take them.
int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
           | (modifiers & Qt::AltModifier ? 4 : 0);
}

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
    , m_tariffs(m_command)
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
    buildTariffPanel();

    St = named<QLabel>(QStringLiteral("St"), QStringLiteral("Ready"), this);
    St->setFrameShape(QFrame::StyledPanel);
    St->setFrameShadow(QFrame::Sunken);

    resize(720, 486 + kStatusHeight);
    setMinimumSize(size());
}

void BasemendMain::buildTariffPanel()
{
    const auto label = [this](const QString &name, const QString &text, int x, int y, int w, int h) {
        QLabel *made = named<QLabel>(name, text, P);
        made->setGeometry(x, y, w, h);
        return made;
    };
    const auto box = [this](const QString &name, int x, int y, int h) {
        QLineEdit *made = named<QLineEdit>(name, P);
        made->setGeometry(x, y, kBoxWidth, h);
        made->setAlignment(Qt::AlignRight);
        // Rows stand 16 pixels apart: the boxes do without the inner margin.
        made->setTextMargins(0, -2, 0, -2);
        made->installEventFilter(this);
        return made;
    };
    QFont heading = P->font();
    heading.setBold(true);

    const QString kinds[] = {QStringLiteral("Простые письма"), QStringLiteral("Заказные письма")};
    for (int k = 0; k < 2; ++k) {
        const int left = 10 + k * (kLadderWidth + 8);
        Label1[k] = label(QStringLiteral("Label1_%1").arg(k), kinds[k], left, 6, kLadderWidth, 18);
        Label1[k]->setFont(heading);
        for (int c = 0; c < 2; ++c) {
            const int x = left + c * kPairWidth;
            const int pair = k * 2 + c;
            Label5[pair] = label(QStringLiteral("Label5_%1").arg(pair), QStringLiteral("Вес"), x, 28, kRangeWidth, 16);
            Label6[pair] = label(QStringLiteral("Label6_%1").arg(pair), QStringLiteral("Цена"), x + kRangeWidth, 28,
                                 kBoxWidth, 16);
            Label6[pair]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            for (int r = 0; r < kRowsPerColumn; ++r) {
                const int i = c * kRowsPerColumn + r;
                const int y = kLadderTop + r * kRowPitch;
                auto &ranges = k == 0 ? Label7 : Label8;
                auto &prices = k == 0 ? PriceP : PriceZ;
                ranges[i] = label(QStringLiteral("%1_%2").arg(k == 0 ? "Label7" : "Label8").arg(i), QString(), x, y,
                                  kRangeWidth - 4, kRowPitch);
                prices[i] = box(QStringLiteral("%1_%2").arg(k == 0 ? "PriceP" : "PriceZ").arg(i), x + kRangeWidth, y,
                                kRowPitch);
            }
        }
    }

    // Kinds 3 and 4 side by side, kind 5 under kind 4.
    const int singlesTop = kLadderTop + kRowsPerColumn * kRowPitch + 14;
    const QString singles[] = {QStringLiteral("Уведомление по России"), QStringLiteral("Уведомление по Украине"),
                               QStringLiteral("Заказное письмо на Украину")};
    const int singleLeft[] = {10, 10 + kLadderWidth + 8, 10 + kLadderWidth + 8};
    const int singleTop[] = {singlesTop, singlesTop, singlesTop + 24};
    for (int u = 0; u < 3; ++u) {
        Label9[u] = label(QStringLiteral("Label9_%1").arg(u), singles[u], singleLeft[u], singleTop[u],
                          kPairWidth + kRangeWidth - 4, 20);
        PriceU[u] = box(QStringLiteral("PriceU_%1").arg(u), singleLeft[u] + kPairWidth + kRangeWidth, singleTop[u], 20);
    }

    XpB1 = named<XpB>(QStringLiteral("XpB1"), QStringLiteral("Сохранить изменения"), P);
    XpB1->setGeometry((P->width() - 240) / 2, P->height() - 44, 240, 34);

    for (QLineEdit *price : PriceP)
        m_ring << price;
    for (QLineEdit *price : PriceZ)
        m_ring << price;
    for (QLineEdit *price : PriceU)
        m_ring << price;
    ClearTariffs();
}

void BasemendMain::wireHandlers()
{
    connect(Command1, &XpB::Click, this, &BasemendMain::Command1_Click);
    connect(Command3, &XpB::Click, this, &BasemendMain::Command3_Click);
    connect(Command4, &XpB::Click, this, &BasemendMain::Command4_Click);
    connect(XpB1, &XpB::Click, this, &BasemendMain::XpB1_Click);
}

void BasemendMain::Form_Load()
{
    if (!StartAsOnlyCopy(kProgramName))
        return;

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
        ClearTariffs();
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
        // Tariffs of tables that are gone must neither stay editable nor
        // show as if they were still there.
        ClearTariffs();
        P->setEnabled(false);
    }
}

// ---- tariff editor ------------------------------------------------------------

void BasemendMain::ClearTariffs()
{
    for (QLineEdit *price : m_ring) {
        price->clear();
        price->setEnabled(false);
    }
    for (QLabel *range : Label7)
        range->clear();
    for (QLabel *range : Label8)
        range->clear();
    WeightsP.fill(0);
    WeightsZ.fill(0);
    m_rowP.fill(false);
    m_rowZ.fill(false);
    m_rowU.fill(false);
}

void BasemendMain::LoadTariffs()
{
    // Whatever an earlier load showed (another database, rows removed since)
    // must neither show nor be written back.
    ClearTariffs();
    TariffTable::Tariffs tariffs;
    try {
        tariffs = m_tariffs.Read();
    } catch (const TableScripts::Failure &failure) {
        P->setEnabled(false);
        showSqlFailure(failure);
        return;
    }
    P->setEnabled(true);

    const auto fillLadder = [](const QList<TariffTable::Row> &rows, auto &prices, auto &ranges, auto &weights,
                               auto &loaded) {
        qint32 prev = 0;
        for (int i = 0; i < rows.size() && i < TariffTable::LadderSlots; ++i) {
            prices[i]->setText(StoredTariffPriceText(rows[i].Price));
            const std::optional<qint32> weight = wholeGrams(rows[i].Weight);
            if (!weight) {
                // The save could not address this row: shown, not editable.
                ranges[i]->setText(QStringLiteral("?"));
                continue;
            }
            ranges[i]->setText(QString::number(prev) + QLatin1Char('-') + QString::number(*weight));
            prev = *weight;
            weights[i] = prev;
            loaded[i] = true;
            prices[i]->setEnabled(true);
        }
    };
    fillLadder(tariffs.Ladders[0], PriceP, Label7, WeightsP, m_rowP);
    fillLadder(tariffs.Ladders[1], PriceZ, Label8, WeightsZ, m_rowZ);
    for (int u = 0; u < 3; ++u) {
        // A kind without a row keeps its box empty and off: there is nothing
        // to write to.
        if (tariffs.Singles[u].isEmpty())
            continue;
        PriceU[u]->setText(StoredTariffPriceText(tariffs.Singles[u].first().Price));
        PriceU[u]->setEnabled(true);
        m_rowU[u] = true;
    }

    for (int k = 0; k < 2; ++k) {
        if (tariffs.Ladders[k].size() > TariffTable::LadderSlots)
            MsgBox(QStringLiteral("В тарифах больше 20 строк для вида %1; показаны первые 20.").arg(k + 1),
                   vbInformation, kWarning);
    }
}

bool BasemendMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int place = m_ring.indexOf(qobject_cast<QLineEdit *>(watched));
        if (place >= 0) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const int keyCode = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ? kEnter : key->key();
            const int shift = shiftState(key->modifiers());
            const int ladder = TariffTable::LadderSlots;
            if (place < ladder)
                return PriceP_KeyDown(place, keyCode, shift);
            if (place < 2 * ladder)
                return PriceZ_KeyDown(place - ladder, keyCode, shift);
            return PriceU_KeyDown(place - 2 * ladder, keyCode, shift);
        }
    }
    return DatabaseWindow::eventFilter(watched, event);
}

bool BasemendMain::PriceP_KeyDown(int Index, int KeyCode, int)
{
    if (KeyCode != kEnter)
        return false;
    focusNextPrice(Index);
    return true;
}

bool BasemendMain::PriceZ_KeyDown(int Index, int KeyCode, int)
{
    if (KeyCode != kEnter)
        return false;
    focusNextPrice(TariffTable::LadderSlots + Index);
    return true;
}

bool BasemendMain::PriceU_KeyDown(int Index, int KeyCode, int)
{
    if (KeyCode != kEnter)
        return false;
    focusNextPrice(2 * TariffTable::LadderSlots + Index);
    return true;
}

void BasemendMain::focusNextPrice(int place)
{
    // Boxes without a row are off and cannot take the focus: Enter passes
    // them by.
    for (int step = 1; step <= m_ring.size(); ++step) {
        QLineEdit *next = m_ring.at((place + step) % m_ring.size());
        if (next->isEnabled()) {
            next->setFocus(Qt::OtherFocusReason);
            next->setSelection(0, next->text().size());
            return;
        }
    }
}

void BasemendMain::XpB1_Click()
{
    if (!checkConnected())
        return;
    // Only rows of this load, in the order of the ladders, then kinds 3, 4, 5.
    QList<QLineEdit *> boxes;
    QList<TariffTable::Price> prices;
    for (int i = 0; i < TariffTable::LadderSlots; ++i) {
        if (m_rowP[i]) {
            boxes << PriceP[i];
            prices << TariffTable::Price{1, WeightsP[i], QString()};
        }
    }
    for (int i = 0; i < TariffTable::LadderSlots; ++i) {
        if (m_rowZ[i]) {
            boxes << PriceZ[i];
            prices << TariffTable::Price{2, WeightsZ[i], QString()};
        }
    }
    for (int u = 0; u < 3; ++u) {
        if (m_rowU[u]) {
            boxes << PriceU[u];
            prices << TariffTable::Price{3 + u, 0, QString()};
        }
    }

    // Every price is checked before anything is written: Rostrel must be
    // able to read each one.
    for (int j = 0; j < boxes.size(); ++j) {
        const QString typed = boxes[j]->text();
        if (!IsTariffPrice(typed)) {
            MsgBox(QStringLiteral("Неверная цена: «") + typed + QStringLiteral("»."), vbCritical, kError);
            boxes[j]->setFocus(Qt::OtherFocusReason);
            boxes[j]->selectAll();
            return;
        }
        prices[j].Text = TariffPriceText(typed);
    }

    try {
        m_tariffs.Save(prices);
    } catch (const TableScripts::Failure &failure) {
        // Nothing was written; the boxes keep what the clerk typed.
        showSqlFailure(failure);
        return;
    }
    for (int j = 0; j < boxes.size(); ++j)
        boxes[j]->setText(prices[j].Text);
    St->setText(QStringLiteral("Изменения расценок сохранены"));
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
    // A failing transaction call has no statement to name.
    const QString statement = failure.Statement.isEmpty() ? QString() : failure.Statement + kCrLf;
    MsgBox(QStringLiteral("Ошибка выполнения SQL:") + kCrLf + statement + failure.Text, vbCritical, kError);
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
