#include "lettrixmain.h"

#include "about.h"
#include "addressrules.h"
#include "clsini.h"
#include "currentletter.h"
#include "letterregistry.h"
#include "popup.h"
#include "programglobals.h"
#include "selecttype.h"
#include "sentitem.h"
#include "viewform.h"
#include "workingcopies.h"

#include "barcode/barcode.h"
#include "check.h"
#include "database/connection.h"
#include "database/dbexception.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "ui/msgbox.h"
#include "uccalendar.h"
#include "named.h"
#include "passwordbox.h"
#include "spreadsheet/calcoffice.h"
#include "xpb.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStringListModel>
#include <QTimer>
#include <QTime>
#include <QVBoxLayout>

namespace {

const QString kProgramName = QStringLiteral("Lettrix");
const QString kCrLf = QStringLiteral("\r\n");

// The party search's pattern is cast to VARCHAR(8191), the longest text a
// four-byte character set allows.
constexpr int kLongestPattern = 8191;
// The engine's code for a value that cannot be converted or does not fit.
constexpr int kCannotConvert = -802;


QLabel *makePicture(const QString &name, const QString &resource, QWidget *parent)
{
    auto *picture = new QLabel(parent);
    picture->setObjectName(name);
    picture->setPixmap(QPixmap(resource));
    picture->setFixedSize(picture->pixmap().size());
    return picture;
}

} // namespace

// Resources of a static library are registered by hand.
static void initResources()
{
    Q_INIT_RESOURCE(lettrix);
}

LettrixMain::LettrixMain(QWidget *parent)
    : DatabaseWindow(ConnectionCharset::Win1251, parent)
{
    initResources();
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Печать конвертов и уведомлений"));
    buildControls();
    wireHandlers();
    Form_Load();
}

