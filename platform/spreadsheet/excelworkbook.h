#pragma once

// One open workbook of an ExcelApplication. A handle, cheap to copy; a
// default-constructed one refers to no workbook. Every step throws
// SpreadsheetError.

#include "excelworksheet.h"

#include <QString>

#include <memory>

class ExcelSession;
struct ExcelDocument;

class ExcelWorkbook
{
public:
    ExcelWorkbook() = default;

    // Writes the workbook to path (".xls" as "MS Excel 97") and keeps
    // working on it under that name: later changes go to the new file only
    // when saved, the file it came from is left as it was. Overwrites an
    // existing file unless another office has it open.
    void SaveAs(const QString &path);
    // Writes to the file the workbook is bound to (after SaveAs, or when
    // opened for editing).
    void Save();
    // True while nothing changed since opening or the last save.
    bool Saved() const;
    // 1-based.
    ExcelWorksheet Worksheets(int index) const;
    int WorksheetCount() const;
    // Prints every sheet on the default printer and returns once the job is
    // spooled; a printer that is missing or refuses the job is an error.
    // With a print-to-PDF folder set (CalcOffice), writes a new PDF there.
    void PrintOut();
    // Closes without saving.
    void Close();
    // The file the workbook is bound to, else the one it was opened from.
    QString FullName() const;
    QString Name() const;

private:
    friend class ExcelWorkbooks;
    ExcelWorkbook(std::shared_ptr<ExcelSession> session, std::shared_ptr<ExcelDocument> doc);

    std::shared_ptr<ExcelSession> m_session;
    std::shared_ptr<ExcelDocument> m_doc;
};
