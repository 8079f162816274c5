#pragma once

#include <QString>

class QHeaderView;
class QListWidget;

// Column headers for list boxes whose lines are tab-separated. The header is
// created as a child of the list's parent, above the list; from then on each
// tab-separated field of a line is drawn from the left edge of its column
// and cut at its right edge; only the first field is never cut, and pushes the
// next one on when it runs past its column. A line that carries a check box (a check state and Qt::ItemIsUserCheckable)
// has it under the first column, where a mouse release or Space toggles it,
// and its fields under the columns that follow.

// Creates the header at (x, y) with the given size, in pixels of the parent's
// client area. The parent owns the header. style is accepted for the callers'
// sake and not used.
QHeaderView *CreateListHeader(QListWidget *hList, int x, int y, int width, int height, int style);

// Appends a column of the given width in pixels at position index. mask,
// format and bitmap are accepted for the callers' sake and not used.
void AddHeaderColumn(QHeaderView *hHeader, int index, int width, int mask, int format,
                     const QString &text, void *bitmap = nullptr);
