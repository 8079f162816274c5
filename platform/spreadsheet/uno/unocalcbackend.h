#pragma once

// CalcBackend over a LibreOffice process reached through a UNO pipe. Lives
// only inside the run-time loaded module, so UNO headers stop here. Owns the
// remote references to the documents it loaded; the office process itself
// belongs to whoever started it.

#include "calcbackend.h"

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XFormulaParser.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <map>

class UnoCalcBackend final : public CalcBackend
{
public:
    UnoCalcBackend();
    ~UnoCalcBackend() override;

    bool tryConnect(const QString &pipeName) override;
    void disconnect() override;
    void terminateOffice() override;

    int loadDocument(const QString &path, bool asCopy, const QString &filterName) override;
    void closeDocument(int doc) override;
    void storeDocumentAs(int doc, const QString &path, const QString &filterName) override;
    void storeDocument(int doc) override;
    bool isModified(int doc) override;
    int sheetCount(int doc) override;
    QString sheetName(int doc, int sheet) override;

    void setText(int doc, const CalcRect &cells, const QString &text) override;
    void setNumber(int doc, const CalcRect &cells, double value) override;
    void clearContents(int doc, const CalcRect &cells) override;
    void setFormula(int doc, const CalcRect &cells, const QString &formula) override;
    QString formula(int doc, int sheet, int column, int row) override;
    CalcCell cell(int doc, int sheet, int column, int row) override;

    void setRowHeight(int doc, const CalcRect &rows, int hmm) override;
    int rowHeight(int doc, int sheet, int row) override;
    void setColumnWidth(int doc, const CalcRect &columns, int hmm) override;
    int columnWidth(int doc, int sheet, int column) override;
    CalcFont defaultFont(int doc) override;

    void insertRows(int doc, int sheet, int row, int count) override;
    void insertColumns(int doc, int sheet, int column, int count) override;
    void insertCellsDown(int doc, const CalcRect &cells) override;

    void insertPicture(int doc, int sheet, int column, int row, const QByteArray &png,
                       const QSize &sizeHmm) override;
    QVector<CalcPicture> pictures(int doc, int sheet) override;

    void print(int doc, const QString &pdfPath) override;

    void insertRowsFormattedFromBelow(int doc, int sheet, int row, int count) override;
    void setValues(int doc, const CalcRect &cells, const QVector<CalcCell> &values) override;

private:
    struct Document
    {
        com::sun::star::uno::Reference<com::sun::star::lang::XComponent> component;
        com::sun::star::uno::Reference<com::sun::star::sheet::XFormulaParser> parser;
    };

    Document &document(int doc);
    com::sun::star::uno::Reference<com::sun::star::sheet::XSpreadsheet> sheet(int doc, int index);
    com::sun::star::uno::Reference<com::sun::star::table::XCellRange> range(int doc,
                                                                            const CalcRect &cells);
    com::sun::star::uno::Reference<com::sun::star::sheet::XFormulaParser> parser(int doc);
    void requireConnection() const;

    com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> m_local;
    com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> m_remote;
    com::sun::star::uno::Reference<com::sun::star::frame::XDesktop2> m_desktop;
    std::map<int, Document> m_documents;
    int m_nextDocument = 1;
};
