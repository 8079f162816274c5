#include "excelshape.h"

#include "excelsession.h"

ExcelShape::ExcelShape(std::shared_ptr<ExcelSession> session, std::shared_ptr<ExcelDocument> doc,
                       int sheet, int column, int row, double width, double height)
    : m_session(std::move(session))
    , m_doc(std::move(doc))
    , m_sheet(sheet)
    , m_column(column)
    , m_row(row)
    , m_width(width)
    , m_height(height)
{
}

ExcelRange ExcelShape::TopLeftCell() const
{
    if (!isAnchoredToCell())
        throw SpreadsheetError(QStringLiteral("Рисунок не привязан к ячейке."));
    return ExcelRange(m_session, m_doc, m_sheet, CellReference::cell(m_column, m_row));
}
