#pragma once

// The workbooks of one ExcelApplication. A handle: copies share the same
// application state and stay safe to use after the application is gone
// (every step then fails with SpreadsheetError).

#include "excelworkbook.h"

#include <QString>

#include <memory>

class ExcelSession;

class ExcelWorkbooks
{
public:
    enum OpenMode {
        // The workbook starts from the file's content; the file itself is
        // never locked or changed, even when the file is open elsewhere.
        // What printing from a template wants.
        OpenCopy,
        // The file itself, for editing and Save(); refused while another
        // office holds it (its ".~lock" file beside it).
        OpenForEditing,
    };

    // Reads the file with the filter of the format its name gives (".xls":
    // Excel 97) and nothing else; an empty, cut or damaged workbook is
    // refused before the office sees it (see WorkbookFileCheck).
    // Throws SpreadsheetError: a missing or locked file, a file that is no
    // workbook or not a whole one, an office that cannot be started.
    ExcelWorkbook Open(const QString &path, OpenMode mode = OpenCopy);
    int Count() const;
    // 1-based, in opening order.
    ExcelWorkbook Item(int index) const;

private:
    friend class ExcelApplication;
    explicit ExcelWorkbooks(std::shared_ptr<ExcelSession> session);

    std::shared_ptr<ExcelSession> m_session;
};
