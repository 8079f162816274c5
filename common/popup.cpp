#include "popup.h"

#include <QWidget>

void ShowPopUpUnder(QWidget *popup, QWidget *field)
{
    QWidget *window = popup->parentWidget();
    QPoint pos = field->mapTo(window, QPoint(0, field->height()));
    if (pos.y() + popup->height() > window->height())
        pos.setY(field->mapTo(window, QPoint(0, 0)).y() - popup->height());
    pos.setX(qBound(0, pos.x(), qMax(0, window->width() - popup->width())));
    pos.setY(qMax(0, pos.y()));
    popup->move(pos);
    popup->raise();
    popup->show();
    popup->setFocus();
}
