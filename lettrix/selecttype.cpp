#include "selecttype.h"

#include "currentletter.h"
#include "prntform.h"

#include "xpb.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {

struct Kind
{
    const char *caption;
    qint32 type;
    qint32 flag;
};

const Kind kKinds[3] = {
    {"Простое письмо без уведомления", 1, 0},
    {"Заказное письмо без уведомления", 2, 0},
    {"Заказное письмо с уведомлением", 2, 1},
};

} // namespace

SelectType::SelectType(QWidget *parent)
    : QDialog(parent)
    , bg(new QLabel(this))
{
    setObjectName(QStringLiteral("SelectType"));
    setWindowTitle(QStringLiteral("Выберите тип отправления"));
    bg->setObjectName(QStringLiteral("bg"));
    bg->setPixmap(QPixmap(QStringLiteral(":/lettrix/bg.png")));
    bg->setScaledContents(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(10);
    for (int i = 0; i < 3; ++i) {
        SelButton[i] = new XpB(QString::fromUtf8(kKinds[i].caption), this);
        SelButton[i]->setObjectName(QStringLiteral("SelButton_%1").arg(i));
        SelButton[i]->setMinimumSize(300, 40);
        layout->addWidget(SelButton[i]);
        connect(SelButton[i], &XpB::Click, this, [this, i] { SelButton_Click(i); });
    }
    Form_Load();
}

void SelectType::Form_Load()
{
    if (parentWidget())
        setWindowIcon(parentWidget()->windowIcon());
    bg->setGeometry(0, 0, width(), height());
    bg->lower();
}

void SelectType::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    bg->setGeometry(0, 0, width(), height());
}

void SelectType::SelButton_Click(int index)
{
    ItemType = kKinds[index].type;
    ItemFlag = kKinds[index].flag;
    m_chosen = true;
    // The dialog goes first; the printing window then stands in its place.
    hide();
    PrntForm printing(parentWidget());
    printing.exec();
    accept();
}