void LettrixMain::buildControls()
{
    bg = named<QLabel>(QStringLiteral("bg"), this);
    bg->setPixmap(QPixmap(QStringLiteral(":/lettrix/bg.png")));
    bg->setScaledContents(true);
    bg->lower();

    // Connection fields on top.
    Label2 = named<QLabel>(QStringLiteral("Label2"), QStringLiteral("Путь к БД:"), this);
    Text1 = named<QLineEdit>(QStringLiteral("Text1"), QStringLiteral("localhost:/var/lib/firebird/3.0/data/court.fdb"), this);
    Label3 = named<QLabel>(QStringLiteral("Label3"), QStringLiteral("Логин:"), this);
    Text2 = named<QLineEdit>(QStringLiteral("Text2"), QStringLiteral("SYSDBA"), this);
    Label4 = named<QLabel>(QStringLiteral("Label4"), QStringLiteral("Пароль:"), this);
    Text3 = named<QLineEdit>(QStringLiteral("Text3"), QStringLiteral("pelvodrin"), this);
    MakePasswordBox(Text3);
    Command1 = named<XpB>(QStringLiteral("Command1"), QStringLiteral("Подключиться"), this);
    Command1->setMinimumWidth(130);

    // Party search.
    Label7 = named<QLabel>(QStringLiteral("Label7"), QStringLiteral("Поиск"), this);
    Stext = named<QLineEdit>(QStringLiteral("Stext"), QString(), this);
    List0 = named<QListView>(QStringLiteral("List0"), this);
    m_parties = new QStringListModel(this);
    List0->setModel(m_parties);
    List0->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List0->setUniformItemSizes(true);
    Label8 = named<QLabel>(QStringLiteral("Label8"), QString(), this);
    Label8->hide();

    // Address parts.
    static const char *const partLabels[7] = {"Индекс:", "Регион:", "Город:", "Улица:",
                                              "Дом:", "Корп:", "Кв:"};
    for (int i = 0; i < 7; ++i) {
        TxAdLabel[i] = named<QLabel>(QStringLiteral("LabelTxAd_%1").arg(i),
                                 QString::fromUtf8(partLabels[i]), this);
        TxAd[i] = named<QLineEdit>(QStringLiteral("TxAd_%1").arg(i), QString(), this);
    }

    // Composed address with its line names and the check's outcome.
    Label9 = named<QLabel>(QStringLiteral("Label9"), QStringLiteral("Редактировать адрес доставки:"), this);
    Text4 = named<QPlainTextEdit>(QStringLiteral("Text4"), this);
    Text4->setTabChangesFocus(true);
    Text7 = named<QPlainTextEdit>(QStringLiteral("Text7"), QStringLiteral("индекс\n"), this);
    Text7->setReadOnly(true);
    Text7->setFocusPolicy(Qt::NoFocus);
    Text7->setFixedWidth(90);
    // The hints stand line for line beside the address.
    Text7->setFont(Text4->font());
    Text7->setStyleSheet(QStringLiteral("QPlainTextEdit { color: #555; background: #eef2f7; }"));
    St2 = named<QLabel>(QStringLiteral("St2"), QString(), this);
    const char *const pictures[4] = {":/lettrix/ok.png", ":/lettrix/error.png",
                                     ":/lettrix/ok.png", ":/lettrix/error.png"};
    for (int i = 0; i < 4; ++i) {
        ImgStat[i] = makePicture(QStringLiteral("ImgStat_%1").arg(i), QString::fromLatin1(pictures[i]), this);
        ImgStat[i]->hide();
    }
    UA = makePicture(QStringLiteral("UA"), QStringLiteral(":/lettrix/ua.png"), this);
    UA->hide();

    // Recipient, notes, date.
    Label10 = named<QLabel>(QStringLiteral("Label10"), QStringLiteral("Редактировать получателя:"), this);
    Text5 = named<QLineEdit>(QStringLiteral("Text5"), QString(), this);
    Label12 = named<QLabel>(QStringLiteral("Label12"), QStringLiteral("превышена длина поля!"), this);
    Label12->setStyleSheet(QStringLiteral("color: #b00020;"));
    Label12->hide();
    Label13 = named<QLabel>(QStringLiteral("Label13"), QStringLiteral("Добавить примечание:"), this);
    Text6 = named<QLineEdit>(QStringLiteral("Text6"), QString(), this);
    Label16 = named<QLabel>(QStringLiteral("Label16"), QString(), this);
    Label17 = named<QLabel>(QStringLiteral("Label17"), QStringLiteral("Дата:"), this);
    Text8 = named<QLineEdit>(QStringLiteral("Text8"), QStringLiteral("31.12.2013"), this);
    Text8->setFixedWidth(110);

    Command3 = named<XpB>(QStringLiteral("Command3"), QStringLiteral("Печать конверта"), this);
    XpB1 = named<XpB>(QStringLiteral("XpB1"), QStringLiteral("Заказное с уведомлением"), this);
    XpB2 = named<XpB>(QStringLiteral("XpB2"), QStringLiteral("Отправленные"), this);
    Label5 = named<QLabel>(QStringLiteral("Label5"), QStringLiteral("About"), this);
    Label5->setCursor(Qt::PointingHandCursor);
    Label5->setStyleSheet(QStringLiteral("color: #1a4f8b; text-decoration: underline;"));
    Command5 = named<QPushButton>(QStringLiteral("Command5"), QStringLiteral("Command4"), this);

    St = named<QLabel>(QStringLiteral("St"), QStringLiteral("Ready"), this);
    St->setFrameShape(QFrame::StyledPanel);
    St->setFrameShadow(QFrame::Sunken);

    // --- layout ---
    auto *top = new QHBoxLayout;
    top->addWidget(Label2);
    top->addWidget(Text1, 3);
    top->addSpacing(8);
    top->addWidget(Label3);
    top->addWidget(Text2, 1);
    top->addSpacing(8);
    top->addWidget(Label4);
    top->addWidget(Text3, 1);
    top->addSpacing(8);
    top->addWidget(Command1);

    auto *search = new QVBoxLayout;
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(Label7);
    searchRow->addWidget(Stext, 1);
    search->addLayout(searchRow);
    search->addWidget(List0, 1);

    auto *parts = new QGridLayout;
    parts->setHorizontalSpacing(6);
    // Index and region, then town and street, then house, building and flat.
    parts->addWidget(TxAdLabel[0], 0, 0);
    parts->addWidget(TxAd[0], 0, 1);
    parts->addWidget(TxAdLabel[1], 0, 2);
    parts->addWidget(TxAd[1], 0, 3, 1, 3);
    parts->addWidget(TxAdLabel[2], 1, 0);
    parts->addWidget(TxAd[2], 1, 1);
    parts->addWidget(TxAdLabel[3], 1, 2);
    parts->addWidget(TxAd[3], 1, 3, 1, 3);
    parts->addWidget(TxAdLabel[4], 2, 0);
    parts->addWidget(TxAd[4], 2, 1);
    parts->addWidget(TxAdLabel[5], 2, 2);
    parts->addWidget(TxAd[5], 2, 3);
    parts->addWidget(TxAdLabel[6], 2, 4);
    parts->addWidget(TxAd[6], 2, 5);
    parts->setColumnStretch(1, 2);
    parts->setColumnStretch(3, 2);
    parts->setColumnStretch(5, 1);

    auto *addressRow = new QHBoxLayout;
    addressRow->addWidget(Text7);
    addressRow->addWidget(Text4, 1);
    auto *countryColumn = new QVBoxLayout;
    countryColumn->addWidget(UA);
    countryColumn->addStretch();
    addressRow->addLayout(countryColumn);
    Text4->setFixedHeight(110);
    Text7->setFixedHeight(110);
    UA->setToolTip(QStringLiteral("Адрес на Украине: при регистрации добавится строка «УКРАИНА»"));

    auto *checkRow = new QHBoxLayout;
    checkRow->addSpacing(Text7->width() + 6);
    checkRow->addWidget(ImgStat[0]);
    checkRow->addWidget(ImgStat[1]);
    checkRow->addWidget(St2, 1);

    auto *recipientRow = new QHBoxLayout;
    recipientRow->addWidget(Text5, 1);
    recipientRow->addWidget(ImgStat[2]);
    recipientRow->addWidget(ImgStat[3]);
    recipientRow->addWidget(Label12);

    auto *notesRow = new QHBoxLayout;
    notesRow->addWidget(Text6, 1);
    notesRow->addWidget(Label16);
    Label16->setFixedWidth(40);

    auto *dateRow = new QHBoxLayout;
    dateRow->addWidget(Label17);
    dateRow->addWidget(Text8);
    dateRow->addStretch();
    dateRow->addWidget(XpB2);
    dateRow->addWidget(Command5);
    dateRow->addWidget(Label5);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command3, 1);
    buttons->addWidget(XpB1, 1);
    Command3->setMinimumHeight(40);
    XpB1->setMinimumHeight(40);

    auto *editor = new QVBoxLayout;
    editor->addLayout(parts);
    editor->addSpacing(6);
    editor->addWidget(Label9);
    editor->addLayout(addressRow);
    editor->addLayout(checkRow);
    editor->addSpacing(6);
    editor->addWidget(Label10);
    editor->addLayout(recipientRow);
    editor->addWidget(Label13);
    editor->addLayout(notesRow);
    editor->addSpacing(6);
    editor->addLayout(dateRow);
    editor->addStretch();
    editor->addLayout(buttons);

    auto *middle = new QHBoxLayout;
    middle->addLayout(search, 2);
    middle->addSpacing(10);
    middle->addLayout(editor, 3);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(12, 12, 12, 8);
    outer->addLayout(top);
    outer->addSpacing(8);
    outer->addLayout(middle, 1);
    outer->addWidget(St);

    Cal = named<ucCalendar>(QStringLiteral("Cal"), this);
    Cal->hide();

    resize(1180, 640);
}

