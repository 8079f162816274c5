#pragma once

// An Excel A1-style reference as callers write it: a cell ("AH3", "$B$13"),
// a block ("A1:B2"), whole rows ("9:9", "9:12") or whole columns ("A:C").
// Letters may be lower case; "$" marks are accepted and ignored. Pure value,
// no office involved.

#include <QString>

class CellReference
{
public:
    enum Kind { Cells, Rows, Columns };

    // Throws SpreadsheetError naming the text when it is no reference.
    static CellReference parse(const QString &text);
    // Zero-based column and row.
    static CellReference cell(int column, int row);

    Kind kind() const { return m_kind; }
    // Zero-based; for whole rows the columns run from 0 to the sheet's end
    // (right() is -1), for whole columns the rows do (bottom() is -1).
    int left() const { return m_left; }
    int top() const { return m_top; }
    int right() const { return m_right; }
    int bottom() const { return m_bottom; }
    int rowCount() const;
    int columnCount() const;

    CellReference entireRows() const;
    CellReference entireColumns() const;
    // The reference as Excel's Address gives it: "$AH$3", "$A$1:$B$2",
    // "$9:$9", "$A:$C".
    QString address() const;

    // "A" for 0, "Z" for 25, "AA" for 26.
    static QString columnName(int column);

    // Excel's own limits; the office may hold fewer columns and says so itself.
    static constexpr int MaxColumns = 16384;
    static constexpr int MaxRows = 1048576;

private:
    Kind m_kind = Cells;
    int m_left = 0;
    int m_top = 0;
    int m_right = 0;
    int m_bottom = 0;
};
