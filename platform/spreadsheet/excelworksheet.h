#pragma once

// One sheet of an open workbook. A handle, cheap to copy. Every step throws
// SpreadsheetError.

#include "excelrange.h"
#include "excelshape.h"

#include <QList>
#include <QString>

#include <memory>

class ExcelSession;
struct ExcelDocument;

class ExcelWorksheet
{
public:
    ExcelWorksheet() = default;

    // "AH3", "A1:B2", "9:9", "A:C"; see CellReference.
    ExcelRange Range(const QString &reference) const;
    // "9:9", "9:12" or a single row number "9".
    ExcelRange Rows(const QString &rows) const;
    // 1-based.
    ExcelRange Rows(int row) const;
    // 1-based row and column.
    ExcelRange Cells(int row, int column) const;

    // Puts the clipboard's picture at the cell last selected on this sheet
    // (Range::Select), anchored to it; A1 when nothing was selected here.
    void Paste();
    QList<ExcelShape> Shapes() const;

    QString Name() const;
    // 1-based position in the workbook.
    int Index() const { return m_sheet + 1; }

private:
    friend class ExcelWorkbook;
    friend class ExcelRange;
    friend class ExcelShape;
    ExcelWorksheet(std::shared_ptr<ExcelSession> session, std::shared_ptr<ExcelDocument> doc,
                   int sheet);
    ExcelRange rangeOf(const CellReference &reference) const;

    std::shared_ptr<ExcelSession> m_session;
    std::shared_ptr<ExcelDocument> m_doc;
    int m_sheet = 0;
};