void LettrixMain::wireHandlers()
{
    connect(Command1, &XpB::Click, this, &LettrixMain::Command1_Click);
    connect(Stext, &QLineEdit::textChanged, this, &LettrixMain::Stext_Change);
    connect(&m_command, &Command::ExecuteComplete, this, &LettrixMain::ShowParties);
    // A pick by the clerk and a current line set by code both count.
    connect(List0->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid())
                    List0_Click();
            });
    connect(Text4, &QPlainTextEdit::textChanged, this, &LettrixMain::Text4_Change);
    connect(Text5, &QLineEdit::textChanged, this, &LettrixMain::Text5_Change);
    connect(Text6, &QLineEdit::textChanged, this, &LettrixMain::Text6_Change);
    connect(Command3, &XpB::Click, this, &LettrixMain::Command3_Click);
    Text8->installEventFilter(this);
    connect(Cal, &ucCalendar::Change, this, &LettrixMain::Cal_Change);
    connect(XpB2, &XpB::Click, this, &LettrixMain::XpB2_Click);
    Label5->installEventFilter(this);
    connect(Command5, &QPushButton::clicked, this, &LettrixMain::Command5_Click);
}

bool LettrixMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == Text8)
            Text8_Click();
        else if (watched == Label5)
            Label5_Click();
    }
    return QWidget::eventFilter(watched, event);
}

