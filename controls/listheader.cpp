#include "listheader.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

namespace {

bool hasCheckBox(const QModelIndex &index)
{
    return (index.flags() & Qt::ItemIsUserCheckable) && index.data(Qt::CheckStateRole).isValid();
}

// Draws each tab-separated field of a list line from the left edge of its
// header column, which is what tab stops taken from the header give. A line's
// check box stands under the first column.
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
        // The style would draw the check box at the line's left edge; it is
        // drawn under its column instead.
        opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
        QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

        const bool checkable = hasCheckBox(index);
        if (checkable) {
            QStyleOptionViewItem box = opt;
            box.rect = checkRect(option);
            box.state &= ~QStyle::State_HasFocus;
            switch (opt.checkState) {
            case Qt::Unchecked:
                box.state |= QStyle::State_Off;
                break;
            case Qt::PartiallyChecked:
                box.state |= QStyle::State_NoChange;
                break;
            case Qt::Checked:
                box.state |= QStyle::State_On;
                break;
            }
            style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, opt.widget);
        }

        const QStringList fields = line.split(QLatin1Char('\t'));
        const int columns = m_header ? m_header->count() : 0;
        const int first = checkable ? 1 : 0;
        painter->save();
        painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected
                                              ? QPalette::HighlightedText : QPalette::Text));
        const QFontMetrics metrics = painter->fontMetrics();
        int previousEnd = 0;
        for (int i = 0; i < fields.size(); ++i) {
            const int column = i + first;
            int left = 2;
            int right = opt.rect.width();
            if (column < columns) {
                left = m_header->sectionPosition(column) + 2;
                if (column + 1 < columns)
                    right = m_header->sectionPosition(column + 1) - 2;
            } else if (columns > 0) {
                left = m_header->sectionPosition(columns - 1) + m_header->sectionSize(columns - 1) + 2;
            }
            // The first field is the line's key (the outgoing number in the
            // lists of letters) and is never cut: when it runs past its
            // column, the next field starts after it.
            QString text = fields.at(i);
            if (i > 0) {
                left = qMax(left, previousEnd + 4);
                text = metrics.elidedText(text, Qt::ElideRight, qMax(0, right - left));
            }
            const int width = i > 0 ? qMax(0, right - left) : metrics.horizontalAdvance(text);
            painter->drawText(QRect(opt.rect.left() + left, opt.rect.top(), width, opt.rect.height()),
                              Qt::AlignLeft | Qt::AlignVCenter, text);
            previousEnd = left + metrics.horizontalAdvance(text);
        }
        painter->restore();
    }

    // The check box toggles where it is drawn: a left release over it or
    // Space on the current line. A press is left to the list, so the line
    // pressed becomes the current one.
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override
    {
        if (!hasCheckBox(index))
            return QStyledItemDelegate::editorEvent(event, model, option, index);
        if (!(index.flags() & Qt::ItemIsEnabled))
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() != Qt::LeftButton || !checkRect(option).contains(mouse->position().toPoint()))
                return false;
            // The release that ends a double click toggles again.
            if (event->type() == QEvent::MouseButtonDblClick)
                return true;
            break;
        }
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key != Qt::Key_Space && key != Qt::Key_Select)
                return false;
            break;
        }
        default:
            return false;
        }
        const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    }

private:
    // The check box, centred in the first column of the line.
    QRect checkRect(const QStyleOptionViewItem &option) const
    {
        const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
        const int size = qMin(style->pixelMetric(QStyle::PM_IndicatorWidth, &option, option.widget),
                              option.rect.height());
        int left = 0;
        int width = 20;
        if (m_header && m_header->count() > 0) {
            left = m_header->sectionPosition(0);
            width = m_header->sectionSize(0);
        }
        return QRect(option.rect.left() + left + qMax(0, (width - size) / 2),
                     option.rect.top() + (option.rect.height() - size) / 2, size, size);
    }

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
    // Columns narrower than a heading's text are common ("*" over check boxes).
    header->setMinimumSectionSize(0);
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
