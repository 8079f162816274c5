#pragma once

// Cells of a sheet addressed the way Excel's Range is. A handle, cheap to
// copy. Reading gives the top-left cell's value; writing fills every cell.
// Every step throws SpreadsheetError.

#include "cellreference.h"

#include <QString>
#include <QVariant>

#include <memory>

class CalcBackend;
class ExcelSession;
struct ExcelDocument;

class ExcelRange
{
public:
    ExcelRange() = default;

    // A QString is stored as text exactly as given ("00123" keeps its
    // zeros, "=1+2" stays text); integers and floating-point numbers as
    // numbers; a null QVariant clears the cells. Other types are refused.
    // Reading gives QString, double, or an invalid QVariant for an empty
    // cell; a formula gives its result, an error result "Err:<code>".
    QVariant Value() const;
    void setValue(const QVariant &value);
    // Many cells in one step, as Excel's Value takes an array: rows[i][j]
    // goes into the range's i-th row and j-th column, typed as setValue
    // does. The rows must match the range's size exactly.
    void setValues(const QList<QVariantList> &rows);

    // Excel's English syntax: "=SUM(G9:G12)", "," between arguments.
    // Relative references shift across a range as in Excel.
    QString Formula() const;
    void setFormula(const QString &formula);

    // In points, 0 to 409; applies to every row of the range.
    double RowHeight() const;
    void setRowHeight(double points);
    // In Excel's character unit (see ExcelUnits), 0 to 255; applies to
    // every column of the range.
    double ColumnWidth() const;
    void setColumnWidth(double characters);

    void Select();
    ExcelRange EntireRow() const;
    ExcelRange EntireColumn() const;
    // Inserts as many rows (for whole rows), columns (for whole columns) or
    // cells shifted down (otherwise) as the range spans, at its place;
    // what was there moves down or right.
    void Insert();
    // Where inserted cells take their look from, as Excel's CopyOrigin.
    enum XlInsertFormatOrigin { xlFormatFromLeftOrAbove = 0, xlFormatFromRightOrBelow = 1 };
    // Insert() as above. With xlFormatFromRightOrBelow the inserted whole
    // rows look like the row they push down (formats, borders, merges,
    // height) instead of the row above; only whole rows take that origin.
    void Insert(XlInsertFormatOrigin copyOrigin);

    // "$AH$3", "$A$1:$B$2", "$9:$9".
    QString Address() const;
    // 1-based, of the top-left cell.
    int Row() const { return m_reference.top() + 1; }
    int Column() const { return m_reference.left() + 1; }

private:
    friend class ExcelWorksheet;
    friend class ExcelShape;
    ExcelRange(std::shared_ptr<ExcelSession> session, std::shared_ptr<ExcelDocument> doc,
               int sheet, const CellReference &reference);
    int digitWidth(CalcBackend &backend) const;

    std::shared_ptr<ExcelSession> m_session;
    std::shared_ptr<ExcelDocument> m_doc;
    int m_sheet = 0;
    CellReference m_reference = CellReference::cell(0, 0);
};