void LettrixMain::Form_Load()
{
    Randomize();

    if (!StartAsOnlyCopy(kProgramName))
        return;

    ProgramVersion = QStringLiteral("1.8");
    Form_Resize();
    CreateConnection();
    Settings = std::make_unique<clsINI>();
    SetConnectedUI(false);
    LoadSettings();
    Cal->setActiveDate(Regional::DateToText(QDate::currentDate()));
    ClearAddressParts();
    Command1_Click();
}

void LettrixMain::showEvent(QShowEvent *event)
{
    DatabaseWindow::showEvent(event);
    if (m_officeWarmed || !started())
        return;
    m_officeWarmed = true;
    // The office takes a second to start; starting it now, once the window
    // is up and its connection under way, spares the clerk that wait at the
    // first envelope.
    QTimer::singleShot(0, this, [] { CalcOffice::startInBackground(); });
}

void LettrixMain::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    event->accept();
}

void LettrixMain::Form_QueryUnload()
{
    if (m_closing)
        return;
    ShutDownConnection();
    DeleteWorkingCopies(TempFolder());
}

void LettrixMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void LettrixMain::Form_Resize()
{
    bg->setGeometry(0, 0, width(), height());
    bg->lower();
}

void LettrixMain::Text8_Click()
{
    ShowPopUpUnder(Cal, Text8);
}

void LettrixMain::Cal_Change()
{
    Text8->setText(Cal->ActiveDate());
    Cal->hide();
}

void LettrixMain::XpB2_Click()
{
    ViewForm form(this);
    form.exec();
}

void LettrixMain::Label5_Click()
{
    About about(this);
    about.exec();
}

void LettrixMain::Command5_Click()
{
    QString code = QStringLiteral("1111111111114");
    QString error;
    const QString digit = Get_Check_num(code, &error);
    if (digit.isEmpty()) {
        MsgBox(error, vbCritical, QStringLiteral("Ошибка"));
        return;
    }
    code += digit;
    if (!MakeBarCode(code, -1, &error)) {
        MsgBox(error, vbCritical, QStringLiteral("Ошибка"));
        return;
    }
    MsgBox(QGuiApplication::clipboard()->text());
}

// ---- connection ------------------------------------------------------------

void LettrixMain::AfterConnect()
{
    Text8->setText(Regional::DateToText(QDate::currentDate()));
    Command1->setCaption(QStringLiteral("Отключиться"));
    Command1->setEnabledCtrl(true);
    SetConnectedUI(true);
    SaveSettings();
    LoadParties(QString());
}

void LettrixMain::SetConnectedUI(bool connected)
{
    // Parties listed from a closed connection could be picked but never read.
    if (!connected)
        ClearPartyList();
    Command3->setEnabledCtrl(connected);
    XpB1->setEnabledCtrl(connected);
    Text1->setEnabled(!connected);
    Text2->setEnabled(!connected);
    Text3->setEnabled(!connected);
}

// ---- party search and address parts ---------------------------------------

void LettrixMain::reportDbError(const QString &description)
{
    MsgBox(description, vbCritical, QStringLiteral("Ошибка"));
}

void LettrixMain::Stext_Change()
{
    SubjectList = {SubjectEntry(), SubjectEntry()};
    LoadParties(Stext->text());
}

