#include "viewform.h"

#include "lettrixmain.h"

#include "check.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "listheader.h"
#include "named.h"
#include "popup.h"
#include "ui/msgbox.h"
#include "uccalendar.h"

#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>

namespace {

const QString kSimplePattern = QStringLiteral("Реестр простых*.xls");
const QString kRegisteredPattern = QStringLiteral("Реестр заказных*.xls");

} // namespace

ViewForm::ViewForm(LettrixMain *main)
    : QDialog(main)
    , m_main(main)
{
    setObjectName(QStringLiteral("ViewForm"));
    setWindowTitle(QStringLiteral("Сообщения из реестра отправленных"));
    buildControls();
    wireHandlers();
    Form_Load();
}

void ViewForm::buildControls()
{
    bg = named<QLabel>(QStringLiteral("bg"), this);
    bg->setPixmap(QPixmap(QStringLiteral(":/lettrix/bg.png")));
    bg->setScaledContents(true);

    // Positions in pixels, as the form lays them out: the list's header is
    // placed from the list's own geometry when the form loads.
    Text4Label = named<QLabel>(QStringLiteral("LabelText4"), QStringLiteral("Дата:"), this);
    Text4Label->setGeometry(12, 12, 40, 24);
    Text4 = named<QLineEdit>(QStringLiteral("Text4"), QStringLiteral("29.01.2013"), this);
    Text4->setGeometry(54, 12, 100, 24);

    static const char *const kinds[2] = {"простые", "заказные"};
    for (int i = 0; i < 2; ++i) {
        Check2[i] = named<Check>(QStringLiteral("Check2_%1").arg(i), this);
        Check2[i]->setValue(false);
        Check2[i]->setGeometry(180 + i * 110, 14, 20, 20);
        Check2Label[i] = named<QLabel>(QStringLiteral("LabelCheck2_%1").arg(i), QString::fromUtf8(kinds[i]), this);
        Check2Label[i]->setGeometry(202 + i * 110, 12, 80, 24);
    }

    Label1 = named<QLabel>(QStringLiteral("Label1"), QString(), this);
    Label1->setGeometry(420, 12, 468, 24);

    List1 = named<QListWidget>(QStringLiteral("List1"), this);
    List1->setGeometry(12, 70, 650, 380);
    List1->setUniformItemSizes(true);
    // Every field is cut to its column, so there is nothing to scroll sideways.
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    File1 = named<QListWidget>(QStringLiteral("File1"), this);
    File1->setGeometry(676, 52, 212, 398);

    Cal = named<ucCalendar>(QStringLiteral("Cal"), this);
    Cal->hide();

    // The view's layout is fixed, so the background set once covers it.
    setFixedSize(900, 462);
}

void ViewForm::wireHandlers()
{
    connect(Check2[0], &Check::Click, this, [this] { Check2_Click(0); });
    connect(Check2[1], &Check::Click, this, [this] { Check2_Click(1); });
    Text4->installEventFilter(this);
    connect(Cal, &ucCalendar::Change, this, &ViewForm::Cal_Change);
}

bool ViewForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text4 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        Text4_Click();
    return QDialog::eventFilter(watched, event);
}

void ViewForm::Form_Load()
{
    bg->setGeometry(0, 0, width(), height());
    bg->lower();

    const QRect list = List1->geometry();
    m_header = CreateListHeader(List1, list.left(), list.top() - 18, list.width(), 20, 0);
    AddHeaderColumn(m_header, 0, 30, 2, 0, QStringLiteral("№"));
    AddHeaderColumn(m_header, 1, 150, 2, 0, QStringLiteral("Кому"));
    AddHeaderColumn(m_header, 2, 290, 2, 0, QStringLiteral("Куда"));
    AddHeaderColumn(m_header, 3, 160, 2, 0, QStringLiteral("Примечание"));

    const QString today = Regional::DateToText(QDate::currentDate());
    Text4->setText(today);
    Cal->setActiveDate(today);
    Label1->setText(QStringLiteral("Пользователь: ") + UserName());
    LoadDay(1);
    Check2_Click(1);
}

void ViewForm::Check2_Click(int Index)
{
    if (Index == 0) {
        Check2[1]->setValue(!Check2[0]->Value());
        setFile1Pattern(kSimplePattern);
    } else {
        Check2[0]->setValue(!Check2[1]->Value());
        setFile1Pattern(kRegisteredPattern);
    }
    LoadChosenKind();
}

void ViewForm::Text4_Click()
{
    ShowPopUpUnder(Cal, Text4);
}

void ViewForm::Cal_Change()
{
    Text4->setText(Cal->ActiveDate());
    Cal->hide();
    LoadChosenKind();
}

void ViewForm::LoadDay(int kind)
{
    const QDate day = Regional::TextToDate(Text4->text());
    if (!day.isValid()) {
        List1->clear();
        MsgBox(QStringLiteral("В поле \"Дата:\" не указана дата: ") + Text4->text(), vbCritical,
               QStringLiteral("Ошибка"));
        return;
    }
    m_main->LoadList(kind, day);
}

void ViewForm::LoadChosenKind()
{
    LoadDay(Check2[0]->Value() ? 1 : 2);
}

void ViewForm::setFile1Pattern(const QString &pattern)
{
    File1->setProperty("Pattern", pattern);
    File1->clear();
    File1->addItems(QDir(ProgramFolder()).entryList({pattern}, QDir::Files, QDir::Name));
}
