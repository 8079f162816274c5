#include "prntform.h"

#include "currentletter.h"
#include "printmaps.h"
#include "workingcopies.h"

#include "barcode/barcode.h"
#include "check.h"
#include "environment/environment.h"
#include "environment/regional.h"
#include "spreadsheet/excelapplication.h"
#include "spreadsheet/spreadsheeterror.h"
#include "ui/msgbox.h"
#include "named.h"
#include "xpb.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <memory>

namespace {

const QString kErrorTitle = QStringLiteral("Ошибка");
const QString kEnvelopePattern = QStringLiteral("Конверт*.xls");
const QString kNotificationFront = QStringLiteral("уведомление 1.xls");
const QString kNotificationBack = QStringLiteral("уведомление 2.xls");

// A failure of a step outside the spreadsheet (a template that is not there,
// a barcode that cannot be drawn), carried out of the print like the
// spreadsheet's own errors so that both abandon it the same way.
struct PrintAbandoned
{
    QString message;
};

// The pictures of the notification buttons: a page with the card on it, the
// back's card in the corner where that button's position puts it on the page.
// Drawn here rather than shipped, so they always match the positions.
QIcon notificationPicture(bool front, int position)
{
    const QSize size(48, 64);
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x60, 0x70, 0x80), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1));

    const bool down = position == 1 || position == 3;
    const bool right = position == 2 || position == 3;
    const QRectF card(front ? 6 : (right ? 20 : 4), front ? 8 : (down ? 34 : 4), front ? 36 : 24, front ? 24 : 26);
    p.setBrush(front ? QColor(0xd9, 0xe8, 0xf7) : QColor(0xf7, 0xe6, 0xc8));
    p.setPen(QPen(QColor(0x1a, 0x4f, 0x8b), 1));
    p.drawRect(card);
    // A few lines of "text" on the card.
    p.setPen(QPen(QColor(0x1a, 0x4f, 0x8b), 1));
    for (qreal y = card.top() + 5; y < card.bottom() - 3; y += 5)
        p.drawLine(QPointF(card.left() + 3, y), QPointF(card.right() - 3, y));
    p.end();
    return QIcon(pixmap);
}



// Carries out a plan in the order the forms need: the barcode picture first,
// then the cells, then the row and column that move the form on the page.
void applyPlan(const SheetPlan &plan, ExcelWorksheet &sheet)
{
    if (plan.pasteBarcodeAtB13) {
        QString error;
        if (!MakeBarCode(plan.barcodeWithCheckDigit, -1, &error))
            throw PrintAbandoned{error};
        sheet.Range(QStringLiteral("B13")).Select();
        sheet.Paste();
    }
    for (const CellWrite &write : plan.cells)
        sheet.Range(write.cell).setValue(write.value);
    if (plan.row1HeightPt)
        sheet.Range(QStringLiteral("A1")).setRowHeight(*plan.row1HeightPt);
    if (plan.columnAWidth)
        sheet.Range(QStringLiteral("A1")).setColumnWidth(*plan.columnAWidth);
}

CurrentLetter currentLetter()
{
    CurrentLetter letter;
    letter.ItemId = ItemId;
    letter.ItemNumber = ItemNumber;
    letter.ItemDate = ItemDate;
    letter.ItemRecipient = ItemRecipient;
    letter.ItemAddress = ItemAddress;
    letter.ItemNotes = ItemNotes;
    letter.ItemType = ItemType;
    letter.ItemBarcode = ItemBarcode;
    letter.ItemCreator = ItemCreator;
    letter.ItemFlag = ItemFlag;
    return letter;
}

} // namespace

PrntForm::PrntForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PrntForm"));
    setWindowTitle(QStringLiteral("Печать"));
    buildControls();
    wireHandlers();
    Form_Load();
}