void LettrixMain::LoadParties(const QString &filter)
{
    m_parties->setStringList({});
    // Every load starts from empty entries: a Null column must never show
    // what an earlier load left in that place.
    SubjectList = {SubjectEntry()};
    // Whatever an older filter still finds is of no use now.
    m_command.Cancel();
    if (!m_connected)
        return;

    m_command.ActiveConnection = objADOConnection;
    m_command.MaxRecords = 0;
    if (filter.isEmpty()) {
        m_command.CommandText = QStringLiteral(
            "select \"Subject\".\"FullName\", \"Subject\".\"OID\" from \"Subject\" order by \"Subject\".\"OID\" desc");
        m_command.Parameters.clear();
    } else {
        // The filter is bound, not spliced: apostrophes in names are common.
        // "%" and "_" typed by the clerk still act as wildcards. The engine
        // upper-cases both sides, so they fold alike ("ß" stays "ß" on both,
        // where Qt would write "SS"). A bare parameter would take the
        // column's length and refuse a pattern as long as a whole name, hence
        // the cast.
        const QString pattern = QStringLiteral("%") + filter + QStringLiteral("%");
        // No stored name can match a pattern longer than the cast holds.
        if (pattern.size() > kLongestPattern)
            return;
        m_command.CommandText = QStringLiteral(
            "select \"Subject\".\"FullName\", \"Subject\".\"OID\" from \"Subject\" where UPPER(\"Subject\".\"FullName\") "
            "like UPPER(CAST(? AS VARCHAR(8191))) order by \"Subject\".\"OID\" desc");
        m_command.Parameters = {pattern};
    }
    // The query scans every party; the window goes on taking keys while it
    // runs, and a newer filter supersedes it.
    m_loadingFilter = filter;
    try {
        m_command.ExecuteAsync();
    } catch (const DbException &e) {
        reportDbError(e.error().Description);
    }
}

void LettrixMain::ShowParties(const DbError *pError, const Recordset &records)
{
    if (pError) {
        // A character that the names' character set cannot hold: no name
        // contains it, so the list stays empty.
        if (!m_loadingFilter.isEmpty() && pError->NativeError == kCannotConvert)
            return;
        reportDbError(pError->Description);
        return;
    }
    Recordset rs = records;
    QStringList lines;
    lines.reserve(rs.RecordCount());
    SubjectList.reserve(rs.RecordCount() + 1);
    while (!rs.Eof()) {
        SubjectEntry entry;
        const QVariant oid = rs.Fields(1);
        if (!oid.isNull())
            entry.OID = oid.toString();
        const QVariant name = rs.Fields(0);
        if (!name.isNull())
            entry.FullName = name.toString();
        lines.append(entry.FullName);
        SubjectList.append(entry);
        rs.MoveNext();
    }
    m_parties->setStringList(lines);
}

void LettrixMain::ClearPartyList()
{
    m_command.Cancel();
    m_parties->setStringList({});
    SubjectList = {SubjectEntry()};
}

void LettrixMain::List0_Click()
{
    const int row = List0->currentIndex().row();
    if (!m_connected || row < 0 || row + 1 >= SubjectList.size())
        return;
    setAddressText(QString());
    Text5->clear();
    m_command.ActiveConnection = objADOConnection;
    const SubjectEntry e = SubjectList.at(row + 1);
    Text5->setText(e.FullName);
    if (e.OID.isEmpty()) {
        ClearAddressParts();
        return;
    }
    m_command.CommandText = QStringLiteral(
        "select \"Address\".\"Index\", \"Address\".\"Region\", \"Address\".\"Settlement\", \"Address\".\"Street\", "
        "\"Address\".\"Building\", \"Address\".\"AdditionalBuilding\", \"Address\".\"Room\" from \"Address\" "
        "where \"Subject\"=?");
    m_command.Parameters = {e.OID};
    // Only the first address row is taken.
    m_command.MaxRecords = 1;
    Recordset rs;
    try {
        rs = m_command.Execute(-1);
    } catch (const DbException &ex) {
        ClearAddressParts();
        reportDbError(ex.error().Description);
        return;
    }
    ClearAddressParts();
    if (rs.Eof())
        return;
    for (int i = 0; i < 7; ++i) {
        const QVariant value = rs.Fields(i);
        if (!value.isNull())
            TxAd[i]->setText(value.toString());
    }
    ComposeAddress();
}

