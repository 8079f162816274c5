#include "listheader.h"

#include <QHeaderView>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

namespace {

// Draws each tab-separated field of a list line from the left edge of its
// header column, which is what tab stops taken from the header give.
class TabStopDelegate : public QStyledItemDelegate
{
public:
    TabStopDelegate(QHeaderView *header, QObject *parent)
        : QStyledItemDelegate(parent)
        , m_header(header)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString line = opt.text;
        opt.text.clear();
        opt.widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

        const QStringList fields = line.split(QLatin1Char('\t'));
        painter->save();
        painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected
                                              ? QPalette::HighlightedText : QPalette::Text));
        for (int i = 0; i < fields.size(); ++i) {
            int left = 2;
            int right = opt.rect.width();
            if (m_header && i < m_header->count()) {
                left = m_header->sectionPosition(i) + 2;
                if (i + 1 < m_header->count())
                    right = m_header->sectionPosition(i + 1) - 2;
            } else if (m_header && m_header->count() > 0) {
                left = m_header->sectionPosition(m_header->count() - 1)
                       + m_header->sectionSize(m_header->count() - 1) + 2;
            }
            QRect r(opt.rect.left() + left, opt.rect.top(), qMax(0, right - left), opt.rect.height());
            painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter,
                              painter->fontMetrics().elidedText(fields.at(i), Qt::ElideRight, r.width()));
        }
        painter->restore();
    }

private:
    QPointer<QHeaderView> m_header;
};

} // namespace

QHeaderView *CreateListHeader(QListWidget *hList, int x, int y, int width, int height, int)
{
    QWidget *parent = hList->parentWidget();
    auto *header = new QHeaderView(Qt::Horizontal, parent);
    auto *model = new QStandardItemModel(0, 0, header);
    header->setModel(model);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setGeometry(x, y, width, height);
    header->show();
    hList->setItemDelegate(new TabStopDelegate(header, hList));
    QObject::connect(header, &QHeaderView::sectionResized, hList->viewport(),
                     [hList] { hList->viewport()->update(); });
    return header;
}

void AddHeaderColumn(QHeaderView *hHeader, int index, int width, int, int,
                     const QString &text, void *)
{
    auto *model = qobject_cast<QStandardItemModel *>(hHeader->model());
    if (!model)
        return;
    index = qBound(0, index, model->columnCount());
    model->insertColumn(index);
    model->setHeaderData(index, Qt::Horizontal, text);
    hHeader->resizeSection(index, width);
}
