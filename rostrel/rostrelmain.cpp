#include "rostrelmain.h"

#include "about.h"
#include "clsini.h"
#include "popup.h"
#include "programglobals.h"
#include "registermaps.h"
#include "workingcopies.h"

#include "check.h"
#include "database/connection.h"
#include "database/dbexception.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "listheader.h"
#include "named.h"
#include "spreadsheet/calcoffice.h"
#include "spreadsheet/excelapplication.h"
#include "spreadsheet/officelockfile.h"
#include "spreadsheet/spreadsheeterror.h"
#include "ui/msgbox.h"
#include "uccalendar.h"
#include "xpb.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>

namespace {

const QString kProgramName = QStringLiteral("Rostrel");
const QString kSimplePattern = QStringLiteral("Реестр простых*.xls");
const QString kRegisteredPattern = QStringLiteral("Реестр заказных*.xls");
const QString kJournalPattern = QStringLiteral("Журнал*.xls");
const QString kErrorTitle = QStringLiteral("Ошибка");
const QString kWarningTitle = QStringLiteral("Внимание!");

const QString kSelect = QStringLiteral(
    "select Z_POST.ID, Z_POST.NUMBER, Z_POST.PDATE, Z_POST.FIO, Z_POST.ADRESS, Z_POST.NOTES, Z_POST.WEIGHT, "
    "Z_POST.PRICE, Z_POST.BARCODE, Z_POST.TYPEM, Z_POST.REESTR from Z_POST where ");
// NUMBER is text: ordered by its length first, 9 comes before 10 and 100.
const QString kDayAndOrder = QStringLiteral(
    "TYPEM=? AND (PDATE<=? AND PDATE>=?) ORDER BY CHAR_LENGTH(Z_POST.NUMBER), Z_POST.NUMBER");

// Carries out a register plan on sheet 1: the date line, room for the
// letters in the look of the template's data row, the letters in one block,
// then the totals.
void fillSheet(ExcelWorksheet &sheet, const RegisterPlan &plan)
{
    sheet.Range(QStringLiteral("A3")).setValue(plan.dateLine);
    if (plan.rowsToInsert > 0)
        sheet.Rows(QStringLiteral("9:%1").arg(8 + plan.rowsToInsert))
            .EntireRow()
            .Insert(ExcelRange::xlFormatFromRightOrBelow);
    sheet.Range(DataBlockRange(plan)).setValues(DataBlock(plan));
    for (const RegisterCell &cell : plan.cells) {
        if (cell.kind == RegisterCell::Formula)
            sheet.Range(cell.address()).setFormula(cell.value.toString());
    }
}

QLabel *detailLabel(const QString &name, QWidget *parent)
{
    auto *label = named<QLabel>(name, parent);
    // Names and addresses are shown as they are stored, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

// Resources of a static library are registered by hand.
static void initResources()
{
    Q_INIT_RESOURCE(rostrel);
}

RostrelMain::RostrelMain(QWidget *parent)
    : DatabaseWindow(ConnectionCharset::None, parent)
{
    initResources();
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Печать реестров почтовых отправлений"));
    buildControls();
    wireHandlers();
    Form_Load();
}

void RostrelMain::buildControls()
{
    bg = named<QLabel>(QStringLiteral("bg"), this);
    bg->setPixmap(QPixmap(QStringLiteral(":/rostrel/bg.png")));
    bg->setScaledContents(true);

    // Positions in pixels, as the form lays them out: the list's header is
    // placed from the list's own geometry when the form loads.
    Label12 = named<QLabel>(QStringLiteral("Label12"), QStringLiteral("Дата:"), this);
    Label12->setGeometry(12, 12, 40, 24);
    Text4 = named<QLineEdit>(QStringLiteral("Text4"), QStringLiteral("29.01.2013"), this);
    Text4->setGeometry(54, 12, 100, 24);

    Check2[0] = named<Check>(QStringLiteral("Check2_0"), this);
    Check2[0]->setGeometry(184, 14, 20, 20);
    Label13 = named<QLabel>(QStringLiteral("Label13"), QStringLiteral("простые"), this);
    Label13->setGeometry(206, 12, 80, 24);
    Check2[1] = named<Check>(QStringLiteral("Check2_1"), this);
    Check2[1]->setGeometry(294, 14, 20, 20);
    Label14 = named<QLabel>(QStringLiteral("Label14"), QStringLiteral("заказные"), this);
    Label14->setGeometry(316, 12, 80, 24);
    Check3 = named<Check>(QStringLiteral("Check3"), this);
    Check3->setGeometry(414, 14, 20, 20);
    Label17 = named<QLabel>(QStringLiteral("Label17"), QStringLiteral("показать только мои"), this);
    Label17->setGeometry(436, 12, 200, 24);

    List1 = named<QListWidget>(QStringLiteral("List1"), this);
    List1->setGeometry(12, 84, 640, 512);
    List1->setUniformItemSizes(true);
    // Every field is cut to its column, so there is nothing to scroll sideways.
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // Select all: stands over the column of the lines' check boxes.
    Check1 = named<Check>(QStringLiteral("Check1"), this);
    Check1->setGeometry(14, 44, 20, 20);
    Check1->setToolTip(QStringLiteral("Отметить все строки или снять все отметки"));
    Check1->hide();

    // The current letter.
    const int left = 668;
    const int labelWidth = 52;
    const int valueLeft = left + labelWidth + 4;
    const int valueWidth = 988 - valueLeft;
    Label2 = named<QLabel>(QStringLiteral("Label2"), QStringLiteral("Кому:"), this);
    Label2->setGeometry(left, 84, labelWidth, 20);
    Label1 = detailLabel(QStringLiteral("Label1"), this);
    Label1->setGeometry(valueLeft, 84, valueWidth, 40);
    Label3 = named<QLabel>(QStringLiteral("Label3"), QStringLiteral("Куда:"), this);
    Label3->setGeometry(left, 130, labelWidth, 20);
    Label6 = detailLabel(QStringLiteral("Label6"), this);
    Label6->setGeometry(valueLeft, 130, valueWidth, 76);
    Label4 = named<QLabel>(QStringLiteral("Label4"), QStringLiteral("Прим:"), this);
    Label4->setGeometry(left, 212, labelWidth, 20);
    Label7 = detailLabel(QStringLiteral("Label7"), this);
    Label7->setGeometry(valueLeft, 212, valueWidth, 40);
    Label11 = named<QLabel>(QStringLiteral("Label11"), QStringLiteral("Штрих:"), this);
    Label11->setGeometry(left, 258, labelWidth, 20);
    Label10 = detailLabel(QStringLiteral("Label10"), this);
    Label10->setGeometry(valueLeft, 258, valueWidth, 20);
    for (QLabel *label : {Label2, Label3, Label4, Label11})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label8 = named<QLabel>(QStringLiteral("Label8"), QStringLiteral("Вес:"), this);
    Label8->setGeometry(left, 292, labelWidth, 24);
    Text5 = named<QLineEdit>(QStringLiteral("Text5"), QStringLiteral("20,5"), this);
    Text5->setGeometry(valueLeft, 292, 80, 24);
    Label9 = named<QLabel>(QStringLiteral("Label9"), QStringLiteral("Цена:"), this);
    Label9->setGeometry(valueLeft + 100, 292, 44, 24);
    Text6 = named<QLineEdit>(QStringLiteral("Text6"), QStringLiteral("20,5"), this);
    Text6->setGeometry(valueLeft + 146, 292, 80, 24);
    Text6->setReadOnly(true);

    Label16 = named<QLabel>(QStringLiteral("Label16"), QStringLiteral("Выбрано: 0"), this);
    Label16->setGeometry(left, 336, 320, 24);

    // File1 holds the templates that match the kind; the clerk picks one of
    // them in Combo1.
    File1 = named<QListWidget>(QStringLiteral("File1"), this);
    File1->setGeometry(left, 370, 320, 80);
    File1->setProperty("Pattern", QStringLiteral("*.xls"));
    File1->hide();
    Label15 = named<QLabel>(QStringLiteral("Label15"), QStringLiteral("Шаблон:"), this);
    Label15->setGeometry(left, 370, labelWidth + 8, 26);
    Combo1 = named<QComboBox>(QStringLiteral("Combo1"), this);
    Combo1->setEditable(false);
    Combo1->setGeometry(valueLeft + 8, 370, valueWidth - 8, 26);

    XpB1 = named<XpB>(QStringLiteral("XpB1"), QStringLiteral("Печать выделенного списка"), this);
    XpB1->setGeometry(left, 412, 320, 44);
    XpB2 = named<XpB>(QStringLiteral("XpB2"), QStringLiteral("Удалить запись"), this);
    XpB2->setGeometry(left, 466, 320, 32);

    Label5 = named<QLabel>(QStringLiteral("Label5"), QStringLiteral("О программе"), this);
    Label5->setGeometry(left, 572, 320, 24);
    Label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label5->setCursor(Qt::PointingHandCursor);
    Label5->setStyleSheet(QStringLiteral("color: #1a4f8b; text-decoration: underline;"));

    // The connection fields and the connect button: start-up connects once.
    // The button shows only when the database went away meanwhile, so that
    // one press connects again with the same settings.
    Text1 = named<QLineEdit>(QStringLiteral("Text1"), QStringLiteral("localhost:/var/lib/firebird/3.0/data/court.fdb"),
                             this);
    Text2 = named<QLineEdit>(QStringLiteral("Text2"), QStringLiteral("SYSDBA"), this);
    Text3 = named<QLineEdit>(QStringLiteral("Text3"), QStringLiteral("p"), this);
    Text3->setEchoMode(QLineEdit::Password);
    Command1 = named<XpB>(QStringLiteral("Command1"), QStringLiteral("Подключиться"), this);
    Command1->setGeometry(left + 190, 8, 130, 28);
    for (QWidget *w : std::initializer_list<QWidget *>{Text1, Text2, Text3, Command1})
        w->hide();

    St = named<QLabel>(QStringLiteral("St"), QStringLiteral("Ready"), this);
    St->setGeometry(12, 608, 976, 22);
    St->setFrameShape(QFrame::StyledPanel);
    St->setFrameShadow(QFrame::Sunken);

    Cal = named<ucCalendar>(QStringLiteral("Cal"), this);
    Cal->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    Timer1->start();

    // The form's layout is fixed, so the background set once covers it.
    setFixedSize(1000, 640);
}

void RostrelMain::wireHandlers()
{
    connect(Command1, &XpB::Click, this, &RostrelMain::Command1_Click);
    connect(Check2[0], &Check::Click, this, [this] { Check2_Click(0); });
    connect(Check2[1], &Check::Click, this, [this] { Check2_Click(1); });
    connect(Check3, &Check::Click, this, &RostrelMain::Check3_Click);
    connect(Check1, &Check::Click, this, &RostrelMain::Check1_Click);
    // A move by the clerk, a line set by code and a tick all count.
    connect(List1, &QListWidget::currentRowChanged, this, &RostrelMain::List1_Click);
    connect(List1, &QListWidget::itemChanged, this, &RostrelMain::List1_Click);
    Text4->installEventFilter(this);
    connect(Cal, &ucCalendar::Change, this, &RostrelMain::Cal_Change);
    connect(Timer1, &QTimer::timeout, this, &RostrelMain::Timer1_Timer);
    connect(XpB2, &XpB::Click, this, &RostrelMain::XpB2_Click);
    Label5->installEventFilter(this);
    Text5->installEventFilter(this);
    connect(XpB1, &XpB::Click, this, &RostrelMain::XpB1_Click);
}

bool RostrelMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text5 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (Text5_KeyDown(key->key(), key->modifiers()))
            return true;
    }
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == Text4)
            Text4_Click();
        else if (watched == Label5)
            Label5_Click();
    }
    return DatabaseWindow::eventFilter(watched, event);
}