void LettrixMain::ClearAddressParts()
{
    for (QLineEdit *part : TxAd)
        part->clear();
}

// ---- address composition and check -----------------------------------------

QString LettrixMain::addressText() const
{
    return AddressRules::ToCrLf(Text4->toPlainText());
}

void LettrixMain::setAddressText(const QString &crLfText)
{
    Text4->setPlainText(AddressRules::FromCrLf(crLfText));
}

void LettrixMain::ComposeAddress()
{
    std::array<QString, 7> parts;
    for (int i = 0; i < 7; ++i)
        parts[i] = TxAd[i]->text();
    const QString address = AddressRules::ComposeParts(parts);
    for (int i = 0; i < 7; ++i)
        TxAd[i]->setText(parts[i]);
    // The composed address always has five lines, so setting it at once
    // leaves the check, the hints and the country mark as setting it line by
    // line would.
    setAddressText(address);
    St->setText(QStringLiteral("Стороны по делу ") + Label8->text());
}

QString LettrixMain::ValidateAddress() const
{
    return AddressRules::ValidateAddress(addressText(), Text6->text());
}

void LettrixMain::Text4_Change()
{
    const QString result = ValidateAddress();
    const bool ok = result == QLatin1String("ok");
    ImgStat[0]->setVisible(ok);
    ImgStat[1]->setVisible(!ok);
    St2->setText(ok ? QStringLiteral("адрес ОК") : result);
    Command3->setEnabledCtrl(ok);

    const QStringList lines = AddressRules::SplitCrLf(addressText());
    if (lines.size() < 2)
        return;
    if (const auto mark = AddressRules::ShowsCountryMark(lines))
        UA->setVisible(*mark);
    const QString current = AddressRules::ToCrLf(Text7->toPlainText());
    const QString names = AddressRules::LineNames(lines, current);
    if (names != current)
        Text7->setPlainText(AddressRules::FromCrLf(names));
}

void LettrixMain::Text5_Change()
{
    const bool tooLong = AddressRules::RecipientTooLong(Text5->text());
    ImgStat[3]->setVisible(tooLong);
    ImgStat[2]->setVisible(!tooLong);
    Label12->setVisible(tooLong);
}

void LettrixMain::Text6_Change()
{
    Label16->setText(AddressRules::NotesLeft(Text6->text()));
    Text4_Change();
}

// ---- registration -----------------------------------------------------------

void LettrixMain::Command3_Click()
{
    const QString error = QStringLiteral("Ошибка");
    if (addressText().isEmpty() || Text5->text().isEmpty() || Text6->text().isEmpty()) {
        MsgBox(QStringLiteral("Заполнены не все поля!"), vbCritical, error);
        return;
    }
    if (AddressRules::RecipientTooLong(Text5->text())) {
        MsgBox(QStringLiteral("Превышена длина поля 'получатель'!"), vbCritical, error);
        return;
    }
    // The button can be reached in states where the letter could be printed
    // but never stored; refuse before anything is prepared.
    if (!m_connected) {
        MsgBox(QStringLiteral("Нет подключения к базе данных. Подключитесь и повторите."), vbCritical, error);
        return;
    }
    const QString check = ValidateAddress();
    if (check != QLatin1String("ok")) {
        // The notes are the check's last rule: when the address alone passes,
        // they are what failed.
        if (AddressRules::ValidateAddress(addressText(), QString()) == QLatin1String("ok"))
            MsgBox(QStringLiteral("Превышена длина поля 'примечание'!"), vbCritical, error);
        else
            MsgBox(QStringLiteral("Адрес не прошел проверку: ") + check, vbCritical, error);
        return;
    }
    if (!Regional::TextToDate(Text8->text()).isValid()) {
        MsgBox(QStringLiteral("В поле \"Дата:\" не указана дата: ") + Text8->text(), vbCritical, error);
        return;
    }

    PrepareItem();
    SelectType kind(this);
    kind.exec();
    // Closed without a choice: nothing was printed for this letter, so there
    // is nothing to number.
    if (!kind.chosen())
        return;
    if (MsgBox(QStringLiteral("Вы хотите присвоить исходящий номер и внести данное отправление в реестр исходящей "
                              "почты? Это действие нельзя будет отменить."),
               vbYesNo | vbInformation, QStringLiteral("Внимание!"))
        == vbYes)
        RegisterItem();
}

