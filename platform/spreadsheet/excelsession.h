#pragma once

// What one ExcelApplication has open, shared with the workbook, sheet and
// range handles it gave out so they can outlive it safely (they then report
// a closed workbook). Every step of every handle runs through run(), which
// turns the module's failures into SpreadsheetError and remembers that the
// action failed: a failed application never shows its half-filled
// workbooks to the clerk.

#include "calcbackend.h"
#include "calcoffice.h"
#include "cellreference.h"
#include "spreadsheeterror.h"

#include <QString>
#include <QVector>

#include <exception>
#include <memory>
#include <utility>

struct ExcelDocument
{
    int id = 0;
    int generation = 0;
    bool open = true;
    // The file opened; for a copy it stays untouched.
    QString openedPath;
    // The file the workbook is now bound to: the working copy after SaveAs,
    // the file itself when opened for editing, empty for an untitled copy.
    QString boundPath;
    // Where Select() left the cursor; Paste() puts pictures there.
    int selectedSheet = 0;
    CellReference selection = CellReference::cell(0, 0);
    int digitWidthTwips = 0; // of the default font, measured on first need
};

class ExcelSession
{
public:
    bool visible = false;
    bool displayAlerts = true;
    bool quit = false;
    bool failed = false;
    bool released = false;
    QVector<std::shared_ptr<ExcelDocument>> documents;

    // Runs step(backend) for an open document of this session.
    template <typename F>
    auto run(const std::shared_ptr<ExcelDocument> &doc, F &&step) -> decltype(step(std::declval<CalcBackend &>()));
    // Runs a step that needs no document (opening one).
    template <typename F>
    auto run(F &&step) -> decltype(step());

    // Closes every open document, discarding changes; never throws.
    void closeAll();
    // Saves what must be saved, closes the documents here and opens their
    // files in the clerk's office. Throws SpreadsheetError.
    void handOver();

    [[noreturn]] void fail(const QString &message);

    // The office's export filter for a file name: .xls → "MS Excel 97".
    static QString filterFor(const QString &path);
    // The office's import filter for a file name, or empty for a name that
    // is no workbook we read.
    static QString importFilterFor(const QString &path);
    // Handles made by default construction have no session; their steps run
    // in this one, which only reports that no workbook is open.
    static std::shared_ptr<ExcelSession> orNone(const std::shared_ptr<ExcelSession> &session);

private:
    void requireOpen(const std::shared_ptr<ExcelDocument> &doc);
};

template <typename F>
auto ExcelSession::run(F &&step) -> decltype(step())
{
    try {
        return step();
    } catch (const SpreadsheetError &) {
        failed = true;
        CalcOffice::instance().noteFailure();
        throw;
    } catch (const std::exception &e) {
        failed = true;
        CalcOffice::instance().noteFailure();
        throw SpreadsheetError(QString::fromUtf8(e.what()));
    }
}

template <typename F>
auto ExcelSession::run(const std::shared_ptr<ExcelDocument> &doc, F &&step)
    -> decltype(step(std::declval<CalcBackend &>()))
{
    return run([&]() -> decltype(step(std::declval<CalcBackend &>())) {
        requireOpen(doc);
        CalcBackend *backend = CalcOffice::instance().runningBackend();
        if (!backend || CalcOffice::instance().generation() != doc->generation) {
            doc->open = false;
            throw SpreadsheetError(
                QStringLiteral("Связь с LibreOffice Calc прервана: книга «%1» закрыта.")
                    .arg(doc->openedPath));
        }
        return step(*backend);
    });
}