void RostrelMain::Form_Load()
{
    if (!StartAsOnlyCopy(kProgramName)) {
        Timer1->stop();
        return;
    }

    ProgramVersion = QStringLiteral("1.8");
    bg->setGeometry(0, 0, width(), height());
    bg->lower();

    const QRect list = List1->geometry();
    m_header = CreateListHeader(List1, list.left(), list.top() - 18, list.width(), 20, 0);
    AddHeaderColumn(m_header, 0, 20, 2, 0, QStringLiteral("*"));
    AddHeaderColumn(m_header, 1, 25, 2, 0, QStringLiteral("№"));
    AddHeaderColumn(m_header, 2, 145, 2, 0, QStringLiteral("Кому"));
    AddHeaderColumn(m_header, 3, 290, 2, 0, QStringLiteral("Куда"));
    AddHeaderColumn(m_header, 4, 95, 2, 0, QStringLiteral("Примечание"));
    AddHeaderColumn(m_header, 5, 31, 2, 0, QStringLiteral("Вес"));

    CreateConnection();
    Settings = std::make_unique<clsINI>();
    LoadSettings();
    m_templateFolder = ProgramFolder() + QStringLiteral("/templates/");
    Command1_Click();
}

void RostrelMain::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    event->accept();
}

void RostrelMain::Form_QueryUnload()
{
    if (m_closing)
        return;
    ShutDownConnection();
}

