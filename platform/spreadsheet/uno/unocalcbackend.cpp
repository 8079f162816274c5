#include "unocalcbackend.h"

#include "printjobwatcher.h"

#include <QUrl>

#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/graphic/XGraphicProvider.hpp>
#include <com/sun/star/io/SequenceInputStream.hpp>
#include <com/sun/star/io/XInputStream.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/AddressConvention.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/CellInsertMode.hpp>
#include <com/sun/star/sheet/FormulaLanguage.hpp>
#include <com/sun/star/sheet/FormulaMapGroup.hpp>
#include <com/sun/star/sheet/FormulaOpCodeMapEntry.hpp>
#include <com/sun/star/sheet/FormulaResult.hpp>
#include <com/sun/star/sheet/XCellAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeMovement.hpp>
#include <com/sun/star/sheet/XFormulaOpCodeMapper.hpp>
#include <com/sun/star/sheet/XFormulaTokens.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/CloseVetoException.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <com/sun/star/view/XPrintJobBroadcaster.hpp>
#include <com/sun/star/view/XPrintable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>
#include <rtl/ref.hxx>

#include <algorithm>
#include <stdexcept>

using namespace com::sun::star;
using com::sun::star::uno::Any;
using com::sun::star::uno::Reference;
using com::sun::star::uno::Sequence;
using com::sun::star::uno::UNO_QUERY;
using com::sun::star::uno::UNO_QUERY_THROW;

#ifndef COURTMAIL_OFFICE_PROGRAM_DIR
#define COURTMAIL_OFFICE_PROGRAM_DIR "/usr/lib/libreoffice/program"
#endif

