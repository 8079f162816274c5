#pragma once

// A picture on a sheet, as Excel's Shapes list gives it: where it is
// anchored and how large it is. A snapshot taken by ExcelWorksheet::Shapes().

#include "excelrange.h"

#include <memory>

class ExcelShape
{
public:
    // The cell the picture is anchored to; throws SpreadsheetError for a
    // picture anchored to the page.
    ExcelRange TopLeftCell() const;
    bool isAnchoredToCell() const { return m_column >= 0 && m_row >= 0; }
    // In points.
    double Width() const { return m_width; }
    double Height() const { return m_height; }

private:
    friend class ExcelWorksheet;
    ExcelShape(std::shared_ptr<ExcelSession> session, std::shared_ptr<ExcelDocument> doc,
               int sheet, int column, int row, double width, double height);

    std::shared_ptr<ExcelSession> m_session;
    std::shared_ptr<ExcelDocument> m_doc;
    int m_sheet = 0;
    int m_column = -1;
    int m_row = -1;
    double m_width = 0;
    double m_height = 0;
};