void RostrelMain::Timer1_Timer()
{
    Timer1->stop();
    Check1->show();
}

void RostrelMain::AfterConnectionLost()
{
    Command1->setEnabledCtrl(true);
    Command1->show();
}

void RostrelMain::AfterConnect()
{
    Command1->hide();
    SaveSettings();
    Text4->setText(Regional::DateToText(QDate::currentDate()));
    Check2[0]->setValue(true);
    Check2_Click(0);
}

// ---- kinds, templates and the listing ------------------------------------

int RostrelMain::ChosenKind() const
{
    const bool simple = Check2[0]->Value();
    const bool registered = Check2[1]->Value();
    if (simple && registered)
        return 0;
    if (simple)
        return 1;
    if (registered)
        return 2;
    return -1;
}

void RostrelMain::Check2_Click(int)
{
    switch (ChosenKind()) {
    case 1:
        setFile1Pattern(kSimplePattern);
        break;
    case 2:
        setFile1Pattern(kRegisteredPattern);
        break;
    case 0:
        setFile1Pattern(kJournalPattern);
        break;
    default:
        // Neither kind: the templates of the last pattern stay on offer.
        setFile1Pattern(File1->property("Pattern").toString());
        break;
    }
    FillTemplateList();
    ReloadList();
}

void RostrelMain::Check3_Click()
{
    ReloadList();
}