namespace {

rtl::OUString toOU(const QString &s)
{
    return rtl::OUString(reinterpret_cast<const sal_Unicode *>(s.utf16()), s.size());
}

QString toQ(const rtl::OUString &s)
{
    return QString(reinterpret_cast<const QChar *>(s.getStr()), s.getLength());
}

rtl::OUString fileUrl(const QString &path)
{
    // Percent-encoded UTF-8 whatever the process locale is, so Cyrillic names
    // survive a C locale.
    return toOU(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
}

beans::PropertyValue property(const char *name, const Any &value)
{
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

// The office's own message ends in " at ./sfx2/source/....cxx:123", which
// says nothing to a clerk; keep the part before it.
QString detail(const uno::Exception &e)
{
    QString text = toQ(e.Message);
    const int at = text.indexOf(QLatin1String(" at ./"));
    if (at >= 0)
        text.truncate(at);
    return text.trimmed();
}

[[noreturn]] void fail(const QString &what)
{
    throw std::runtime_error(what.toStdString());
}

[[noreturn]] void fail(const QString &what, const uno::Exception &e)
{
    const QString why = detail(e);
    fail(why.isEmpty() ? what : QStringLiteral("%1\n(%2)").arg(what, why));
}

// Runs one step against the office and turns UNO's failures into ours.
template <typename F>
auto guarded(const QString &what, F &&step) -> decltype(step())
{
    try {
        return step();
    } catch (const lang::DisposedException &) {
        // The bridge died under the call: the office has ended or crashed.
        fail(QStringLiteral("%1\nСвязь с LibreOffice Calc прервана.").arg(what));
    } catch (const uno::Exception &e) {
        fail(what, e);
    }
}

} // namespace

UnoCalcBackend::UnoCalcBackend() = default;

UnoCalcBackend::~UnoCalcBackend()
{
    // Remote references must go before the bridge does; releasing them on a
    // dead bridge is harmless.
    m_documents.clear();
    m_desktop.clear();
    m_remote.clear();
}

bool UnoCalcBackend::tryConnect(const QString &pipeName)
{
    try {
        if (!m_local.is()) {
            // Without it Desktop::create crashes: the local URE cannot find
            // its own type and service registries.
            rtl::Bootstrap::set(rtl::OUString::createFromAscii("URE_BOOTSTRAP"),
                                rtl::OUString::createFromAscii(
                                    "file://" COURTMAIL_OFFICE_PROGRAM_DIR "/fundamentalrc"));
            m_local = cppu::defaultBootstrap_InitialComponentContext();
        }
        Reference<bridge::XUnoUrlResolver> resolver = bridge::UnoUrlResolver::create(m_local);
        Reference<uno::XInterface> context;
        try {
            context = resolver->resolve(rtl::OUString::createFromAscii("uno:pipe,name=")
                                        + toOU(pipeName)
                                        + rtl::OUString::createFromAscii(
                                            ";urp;StarOffice.ComponentContext"));
        } catch (const connection::NoConnectException &) {
            return false;
        }
        m_remote.set(context, UNO_QUERY_THROW);
        m_desktop = frame::Desktop::create(m_remote);
        return true;
    } catch (const uno::Exception &e) {
        fail(QStringLiteral("Не удалось подключиться к LibreOffice Calc."), e);
    }
}

void UnoCalcBackend::disconnect()
{
    m_documents.clear();
    m_desktop.clear();
    m_remote.clear();
}

void UnoCalcBackend::terminateOffice()
{
    std::vector<int> open;
    for (const auto &d : m_documents)
        open.push_back(d.first);
    for (int doc : open) {
        try {
            closeDocument(doc);
        } catch (const std::exception &) {
            // The office is going away anyway.
        }
    }
    m_documents.clear();
    Reference<frame::XDesktop2> desktop = m_desktop;
    m_desktop.clear();
    m_remote.clear();
    if (!desktop.is())
        return;
    try {
        desktop->terminate();
    } catch (const uno::Exception &) {
        // The bridge usually dies under the call; the caller waits for the process.
    }
}

void UnoCalcBackend::requireConnection() const
{
    if (!m_desktop.is())
        fail(QStringLiteral("Нет связи с LibreOffice Calc."));
}

UnoCalcBackend::Document &UnoCalcBackend::document(int doc)
{
    auto it = m_documents.find(doc);
    if (it == m_documents.end())
        fail(QStringLiteral("Книга уже закрыта."));
    return it->second;
}

int UnoCalcBackend::loadDocument(const QString &path, bool asCopy, const QString &filterName)
{
    requireConnection();
    const QString what = QStringLiteral("LibreOffice Calc не смог открыть файл «%1».").arg(path);
    return guarded(what, [&] {
        Sequence<beans::PropertyValue> args(6);
        beans::PropertyValue *a = args.getArray();
        a[0] = property("Hidden", Any(true));
        // AsTemplate gives an untitled copy: nothing locks or can overwrite
        // the file, and two loads of one file are two documents.
        a[1] = property("AsTemplate", Any(asCopy));
        a[2] = property("MacroExecutionMode", Any(document::MacroExecMode::NEVER_EXECUTE));
        a[3] = property("UpdateDocMode", Any(document::UpdateDocMode::NO_UPDATE));
        a[4] = property("ReadOnly", Any(false));
        a[5] = property("FilterName", Any(toOU(filterName)));
        Reference<frame::XComponentLoader> loader(m_desktop, UNO_QUERY_THROW);
        Reference<lang::XComponent> component = loader->loadComponentFromURL(
            fileUrl(path), rtl::OUString::createFromAscii("_blank"), 0, args);
        // The loader answers a file it cannot take with null, not an exception.
        if (!component.is())
            fail(what);
        Reference<lang::XServiceInfo> info(component, UNO_QUERY);
        if (!info.is()
            || !info->supportsService(
                rtl::OUString::createFromAscii("com.sun.star.sheet.SpreadsheetDocument"))) {
            Reference<util::XCloseable> closeable(component, UNO_QUERY);
            if (closeable.is())
                closeable->close(true);
            fail(QStringLiteral("Файл «%1» не является книгой электронной таблицы.").arg(path));
        }
        const int id = m_nextDocument++;
        m_documents[id].component = component;
        return id;
    });
}

void UnoCalcBackend::closeDocument(int doc)
{
    auto it = m_documents.find(doc);
    if (it == m_documents.end())
        return;
    Reference<lang::XComponent> component = it->second.component;
    m_documents.erase(it);
    guarded(QStringLiteral("Не удалось закрыть книгу."), [&] {
        // Unmodified first, so closing never stops to ask about saving.
        Reference<util::XModifiable> modifiable(component, UNO_QUERY);
        if (modifiable.is())
            modifiable->setModified(false);
        Reference<util::XCloseable> closeable(component, UNO_QUERY);
        if (closeable.is()) {
            try {
                closeable->close(true);
                return;
            } catch (const util::CloseVetoException &) {
                // Someone still holds it (a print in flight); dispose below.
            }
        }
        component->dispose();
    });
}

void UnoCalcBackend::storeDocumentAs(int doc, const QString &path, const QString &filterName)
{
    Reference<lang::XComponent> component = document(doc).component;
    guarded(QStringLiteral("Не удалось сохранить книгу в файл «%1».").arg(path), [&] {
        Sequence<beans::PropertyValue> args(2);
        beans::PropertyValue *a = args.getArray();
        a[0] = property("FilterName", Any(toOU(filterName)));
        a[1] = property("Overwrite", Any(true));
        Reference<frame::XStorable>(component, UNO_QUERY_THROW)->storeAsURL(fileUrl(path), args);
    });
}

void UnoCalcBackend::storeDocument(int doc)
{
    Reference<lang::XComponent> component = document(doc).component;
    guarded(QStringLiteral("Не удалось сохранить книгу."), [&] {
        Reference<frame::XStorable>(component, UNO_QUERY_THROW)->store();
    });
}

bool UnoCalcBackend::isModified(int doc)
{
    Reference<lang::XComponent> component = document(doc).component;
    return guarded(QStringLiteral("Не удалось узнать состояние книги."), [&] {
        return bool(Reference<util::XModifiable>(component, UNO_QUERY_THROW)->isModified());
    });
}

int UnoCalcBackend::sheetCount(int doc)
{
    Reference<lang::XComponent> component = document(doc).component;
    return guarded(QStringLiteral("Не удалось прочитать листы книги."), [&] {
        Reference<sheet::XSpreadsheetDocument> sd(component, UNO_QUERY_THROW);
        Reference<container::XIndexAccess> sheets(sd->getSheets(), UNO_QUERY_THROW);
        return int(sheets->getCount());
    });
}

QString UnoCalcBackend::sheetName(int doc, int index)
{
    Reference<sheet::XSpreadsheet> s = sheet(doc, index);
    return guarded(QStringLiteral("Не удалось прочитать имя листа."), [&] {
        return toQ(Reference<container::XNamed>(s, UNO_QUERY_THROW)->getName());
    });
}

Reference<sheet::XSpreadsheet> UnoCalcBackend::sheet(int doc, int index)
{
    Reference<lang::XComponent> component = document(doc).component;
    return guarded(QStringLiteral("Не удалось прочитать листы книги."), [&] {
        Reference<sheet::XSpreadsheetDocument> sd(component, UNO_QUERY_THROW);
        Reference<container::XIndexAccess> sheets(sd->getSheets(), UNO_QUERY_THROW);
        if (index < 0 || index >= sheets->getCount())
            fail(QStringLiteral("В книге нет листа с номером %1.").arg(index + 1));
        return Reference<sheet::XSpreadsheet>(sheets->getByIndex(index), UNO_QUERY_THROW);
    });
}

Reference<table::XCellRange> UnoCalcBackend::range(int doc, const CalcRect &cells)
{
    Reference<sheet::XSpreadsheet> s = sheet(doc, cells.sheet);
    return guarded(QStringLiteral("Диапазон ячеек вне листа."), [&] {
        const table::CellRangeAddress whole =
            Reference<sheet::XCellRangeAddressable>(s, UNO_QUERY_THROW)->getRangeAddress();
        const sal_Int32 right = cells.right < 0 ? whole.EndColumn : cells.right;
        const sal_Int32 bottom = cells.bottom < 0 ? whole.EndRow : cells.bottom;
        if (right > whole.EndColumn || bottom > whole.EndRow)
            fail(QStringLiteral("Диапазон ячеек выходит за пределы листа."));
        return s->getCellRangeByPosition(cells.left, cells.top, right, bottom);
    });
}

void UnoCalcBackend::setText(int doc, const CalcRect &cells, const QString &text)
{
    Reference<table::XCellRange> r = range(doc, cells);
    guarded(QStringLiteral("Не удалось записать текст в ячейку."), [&] {
        // Through XText the office stores the string as it is: "00123" keeps
        // its zeros and "=1" stays text.
        Reference<sheet::XCellRangeAddressable> addressable(r, UNO_QUERY_THROW);
        const table::CellRangeAddress a = addressable->getRangeAddress();
        for (sal_Int32 row = 0; row <= a.EndRow - a.StartRow; ++row)
            for (sal_Int32 col = 0; col <= a.EndColumn - a.StartColumn; ++col)
                Reference<text::XText>(r->getCellByPosition(col, row), UNO_QUERY_THROW)
                    ->setString(toOU(text));
    });
}

void UnoCalcBackend::setNumber(int doc, const CalcRect &cells, double value)
{
    Reference<table::XCellRange> r = range(doc, cells);
    guarded(QStringLiteral("Не удалось записать число в ячейку."), [&] {
        Reference<sheet::XCellRangeAddressable> addressable(r, UNO_QUERY_THROW);
        const table::CellRangeAddress a = addressable->getRangeAddress();
        for (sal_Int32 row = 0; row <= a.EndRow - a.StartRow; ++row)
            for (sal_Int32 col = 0; col <= a.EndColumn - a.StartColumn; ++col)
                r->getCellByPosition(col, row)->setValue(value);
    });
}

void UnoCalcBackend::clearContents(int doc, const CalcRect &cells)
{
    Reference<table::XCellRange> r = range(doc, cells);
    guarded(QStringLiteral("Не удалось очистить ячейку."), [&] {
        Reference<sheet::XSheetOperation>(r, UNO_QUERY_THROW)
            ->clearContents(sheet::CellFlags::VALUE | sheet::CellFlags::DATETIME
                            | sheet::CellFlags::STRING | sheet::CellFlags::FORMULA);
    });
}

Reference<sheet::XFormulaParser> UnoCalcBackend::parser(int doc)
{
    Document &d = document(doc);
    if (d.parser.is())
        return d.parser;
    d.parser = guarded(QStringLiteral("Не удалось подготовить разбор формул."), [&] {
        // The cell's own setFormula speaks the office's dialect (";" between
        // arguments); callers write Excel's, so parse with Excel's names,
        // separators and A1 references.
        Reference<lang::XMultiServiceFactory> factory(d.component, UNO_QUERY_THROW);
        Reference<sheet::XFormulaParser> p(
            factory->createInstance(
                rtl::OUString::createFromAscii("com.sun.star.sheet.FormulaParser")),
            UNO_QUERY_THROW);
        Reference<sheet::XFormulaOpCodeMapper> mapper(
            factory->createInstance(
                rtl::OUString::createFromAscii("com.sun.star.sheet.FormulaOpCodeMapper")),
            UNO_QUERY_THROW);
        Reference<beans::XPropertySet> props(p, UNO_QUERY_THROW);
        props->setPropertyValue(rtl::OUString::createFromAscii("CompileEnglish"), Any(true));
        props->setPropertyValue(rtl::OUString::createFromAscii("FormulaConvention"),
                                Any(sheet::AddressConvention::XL_A1));
        props->setPropertyValue(rtl::OUString::createFromAscii("OpCodeMap"),
                                Any(mapper->getAvailableMappings(
                                    sheet::FormulaLanguage::XL_ENGLISH,
                                    sheet::FormulaMapGroup::ALL_EXCEPT_SPECIAL)));
        return p;
    });
    return d.parser;
}

void UnoCalcBackend::setFormula(int doc, const CalcRect &cells, const QString &text)
{
    Reference<table::XCellRange> r = range(doc, cells);
    Reference<sheet::XFormulaParser> p = parser(doc);
    guarded(QStringLiteral("Не удалось записать формулу «%1».").arg(text), [&] {
        const table::CellAddress origin(sal_Int16(cells.sheet), cells.left, cells.top);
        // Parsed once at the top-left cell: relative references then shift
        // across the range as they do in Excel.
        const Sequence<sheet::FormulaToken> tokens = p->parseFormula(toOU(text), origin);
        Reference<sheet::XCellRangeAddressable> addressable(r, UNO_QUERY_THROW);
        const table::CellRangeAddress a = addressable->getRangeAddress();
        for (sal_Int32 row = 0; row <= a.EndRow - a.StartRow; ++row)
            for (sal_Int32 col = 0; col <= a.EndColumn - a.StartColumn; ++col)
                Reference<sheet::XFormulaTokens>(r->getCellByPosition(col, row), UNO_QUERY_THROW)
                    ->setTokens(tokens);
        // The parser takes anything; what it could not read shows as the
        // cell's error code. Errors of the calculation (#DIV/0!, #VALUE!)
        // are results, as in Excel, not refusals.
        static const int syntaxErrors[] = {501, 504, 507, 508, 509, 510, 511, 512,
                                           516, 517, 518, 520, 525};
        const int error = r->getCellByPosition(0, 0)->getError();
        for (int e : syntaxErrors)
            if (error == e)
                fail(QStringLiteral("Ошибка в формуле «%1».").arg(text));
    });
}

QString UnoCalcBackend::formula(int doc, int sheetIndex, int column, int row)
{
    Reference<sheet::XSpreadsheet> s = sheet(doc, sheetIndex);
    Reference<sheet::XFormulaParser> p = parser(doc);
    return guarded(QStringLiteral("Не удалось прочитать ячейку."), [&] {
        Reference<table::XCell> c = s->getCellByPosition(column, row);
        if (c->getType() != table::CellContentType_FORMULA)
            return toQ(c->getFormula());
        const Sequence<sheet::FormulaToken> tokens =
            Reference<sheet::XFormulaTokens>(c, UNO_QUERY_THROW)->getTokens();
        return QLatin1Char('=')
            + toQ(p->printFormula(tokens, table::CellAddress(sal_Int16(sheetIndex), column, row)));
    });
}

CalcCell UnoCalcBackend::cell(int doc, int sheetIndex, int column, int row)
{
    Reference<sheet::XSpreadsheet> s = sheet(doc, sheetIndex);
    return guarded(QStringLiteral("Не удалось прочитать ячейку."), [&] {
        Reference<table::XCell> c = s->getCellByPosition(column, row);
        CalcCell result;
        switch (c->getType()) {
        case table::CellContentType_EMPTY:
            break;
        case table::CellContentType_VALUE:
            result.kind = CalcCell::Number;
            result.number = c->getValue();
            break;
        case table::CellContentType_TEXT:
            result.kind = CalcCell::Text;
            result.text = toQ(Reference<text::XText>(c, UNO_QUERY_THROW)->getString());
            break;
        case table::CellContentType_FORMULA: {
            result.isFormula = true;
            sal_Int32 type = 0;
            Reference<beans::XPropertySet>(c, UNO_QUERY_THROW)
                ->getPropertyValue(rtl::OUString::createFromAscii("FormulaResultType2")) >>= type;
            if (c->getError() != 0 || type == sheet::FormulaResult::ERROR) {
                result.kind = CalcCell::Error;
                result.number = c->getError();
            } else if (type == sheet::FormulaResult::STRING) {
                result.kind = CalcCell::Text;
                result.text = toQ(Reference<text::XText>(c, UNO_QUERY_THROW)->getString());
            } else {
                result.kind = CalcCell::Number;
                result.number = c->getValue();
            }
            break;
        }
        default:
            break;
        }
        return result;
    });
}

void UnoCalcBackend::setRowHeight(int doc, const CalcRect &rows, int hmm)
{
    CalcRect firstColumn = rows;
    firstColumn.left = firstColumn.right = 0;
    Reference<table::XCellRange> r = range(doc, firstColumn);
    guarded(QStringLiteral("Не удалось задать высоту строки."), [&] {
        Reference<beans::XPropertySet>(
            Reference<table::XColumnRowRange>(r, UNO_QUERY_THROW)->getRows(), UNO_QUERY_THROW)
            ->setPropertyValue(rtl::OUString::createFromAscii("Height"), Any(sal_Int32(hmm)));
    });
}

int UnoCalcBackend::rowHeight(int doc, int sheetIndex, int row)
{
    Reference<table::XCellRange> r = range(doc, CalcRect{sheetIndex, 0, row, 0, row});
    return guarded(QStringLiteral("Не удалось прочитать высоту строки."), [&] {
        sal_Int32 hmm = 0;
        Reference<beans::XPropertySet>(
            Reference<table::XColumnRowRange>(r, UNO_QUERY_THROW)->getRows()->getByIndex(0),
            UNO_QUERY_THROW)
                ->getPropertyValue(rtl::OUString::createFromAscii("Height"))
            >>= hmm;
        return int(hmm);
    });
}

void UnoCalcBackend::setColumnWidth(int doc, const CalcRect &columns, int hmm)
{
    CalcRect firstRow = columns;
    firstRow.top = firstRow.bottom = 0;
    Reference<table::XCellRange> r = range(doc, firstRow);
    guarded(QStringLiteral("Не удалось задать ширину столбца."), [&] {
        Reference<beans::XPropertySet>(
            Reference<table::XColumnRowRange>(r, UNO_QUERY_THROW)->getColumns(), UNO_QUERY_THROW)
            ->setPropertyValue(rtl::OUString::createFromAscii("Width"), Any(sal_Int32(hmm)));
    });
}

int UnoCalcBackend::columnWidth(int doc, int sheetIndex, int column)
{
    Reference<table::XCellRange> r = range(doc, CalcRect{sheetIndex, column, 0, column, 0});
    return guarded(QStringLiteral("Не удалось прочитать ширину столбца."), [&] {
        sal_Int32 hmm = 0;
        Reference<beans::XPropertySet>(
            Reference<table::XColumnRowRange>(r, UNO_QUERY_THROW)->getColumns()->getByIndex(0),
            UNO_QUERY_THROW)
                ->getPropertyValue(rtl::OUString::createFromAscii("Width"))
            >>= hmm;
        return int(hmm);
    });
}

CalcFont UnoCalcBackend::defaultFont(int doc)
{
    Reference<lang::XComponent> component = document(doc).component;
    return guarded(QStringLiteral("Не удалось прочитать шрифт книги."), [&] {
        Reference<style::XStyleFamiliesSupplier> supplier(component, UNO_QUERY_THROW);
        Reference<container::XNameAccess> cellStyles(
            supplier->getStyleFamilies()->getByName(rtl::OUString::createFromAscii("CellStyles")),
            UNO_QUERY_THROW);
        Reference<beans::XPropertySet> style(
            cellStyles->getByName(rtl::OUString::createFromAscii("Default")), UNO_QUERY_THROW);
        rtl::OUString family;
        float height = 10;
        style->getPropertyValue(rtl::OUString::createFromAscii("CharFontName")) >>= family;
        style->getPropertyValue(rtl::OUString::createFromAscii("CharHeight")) >>= height;
        return CalcFont{toQ(family), double(height)};
    });
}

void UnoCalcBackend::insertRows(int doc, int sheetIndex, int row, int count)
{
    Reference<sheet::XSpreadsheet> s = sheet(doc, sheetIndex);
    guarded(QStringLiteral("Не удалось вставить строки."), [&] {
        Reference<table::XColumnRowRange>(s, UNO_QUERY_THROW)->getRows()->insertByIndex(row, count);
    });
}

void UnoCalcBackend::insertColumns(int doc, int sheetIndex, int column, int count)
{
    Reference<sheet::XSpreadsheet> s = sheet(doc, sheetIndex);
    guarded(QStringLiteral("Не удалось вставить столбцы."), [&] {
        Reference<table::XColumnRowRange>(s, UNO_QUERY_THROW)
            ->getColumns()
            ->insertByIndex(column, count);
    });
}

void UnoCalcBackend::insertCellsDown(int doc, const CalcRect &cells)
{
    Reference<table::XCellRange> r = range(doc, cells);
    Reference<sheet::XSpreadsheet> s = sheet(doc, cells.sheet);
    guarded(QStringLiteral("Не удалось вставить ячейки."), [&] {
        Reference<sheet::XCellRangeMovement>(s, UNO_QUERY_THROW)
            ->insertCells(Reference<sheet::XCellRangeAddressable>(r, UNO_QUERY_THROW)
                              ->getRangeAddress(),
                          sheet::CellInsertMode_DOWN);
    });
}

void UnoCalcBackend::insertRowsFormattedFromBelow(int doc, int sheetIndex, int row, int count)
{
    if (count <= 0)
        return;
    Reference<sheet::XSpreadsheet> s = sheet(doc, sheetIndex);
    guarded(QStringLiteral("Не удалось вставить строки."), [&] {
        const sal_Int16 tab = sal_Int16(sheetIndex);
        Reference<table::XTableRows> rows =
            Reference<table::XColumnRowRange>(s, UNO_QUERY_THROW)->getRows();
        Reference<sheet::XCellRangeAddressable> whole(s, UNO_QUERY_THROW);
        const sal_Int32 lastColumn = whole->getRangeAddress().EndColumn;
        // The office gives new rows the look of the row above them; the row
        // pushed down is the one they are to look like.
        rows->insertByIndex(row, count);
        const sal_Int32 model = row + count;
        if (model > whole->getRangeAddress().EndRow)
            return;

        // copyRange takes formats, borders and merges along with contents;
        // doubling the copied block keeps a long insertion to a few calls.
        Reference<sheet::XCellRangeMovement> mover(s, UNO_QUERY_THROW);
        mover->copyRange(table::CellAddress(tab, 0, row),
                         table::CellRangeAddress(tab, 0, model, lastColumn, model));
        sal_Int32 done = 1;
        while (done < count) {
            const sal_Int32 block = std::min(done, count - done);
            mover->copyRange(table::CellAddress(tab, 0, row + done),
                             table::CellRangeAddress(tab, 0, row, lastColumn, row + block - 1));
            done += block;
        }
        // Only the look was wanted: the new rows start empty.
        Reference<sheet::XSheetOperation>(
            s->getCellRangeByPosition(0, row, lastColumn, row + count - 1), UNO_QUERY_THROW)
            ->clearContents(sheet::CellFlags::VALUE | sheet::CellFlags::DATETIME
                            | sheet::CellFlags::STRING | sheet::CellFlags::ANNOTATION
                            | sheet::CellFlags::FORMULA | sheet::CellFlags::OBJECTS);

        // Heights are the rows' own, not the cells': copy them too. A row
        // that fits its contents keeps doing so once the letters are written.
        Reference<beans::XPropertySet> modelRow(rows->getByIndex(model), UNO_QUERY_THROW);
        Reference<beans::XPropertySet> newRows(
            Reference<table::XColumnRowRange>(s->getCellRangeByPosition(0, row, 0, row + count - 1),
                                              UNO_QUERY_THROW)
                ->getRows(),
            UNO_QUERY_THROW);
        const rtl::OUString optimal = rtl::OUString::createFromAscii("OptimalHeight");
        const rtl::OUString height = rtl::OUString::createFromAscii("Height");
        bool fits = false;
        modelRow->getPropertyValue(optimal) >>= fits;
        if (fits)
            newRows->setPropertyValue(optimal, Any(true));
        else
            newRows->setPropertyValue(height, modelRow->getPropertyValue(height));
    });
}

void UnoCalcBackend::setValues(int doc, const CalcRect &cells, const QVector<CalcCell> &values)
{
    Reference<table::XCellRange> r = range(doc, cells);
    guarded(QStringLiteral("Не удалось записать значения в ячейки."), [&] {
        const table::CellRangeAddress a =
            Reference<sheet::XCellRangeAddressable>(r, UNO_QUERY_THROW)->getRangeAddress();
        const sal_Int32 width = a.EndColumn - a.StartColumn + 1;
        const sal_Int32 height = a.EndRow - a.StartRow + 1;
        if (values.size() != qsizetype(width) * height)
            fail(QStringLiteral("Число значений не совпадает с числом ячеек."));
        Sequence<Sequence<Any>> data(height);
        Sequence<Any> *rows = data.getArray();
        for (sal_Int32 row = 0; row < height; ++row) {
            rows[row].realloc(width);
            Any *cell = rows[row].getArray();
            for (sal_Int32 col = 0; col < width; ++col) {
                const CalcCell &v = values.at(row * width + col);
                // The office stores a string of a data array as text; an
                // empty one leaves the cell empty (a void would show #N/A).
                if (v.kind == CalcCell::Number)
                    cell[col] <<= v.number;
                else
                    cell[col] <<= toOU(v.kind == CalcCell::Text ? v.text : QString());
            }
        }
        Reference<sheet::XCellRangeData>(r, UNO_QUERY_THROW)->setDataArray(data);
    });
}

void UnoCalcBackend::insertPicture(int doc, int sheetIndex, int column, int row,
                                   const QByteArray &png, const QSize &sizeHmm)
{
    Reference<lang::XComponent> component = document(doc).component;
    Reference<sheet::XSpreadsheet> s = sheet(doc, sheetIndex);
    guarded(QStringLiteral("Не удалось вставить рисунок."), [&] {
        // Stream and graphic are made inside the office, so the bytes cross
        // the pipe once and no call comes back to us.
        Sequence<sal_Int8> bytes(reinterpret_cast<const sal_Int8 *>(png.constData()), png.size());
        Reference<io::XInputStream> stream(
            io::SequenceInputStream::createStreamFromSequence(m_remote, bytes), UNO_QUERY_THROW);
        Reference<graphic::XGraphicProvider> provider = graphic::GraphicProvider::create(m_remote);
        Sequence<beans::PropertyValue> query(1);
        query.getArray()[0] = property("InputStream", Any(stream));
        Reference<graphic::XGraphic> picture = provider->queryGraphic(query);
        if (!picture.is())
            fail(QStringLiteral("Рисунок из буфера обмена не распознан."));

        Reference<lang::XMultiServiceFactory> factory(component, UNO_QUERY_THROW);
        Reference<drawing::XShape> shape(
            factory->createInstance(
                rtl::OUString::createFromAscii("com.sun.star.drawing.GraphicObjectShape")),
            UNO_QUERY_THROW);
        Reference<beans::XPropertySet> shapeProps(shape, UNO_QUERY_THROW);
        shapeProps->setPropertyValue(rtl::OUString::createFromAscii("Graphic"), Any(picture));
        Reference<drawing::XDrawPage> page =
            Reference<drawing::XDrawPageSupplier>(s, UNO_QUERY_THROW)->getDrawPage();
        page->add(shape);
        shape->setSize(awt::Size(sizeHmm.width(), sizeHmm.height()));
        Reference<table::XCell> anchor = s->getCellByPosition(column, row);
        awt::Point at;
        Reference<beans::XPropertySet>(anchor, UNO_QUERY_THROW)
                ->getPropertyValue(rtl::OUString::createFromAscii("Position"))
            >>= at;
        shape->setPosition(at);
        // Anchored to the cell, the picture moves with it when rows are
        // inserted above, as a pasted picture does in Excel.
        shapeProps->setPropertyValue(rtl::OUString::createFromAscii("Anchor"), Any(anchor));
    });
}

QVector<CalcPicture> UnoCalcBackend::pictures(int doc, int sheetIndex)
{
    Reference<sheet::XSpreadsheet> s = sheet(doc, sheetIndex);
    return guarded(QStringLiteral("Не удалось прочитать рисунки листа."), [&] {
        QVector<CalcPicture> result;
        Reference<container::XIndexAccess> page(
            Reference<drawing::XDrawPageSupplier>(s, UNO_QUERY_THROW)->getDrawPage(),
            UNO_QUERY_THROW);
        for (sal_Int32 i = 0; i < page->getCount(); ++i) {
            Reference<drawing::XShape> shape(page->getByIndex(i), UNO_QUERY_THROW);
            CalcPicture picture;
            const awt::Size size = shape->getSize();
            picture.sizeHmm = QSize(size.Width, size.Height);
            Reference<uno::XInterface> anchor;
            Reference<beans::XPropertySet>(shape, UNO_QUERY_THROW)
                    ->getPropertyValue(rtl::OUString::createFromAscii("Anchor"))
                >>= anchor;
            Reference<sheet::XCellAddressable> cellAnchor(anchor, UNO_QUERY);
            if (cellAnchor.is()) {
                const table::CellAddress a = cellAnchor->getCellAddress();
                picture.column = a.Column;
                picture.row = a.Row;
            }
            result.append(picture);
        }
        return result;
    });
}

void UnoCalcBackend::print(int doc, const QString &pdfPath)
{
    Reference<lang::XComponent> component = document(doc).component;
    const QString what = pdfPath.isEmpty()
        ? QStringLiteral("Не удалось напечатать книгу на принтере по умолчанию.")
        : QStringLiteral("Не удалось напечатать книгу в файл «%1».").arg(pdfPath);
    guarded(what, [&] {
        rtl::Reference<PrintJobWatcher> watcher(new PrintJobWatcher);
        Reference<view::XPrintJobBroadcaster> broadcaster(component, UNO_QUERY_THROW);
        broadcaster->addPrintJobListener(watcher.get());
        struct Unlisten
        {
            Reference<view::XPrintJobBroadcaster> b;
            Reference<view::XPrintJobListener> l;
            ~Unlisten()
            {
                try {
                    b->removePrintJobListener(l);
                } catch (const uno::Exception &) {
                }
            }
        } unlisten{broadcaster, watcher.get()};

        Sequence<beans::PropertyValue> options(pdfPath.isEmpty() ? 1 : 2);
        beans::PropertyValue *o = options.getArray();
        o[0] = property("Wait", Any(true));
        if (!pdfPath.isEmpty())
            o[1] = property("FileName", Any(fileUrl(pdfPath)));
        Reference<view::XPrintable>(component, UNO_QUERY_THROW)->print(options);

        // With Wait the call returns after the job; its verdict arrives as
        // events, a failed spool raising no exception at all.
        using std::chrono::milliseconds;
        switch (watcher->waitForEnd(milliseconds(3000), milliseconds(120000))) {
        case PrintJobWatcher::Outcome::Spooled:
            break;
        case PrintJobWatcher::Outcome::NothingPrinted:
            fail(QStringLiteral("В книге нечего печатать: все листы пусты."));
        case PrintJobWatcher::Outcome::TimedOut:
            fail(QStringLiteral("%1\nЗадание печати не завершилось за две минуты.").arg(what));
        case PrintJobWatcher::Outcome::Failed:
            fail(pdfPath.isEmpty()
                     ? QStringLiteral("%1\nПринтер по умолчанию не настроен или не принял "
                                      "задание печати.")
                           .arg(what)
                     : QStringLiteral("%1\nФайл не удалось записать.").arg(what));
        }
    });
}
