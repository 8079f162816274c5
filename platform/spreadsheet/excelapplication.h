#pragma once

// A new instance of the spreadsheet application, as the printing window and
// the register builder use Excel's: open a workbook, save it as a working
// copy, fill it, then either print it and Quit, or make it Visible and let
// go of it for the clerk to edit.
//
// Creating one is cheap: all instances of a program share one office
// process (see CalcOffice), but each keeps its own workbooks, and Quit
// closes only those, without asking about unsaved changes.
//
// Letting go (destruction or Release() without Quit): when Visible, the
// workbooks are handed to the clerk's desktop office, which stays after our
// program ends (a changed working copy is saved first so the clerk sees the
// filling); when not visible they are closed and their changes discarded.
// An instance on which any step failed, or that is destroyed while an
// exception unwinds, never shows its half-filled workbooks: it discards them.
// Release() reports a failing hand-over by throwing; the destructor can only
// show it in a critical "Ошибка" box (or log it without a QApplication).
//
// Every step throws SpreadsheetError.

#include "excelworkbooks.h"

#include <memory>

class ExcelSession;

class ExcelApplication
{
public:
    ExcelApplication();
    ~ExcelApplication();

    ExcelApplication(const ExcelApplication &) = delete;
    ExcelApplication &operator=(const ExcelApplication &) = delete;

    ExcelWorkbooks Workbooks();

    bool Visible() const;
    void setVisible(bool visible);
    // Kept for the callers' sake: nothing here ever asks the clerk, so Quit
    // and SaveAs behave as with alerts off whatever this says.
    bool DisplayAlerts() const;
    void setDisplayAlerts(bool displayAlerts);

    // Closes this instance's workbooks, discarding their changes.
    void Quit();
    // Lets go of the workbooks now, as described above.
    void Release();

private:
    std::shared_ptr<ExcelSession> m_session;
    int m_uncaughtAtStart;
};