void RostrelMain::setFile1Pattern(const QString &pattern)
{
    File1->setProperty("Pattern", pattern);
    File1->clear();
    File1->addItems(QDir(m_templateFolder).entryList({pattern}, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void RostrelMain::FillTemplateList()
{
    Combo1->clear();
    if (File1->count() == 0)
        return;
    for (int i = 0; i < File1->count(); ++i)
        Combo1->addItem(File1->item(i)->text());
    Combo1->setCurrentIndex(0);
}

void RostrelMain::ReloadList()
{
    const QDate day = Regional::TextToDate(Text4->text());
    if (!day.isValid()) {
        MsgBox(QStringLiteral("В поле \"Дата:\" не указана дата: ") + Text4->text(), vbCritical,
               QStringLiteral("Ошибка"));
        return;
    }
    LoadList(ChosenKind(), day);
}

void RostrelMain::LoadList(int T, const QDate &D)
{
    QList<ListRow> rows{ListRow()};
    QStringList lines;
    // The list can be reloaded in every state; unconnected there is nothing to list.
    if (m_connected) {
        m_command.ActiveConnection = objADOConnection;
        m_command.MaxRecords = 0;
        QString sql = kSelect;
        QVariantList parameters;
        if (Check3->Value()) {
            sql += QStringLiteral("CREATOR=? AND ");
            parameters << UserName();
        }
        sql += kDayAndOrder;
        if (T == 0)
            sql.replace(QStringLiteral("TYPEM=? AND"), QString());
        else
            parameters << T;
        // The day's bounds go in as timestamps, so no regional date text can
        // be read with day and month swapped.
        parameters << QDateTime(D, QTime(23, 59, 59)) << QDateTime(D, QTime(0, 0, 0));
        m_command.CommandText = sql;
        m_command.Parameters = parameters;

        Recordset rs;
        try {
            rs = m_command.Execute(-1);
        } catch (const DbException &e) {
            MsgBox(e.error().Description, vbCritical, QStringLiteral("Ошибка"));
            return;
        }
        rows.reserve(rs.RecordCount() + 1);
        lines.reserve(rs.RecordCount());
        QVariantList columns;
        while (!rs.Eof()) {
            columns.clear();
            for (int i = 0; i < 11; ++i)
                columns.append(rs.Fields(i));
            rows.append(ReadListRow(columns));
            lines.append(ListRowLine(rows.constLast()));
            rs.MoveNext();
        }
    }

    {
        // The lines come in silently; the current letter and the count are
        // shown once, below.
        const QSignalBlocker blocker(List1);
        List1->clear();
        for (const QString &line : std::as_const(lines)) {
            auto *item = new QListWidgetItem(line);
            item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            item->setCheckState(Qt::Unchecked);
            List1->addItem(item);
        }
    }
    ListRows = rows;
    RowCount = qint32(rows.size() - 1);
    // Every line comes in unticked, so "select all" must not show ticked.
    Check1->setValue(false);
    List1_Click();
}

// ---- the current letter and the selection --------------------------------

void RostrelMain::List1_Click()
{
    CurrentRow = List1->currentRow() + 1;
    const ListRow &row = CurrentRow < ListRows.size() ? ListRows.at(CurrentRow) : ListRows.constFirst();
    Label1->setText(row.FIO);
    Label6->setText(row.ADRESS);
    Label7->setText(row.NOTES);
    Label10->setText(row.BARCODE);
    Text5->setText(row.WEIGHT);
    // Typing then replaces the weight shown instead of adding to it.
    Text5->selectAll();
    Text6->setText(PriceText(row.PRICE, Regional::locale()));
    Label16->setText(QStringLiteral("Выбрано: ") + QString::number(CountSelected()));
}

int RostrelMain::CountSelected() const
{
    int count = 0;
    for (int i = 0; i < List1->count(); ++i) {
        if (List1->item(i)->checkState() == Qt::Checked)
            ++count;
    }
    return count;
}

void RostrelMain::Check1_Click()
{
    const int current = List1->currentRow();
    const Qt::CheckState state = Check1->Value() ? Qt::Checked : Qt::Unchecked;
    {
        // One count after all lines, not one per line.
        const QSignalBlocker blocker(List1);
        for (int i = 0; i < List1->count(); ++i)
            List1->item(i)->setCheckState(state);
        List1->setCurrentRow(current);
    }
    List1_Click();
}

// ---- date, deletion, about box ---------------------------------------------

void RostrelMain::Text4_Click()
{
    const QDate day = Regional::TextToDate(Text4->text());
    if (day.isValid())
        Cal->setActiveDate(Regional::DateToText(day));
    ShowPopUpUnder(Cal, Text4);
}

void RostrelMain::Cal_Change()
{
    Text4->setText(Cal->ActiveDate());
    Cal->hide();
    ReloadList();
}

void RostrelMain::XpB2_Click()
{
    const int index = List1->currentRow() + 1;
    const ListRow &row = index < ListRows.size() ? ListRows.at(index) : ListRows.constFirst();
    const qint32 id = row.ID;
    if (MsgBox(QStringLiteral("Удалить выбранную запись?"), vbYesNo | vbQuestion,
               QStringLiteral("Удаление id=") + QString::number(id))
        != vbYes)
        return;
    // ID 0 belongs to no letter: without a current line (or a connection)
    // there is nothing to delete.
    if (id == 0 || !m_connected)
        return;
    m_command.ActiveConnection = objADOConnection;
    m_command.MaxRecords = 0;
    m_command.CommandText = QStringLiteral("DELETE FROM Z_POST where ID=?");
    m_command.Parameters = {id};
    try {
        m_command.Execute(-1);
    } catch (const DbException &e) {
        MsgBox(e.error().Description, vbCritical, QStringLiteral("Ошибка"));
        return;
    }
    ReloadList();
}

void RostrelMain::Label5_Click()
{
    About about(this);
    about.exec();
}

// ---- weight and price ------------------------------------------------------

bool RostrelMain::Text5_KeyDown(int KeyCode, Qt::KeyboardModifiers)
{
    switch (KeyCode) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        StoreWeight();
        return true;
    case Qt::Key_Down:
        if (List1->currentRow() < List1->count() - 1)
            MoveToLine(List1->currentRow() + 1);
        return true;
    case Qt::Key_Up:
        if (List1->currentRow() >= 1)
            MoveToLine(List1->currentRow() - 1);
        return true;
    default:
        return false;
    }
}

void RostrelMain::MoveToLine(int line)
{
    if (line >= 0 && line < List1->count())
        List1->setCurrentRow(line);
}

void RostrelMain::StoreWeight()
{
    const int current = CurrentRow;
    if (current < 1 || current >= ListRows.size() || current > List1->count())
        return;
    const QString typed = Text5->text();
    const double grams = WeightValue(typed);
    if (!IsStorableWeight(grams)) {
        MsgBox(InvalidWeightMessage(typed), vbCritical, kErrorTitle);
        return;
    }
    const QLocale regional = Regional::locale();
    // The record keeps the weight as Z_POST keeps it, so a weighed line and
    // a reloaded one show the same text; every reader takes "," or ".".
    const QString weight = WeightText(grams, regional);
    const ListRow &row = ListRows.at(current);
    double price = 0;
    try {
        price = LookUpPrice(weight, row.TYPEM);
        m_command.ActiveConnection = objADOConnection;
        m_command.MaxRecords = 0;
        m_command.CommandText = QStringLiteral("update Z_POST set WEIGHT=?, PRICE=? WHERE ID=?");
        m_command.Parameters = {weight, price, row.ID};
        m_command.Execute(-1);
    } catch (const DbException &e) {
        MsgBox(e.error().Description, vbCritical, kErrorTitle);
        return;
    }
    if (m_command.RecordsAffected < 1) {
        MsgBox(QStringLiteral("Отправление № %1 не найдено в базе данных: возможно, его удалили. "
                              "Вес и цена не сохранены.")
                   .arg(row.NUMBER),
               vbCritical, kErrorTitle);
        return;
    }

    ListRows[current].WEIGHT = weight;
    ListRows[current].PRICE = price;
    Text6->setText(PriceText(price, regional));
    QListWidgetItem *line = List1->item(current - 1);
    {
        // Only the text changes: the line's tick and the details stay.
        const QSignalBlocker blocker(List1);
        const QString text = line->text();
        line->setText(text.left(text.lastIndexOf(QLatin1Char('\t')) + 1) + weight);
    }
    MoveToLine(current);
}

double RostrelMain::TariffPrice(const TariffQuery &query)
{
    if (query.statement.isEmpty())
        return 0;
    m_command.ActiveConnection = objADOConnection;
    // Only the first row counts.
    m_command.MaxRecords = 1;
    m_command.CommandText = query.statement;
    m_command.Parameters = query.bindings;
    Recordset rs = m_command.Execute(-1);
    if (rs.Eof())
        return 0;
    return ReadPrice(rs.Fields(0)).value_or(0);
}

double RostrelMain::LookUpPrice(const QString &WeightText, int Kind)
{
    const QString address = CurrentRow < ListRows.size() ? ListRows.at(CurrentRow).ADRESS : QString();
    return TariffPrice(LookUpPriceQuery(address, Kind, WeightValue(WeightText)));
}

double RostrelMain::NotificationFee(const ListRow &Row)
{
    return TariffPrice(NotificationFeeQuery(Row));
}

// ---- register and journal ----------------------------------------------------

void RostrelMain::XpB1_Click()
{
    if (CountSelected() < 1) {
        MsgBox(QStringLiteral("Не выбрано ни одного отправления!"), vbInformation, kWarningTitle);
        return;
    }
    // A template deleted since the list was filled is no choice either.
    const QString name = Combo1->currentText();
    if (name.isEmpty() || !QFileInfo(m_templateFolder + name).isFile()) {
        MsgBox(QStringLiteral("Не выбран шаблон реестра!"), vbInformation, kWarningTitle);
        return;
    }
    BuildRegister(name);
}

void RostrelMain::BuildRegister(const QString &TemplateName)
{
    St->setText(QStringLiteral("Реестр формируется, подождите..."));
    // The build holds the window; the clerk must see why.
    St->repaint();

    const bool journal = Check2[0]->Value() && Check2[1]->Value();
    QList<ListRow> rows;
    for (int i = 0; i < List1->count() && i + 1 < ListRows.size(); ++i) {
        if (List1->item(i)->checkState() == Qt::Checked)
            rows.append(ListRows.at(i + 1));
    }
    // The fees are looked up before the office starts, so that a failing
    // look-up leaves nothing behind. Every letter charged pays the same
    // fee: one look-up per statement serves the whole register.
    QList<double> fees;
    if (!journal) {
        QHash<QString, double> known;
        try {
            for (const ListRow &row : std::as_const(rows)) {
                const QString statement = NotificationFeeQuery(row).statement;
                if (!WritesNotificationFee(row) || statement.isEmpty()) {
                    fees.append(0);
                    continue;
                }
                if (!known.contains(statement))
                    known.insert(statement, NotificationFee(row));
                fees.append(known.value(statement));
            }
        } catch (const DbException &e) {
            RegisterFailed(e.error().Description);
            return;
        }
    }
    const RegisterPlan plan = RegisterPlanFor(rows, fees, Text4->text(), journal);

    std::unique_ptr<ExcelApplication> excel;
    QString copy;
    QString failure;
    try {
        excel = std::make_unique<ExcelApplication>();
        excel->setVisible(false);
        excel->setDisplayAlerts(false);
        ExcelWorkbook book = excel->Workbooks().Open(m_templateFolder + TemplateName);
        Randomize();
        copy = WorkingCopyName(TempFolder());
        book.SaveAs(copy);
        ExcelWorksheet sheet = book.Worksheets(1);
        fillSheet(sheet, plan);
        excel->setVisible(true);
        // The clerk's office now has the workbook; we keep no hold on it.
        excel->Release();
        St->setText(QStringLiteral("Реестр сформирован и выгружен в Excel"));
        return;
    } catch (const SpreadsheetError &e) {
        failure = e.message();
    }

    // Nothing half-filled may stay behind: not the workbook, not its file,
    // not the office that failed.
    if (excel)
        excel->Quit();
    excel.reset();
    CalcOffice::shutdown();
    if (!copy.isEmpty()) {
        QFile::remove(copy);
        QFile::remove(OfficeLockFile::lockPathFor(copy));
    }
    RegisterFailed(failure);
}

void RostrelMain::RegisterFailed(const QString &cause)
{
    St->setText(QStringLiteral("Реестр не сформирован"));
    MsgBox(cause, vbCritical, kErrorTitle);
}
