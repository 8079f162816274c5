#pragma once

// The seam between the spreadsheet layer and the office. The module
// libcourtmail_calc.so, loaded at run time, implements this interface with
// UNO; everything above it sees only Qt and std types, so a machine without
// LibreOffice still runs our programs and fails only when a workbook is used.
//
// Conventions shared by both sides:
// - documents are numbered by the backend; a number is never reused;
// - sheets, rows and columns count from 0;
// - a rectangle's right or bottom of -1 means "to the sheet's last column/row";
// - lengths are in 1/100 mm, the office's own unit;
// - every failure throws std::runtime_error whose what() is a readable
//   Russian text in UTF-8; callers wrap it into their own error type.
// All calls come from one thread.

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QVector>

struct CalcRect
{
    int sheet = 0;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct CalcCell
{
    enum Kind { Empty, Number, Text, Error };
    Kind kind = Empty;
    double number = 0;
    QString text;
    bool isFormula = false;
};

struct CalcFont
{
    QString family;
    double pointSize = 10;
};

struct CalcPicture
{
    // Cell the picture is anchored to; -1 when it floats on the page.
    int column = -1;
    int row = -1;
    QSize sizeHmm;
};

class CalcBackend
{
public:
    virtual ~CalcBackend() = default;

    // Attaches to an office that accepts on the named pipe. Returns false
    // while nobody listens there yet, so the caller can keep polling.
    virtual bool tryConnect(const QString &pipeName) = 0;
    // Forgets the connection without talking to the office (it is gone).
    virtual void disconnect() = 0;
    // Closes every document and asks the office to end; never throws.
    virtual void terminateOffice() = 0;

    // asCopy: the document starts untitled from the file's content, so the
    // file itself is neither locked nor changed by anything done to it.
    // filterName: the import filter the file must be read with ("MS Excel 97"
    // for .xls); a file that filter cannot read is refused, never guessed at.
    virtual int loadDocument(const QString &path, bool asCopy, const QString &filterName) = 0;
    // Discards unsaved changes, never asks; closing an unknown number is a no-op.
    virtual void closeDocument(int doc) = 0;
    // Writes the document under a new name ("MS Excel 97" for .xls); the
    // document stays open under that name.
    virtual void storeDocumentAs(int doc, const QString &path, const QString &filterName) = 0;
    virtual void storeDocument(int doc) = 0;
    virtual bool isModified(int doc) = 0;
    virtual int sheetCount(int doc) = 0;
    virtual QString sheetName(int doc, int sheet) = 0;

    virtual void setText(int doc, const CalcRect &cells, const QString &text) = 0;
    virtual void setNumber(int doc, const CalcRect &cells, double value) = 0;
    virtual void clearContents(int doc, const CalcRect &cells) = 0;
    // formula in Excel's English A1 syntax, "," between arguments.
    virtual void setFormula(int doc, const CalcRect &cells, const QString &formula) = 0;
    virtual QString formula(int doc, int sheet, int column, int row) = 0;
    virtual CalcCell cell(int doc, int sheet, int column, int row) = 0;

    virtual void setRowHeight(int doc, const CalcRect &rows, int hmm) = 0;
    virtual int rowHeight(int doc, int sheet, int row) = 0;
    virtual void setColumnWidth(int doc, const CalcRect &columns, int hmm) = 0;
    virtual int columnWidth(int doc, int sheet, int column) = 0;
    // Font of the workbook's default cell style, which Excel's column-width
    // unit is measured in.
    virtual CalcFont defaultFont(int doc) = 0;

    virtual void insertRows(int doc, int sheet, int row, int count) = 0;
    virtual void insertColumns(int doc, int sheet, int column, int count) = 0;
    // Shifts the cells below down by the rectangle's height.
    virtual void insertCellsDown(int doc, const CalcRect &cells) = 0;

    virtual void insertPicture(int doc, int sheet, int column, int row,
                               const QByteArray &png, const QSize &sizeHmm) = 0;
    virtual QVector<CalcPicture> pictures(int doc, int sheet) = 0;

    // Prints every sheet and waits until the job is spooled. pdfPath empty:
    // the default printer; otherwise the output goes into that PDF file.
    virtual void print(int doc, const QString &pdfPath) = 0;

    // Inserts count rows at row that take the look of the row they push
    // down: cell formats, borders, merges and height, never its contents.
    virtual void insertRowsFormattedFromBelow(int doc, int sheet, int row, int count) = 0;
    // Fills the rectangle in one step, row by row: values holds its width
    // times its height cells. Text is stored as given, never read as a
    // number or a date; Empty leaves the cell empty.
    virtual void setValues(int doc, const CalcRect &cells, const QVector<CalcCell> &values) = 0;
};

// The module's one exported symbol, an extern "C" function of this type;
// the caller owns the backend it returns.
using CalcBackendFactory = CalcBackend *(*)();
#define COURTMAIL_CALC_BACKEND_FACTORY "courtmail_create_calc_backend"