void LettrixMain::PrepareItem()
{
    ItemAddress = AddressRules::PrintAddress(addressText());
    ItemRecipient = Text5->text();
    ItemNotes = Text6->text();
    const QTime now = QTime::currentTime();
    ItemDate = QDateTime(Regional::TextToDate(Text8->text()), QTime(now.hour(), now.minute(), now.second()));
}

void LettrixMain::RegisterItem()
{
    PrepareItem();
    LetterRow row;
    row.date = ItemDate;
    row.recipient = ItemRecipient;
    row.address = ItemAddress;
    row.notes = ItemNotes;
    row.type = ItemType;
    row.creator = UserName();
    row.flag = ItemFlag;

    Registered registered;
    try {
        registered = RegisterLetter(objADOConnection, row);
    } catch (const DbException &e) {
        MsgBox(QStringLiteral("Отправление не внесено в реестр, исходящий номер не присвоен.") + kCrLf
                   + e.error().Description,
               vbCritical, QStringLiteral("Ошибка"));
        return;
    }
    ItemCreator = row.creator;
    ItemBarcode = QStringLiteral("Null");
    ItemId = registered.id;
    ItemNumber = QString::number(registered.number);
    St->setText(QStringLiteral("Отправление добавлено в реестр, присвоен исх № ") + ItemNumber);
    MsgBox(QStringLiteral("Отправление внесено в реестр с исходящим номером: ") + ItemNumber, vbInformation,
           QStringLiteral("Сообщение"));
}

void LettrixMain::UpdateCurrentBar(const QString &value)
{
    m_command.ActiveConnection = objADOConnection;
    m_command.MaxRecords = 0;
    m_command.CommandText = QStringLiteral("update Z_POSTCONFIG set CURRENT_BAR=?");
    m_command.Parameters = {value};
    m_command.Execute(-1);
}

// ---- sent-items view --------------------------------------------------------

void LettrixMain::LoadList(int T, const QDate &D)
{
    const QString user = UserName();
    auto *view = findChild<ViewForm *>(QString(), Qt::FindDirectChildrenOnly);
    if (!view)
        return;
    QListWidget *list = view->list();
    list->clear();
    // The view can be opened in every state; unconnected there is nothing to list.
    if (!m_connected)
        return;

    m_command.ActiveConnection = objADOConnection;
    m_command.MaxRecords = 0;
    // NUMBER is text: ordered by its length first, 9 comes before 10 and 100.
    m_command.CommandText = QStringLiteral(
        "select Z_POST.ID, Z_POST.NUMBER, Z_POST.PDATE, Z_POST.FIO, Z_POST.ADRESS, Z_POST.NOTES, Z_POST.WEIGHT, "
        "Z_POST.PRICE, Z_POST.BARCODE, Z_POST.TYPEM from Z_POST where CREATOR=? AND TYPEM=? AND "
        "(PDATE<=? AND PDATE>=?) ORDER BY CHAR_LENGTH(Z_POST.NUMBER), Z_POST.NUMBER");
    // The day's bounds go in as timestamps, so no regional date text can be
    // read with day and month swapped.
    m_command.Parameters = {user, T, QDateTime(D, QTime(23, 59, 59)), QDateTime(D, QTime(0, 0, 0))};
    Recordset rs;
    try {
        rs = m_command.Execute(-1);
    } catch (const DbException &e) {
        reportDbError(e.error().Description);
        return;
    }

    QStringList lines;
    lines.reserve(rs.RecordCount());
    QVariantList columns;
    while (!rs.Eof()) {
        columns.clear();
        for (int i = 0; i < 10; ++i)
            columns.append(rs.Fields(i));
        SentItem item = ReadSentItem(columns);
        item.ADRESS = ListedAddress(item.ADRESS);
        lines.append(SentItemLine(item));
        rs.MoveNext();
    }
    list->addItems(lines);
}