void PrntForm::buildControls()
{
    bg = new QLabel(this);
    bg->setObjectName(QStringLiteral("bg"));
    bg->setPixmap(QPixmap(QStringLiteral(":/lettrix/bg.png")));
    bg->setScaledContents(true);

    Label1[0] = named<QLabel>(QStringLiteral("Label1_0"), QStringLiteral("лицевая сторона"), this);
    Label1[1] = named<QLabel>(QStringLiteral("Label1_1"), QStringLiteral("Уведомление о вручении"), this);
    Label1[2] = named<QLabel>(QStringLiteral("Label1_2"), QStringLiteral("Конверт"), this);
    Label1[3] = named<QLabel>(QStringLiteral("Label1_3"), QStringLiteral("оборотная сторона"), this);
    for (QLabel *heading : {Label1[1], Label1[2]}) {
        QFont font = heading->font();
        font.setBold(true);
        heading->setFont(font);
    }

    // Editable, as the clerk may type a layout's name; a name that is no
    // file is reported when printing.
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setMinimumWidth(240);
    XpB2 = named<XpB>(QStringLiteral("XpB2"), QStringLiteral("Печатать конверт"), this);
    XpB2->setMinimumHeight(32);

    const QSize pictureSize(48, 64);
    ulic[0] = named<XpB>(QStringLiteral("ulic_0"), QString(), this);
    ulic[0]->setIcon(notificationPicture(true, 0));
    ulic[0]->setIconSize(pictureSize);
    for (int i = 0; i < 4; ++i) {
        uob[i] = named<XpB>(QStringLiteral("uob_%1").arg(i), QString(), this);
        uob[i]->setIcon(notificationPicture(false, i));
        uob[i]->setIconSize(pictureSize);
    }

    Check1 = new Check(this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Label2 = named<QLabel>(QStringLiteral("Label2"), QStringLiteral("открыть в Excel для редактирования"), this);
    Label2->setBuddy(Check1);
    XpB1 = named<XpB>(QStringLiteral("XpB1"), QStringLiteral("Закрыть"), this);
    XpB1->setMinimumWidth(110);

    // --- layout ---
    auto *envelope = new QVBoxLayout;
    envelope->addWidget(Label1[2]);
    envelope->addWidget(Combo1);
    envelope->addWidget(XpB2);
    envelope->addStretch(1);

    auto *front = new QVBoxLayout;
    front->addWidget(Label1[0], 0, Qt::AlignHCenter);
    front->addWidget(ulic[0], 0, Qt::AlignHCenter);
    front->addStretch(1);

    // Upper row: 2 and 3; lower row: 0 and 1.
    auto *backButtons = new QGridLayout;
    backButtons->addWidget(uob[2], 0, 0);
    backButtons->addWidget(uob[3], 0, 1);
    backButtons->addWidget(uob[0], 1, 0);
    backButtons->addWidget(uob[1], 1, 1);
    auto *back = new QVBoxLayout;
    back->addWidget(Label1[3], 0, Qt::AlignHCenter);
    back->addLayout(backButtons);

    auto *notificationSides = new QHBoxLayout;
    notificationSides->addLayout(front);
    notificationSides->addSpacing(12);
    notificationSides->addLayout(back);
    auto *notification = new QVBoxLayout;
    notification->addWidget(Label1[1], 0, Qt::AlignHCenter);
    notification->addLayout(notificationSides);

    auto *groups = new QHBoxLayout;
    groups->addLayout(envelope, 1);
    groups->addSpacing(24);
    groups->addLayout(notification);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(Check1);
    bottom->addWidget(Label2);
    bottom->addStretch(1);
    bottom->addWidget(XpB1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addLayout(groups);
    layout->addSpacing(8);
    layout->addLayout(bottom);
}

void PrntForm::wireHandlers()
{
    connect(XpB2, &XpB::Click, this, &PrntForm::XpB2_Click);
    connect(ulic[0], &XpB::Click, this, &PrntForm::ulic_Click);
    for (int i = 0; i < 4; ++i)
        connect(uob[i], &XpB::Click, this, [this, i] { uob_Click(qint16(i)); });
    connect(XpB1, &XpB::Click, this, &PrntForm::XpB1_Click);
}

void PrntForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    bg->setGeometry(rect());
}

void PrntForm::Form_Load()
{
    if (parentWidget())
        setWindowIcon(parentWidget()->window()->windowIcon());
    bg->setGeometry(rect());
    bg->lower();

    TemplatesFolder = ProgramFolder() + QStringLiteral("/templates/");

    // Sorted by name so that the first layout offered is always the same,
    // whatever order the file system keeps the files in.
    const QStringList names =
        QDir(TemplatesFolder).entryList({kEnvelopePattern}, QDir::Files, QDir::Name);
    Combo1->clear();
    for (const QString &name : names) {
        if (!name.isEmpty())
            Combo1->addItem(name);
    }
    if (Combo1->count() > 0)
        Combo1->setCurrentIndex(0);
}

void PrntForm::XpB2_Click()
{
    PrintEnvelope(TemplatesFolder + Combo1->currentText());
}

void PrntForm::ulic_Click()
{
    // Printed straight from the template; but a workbook left to the clerk
    // is a working copy, so that saving it never changes the template.
    PrintFrame(ProgramFolder() + QStringLiteral("/templates/") + kNotificationFront,
               Check1->Value(), [](ExcelWorksheet &) {});
}

void PrntForm::uob_Click(qint16 index)
{
    const CurrentLetter letter = currentLetter();
    const SheetPlan plan =
        NotificationBackPlan(letter, index, Regional::DateTimeToText(letter.ItemDate));
    PrintFrame(ProgramFolder() + QStringLiteral("/templates/") + kNotificationBack, true,
               [&plan](ExcelWorksheet &sheet) { applyPlan(plan, sheet); });
}

void PrntForm::XpB1_Click()
{
    close();
}

void PrntForm::PrintEnvelope(const QString &templatePath)
{
    if (Combo1->currentText().trimmed().isEmpty()) {
        MsgBox(QStringLiteral("Не выбран шаблон конверта: в папке \"%1\" нет файлов \"%2\".")
                   .arg(QDir::toNativeSeparators(TemplatesFolder), kEnvelopePattern),
               vbCritical, kErrorTitle);
        return;
    }
    // The check digit comes from the barcode layer, which also draws the bars;
    // its complaint about a code it cannot take is the one the clerk sees.
    QString checkDigitError;
    const SheetPlan plan = EnvelopePlan(currentLetter(), [&checkDigitError](const QString &code) {
        return Get_Check_num(code, &checkDigitError);
    });
    PrintFrame(templatePath, true, [&plan, &checkDigitError](ExcelWorksheet &sheet) {
        if (!checkDigitError.isEmpty())
            throw PrintAbandoned{checkDigitError};
        applyPlan(plan, sheet);
    });
}

bool PrntForm::PrintFrame(const QString &templatePath, bool useWorkingCopy,
                          const std::function<void(ExcelWorksheet &)> &fill)
{
    const bool forEditing = Check1->Value();
    std::unique_ptr<ExcelApplication> excel;
    QString failure;
    try {
        // Checked here rather than left to Open so that the clerk is told
        // which template is missing, not only that a file could not be read.
        const QFileInfo file(templatePath);
        if (!file.isFile())
            throw PrintAbandoned{QStringLiteral("Не найден шаблон \"%1\".")
                                     .arg(QDir::toNativeSeparators(templatePath))};

        excel = std::make_unique<ExcelApplication>();
        ExcelWorkbook book = excel->Workbooks().Open(templatePath);
        if (useWorkingCopy) {
            Randomize();
            book.SaveAs(WorkingCopyName(TempFolder()));
        }
        ExcelWorksheet sheet = book.Worksheets(1);
        excel->setVisible(forEditing);
        fill(sheet);
        if (!forEditing) {
            book.PrintOut();
            excel->setDisplayAlerts(false);
            excel->Quit();
        } else {
            // The clerk now owns the workbook; we keep no hold on it.
            excel->Release();
        }
        return true;
    } catch (const SpreadsheetError &e) {
        failure = e.message();
    } catch (const PrintAbandoned &e) {
        failure = e.message;
    }

    // Nothing of a failed print may be printed later or shown half-filled.
    if (excel) {
        try {
            excel->setDisplayAlerts(false);
            excel->Quit();
        } catch (const SpreadsheetError &) {
            // The office already failed once; the first cause is the one to tell.
        }
    }
    MsgBox(failure, vbCritical, kErrorTitle);
    return false;
}
