#include "excelrange.h"

#include "excelsession.h"
#include "excelunits.h"

namespace {

CalcRect rectOf(int sheet, const CellReference &r)
{
    return CalcRect{sheet, r.left(), r.top(), r.right(), r.bottom()};
}

// One value as a cell: text stays text, numbers of any width become numbers,
// Null clears; anything else cannot go into a sheet.
CalcCell cellOf(const QVariant &value, const QString &address)
{
    CalcCell cell;
    if (!value.isValid() || value.isNull()) {
        cell.kind = CalcCell::Empty;
        return cell;
    }
    switch (value.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QChar:
        cell.kind = CalcCell::Text;
        cell.text = value.toString();
        return cell;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        cell.kind = CalcCell::Number;
        cell.number = value.toDouble();
        return cell;
    default:
        throw SpreadsheetError(QStringLiteral("Значение типа %1 нельзя записать в ячейку %2.")
                                   .arg(QString::fromLatin1(value.typeName()), address));
    }
}

constexpr double MaxRowHeight = 409;
constexpr double MaxColumnWidth = 255;

} // namespace

ExcelRange::ExcelRange(std::shared_ptr<ExcelSession> session, std::shared_ptr<ExcelDocument> doc,
                       int sheet, const CellReference &reference)
    : m_session(std::move(session))
    , m_doc(std::move(doc))
    , m_sheet(sheet)
    , m_reference(reference)
{
}

QVariant ExcelRange::Value() const
{
    return ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) -> QVariant {
        const CalcCell c = backend.cell(m_doc->id, m_sheet, m_reference.left(), m_reference.top());
        switch (c.kind) {
        case CalcCell::Empty:
            return QVariant();
        case CalcCell::Number:
            return c.number;
        case CalcCell::Text:
            return c.text;
        case CalcCell::Error:
            return QStringLiteral("Err:%1").arg(int(c.number));
        }
        return QVariant();
    });
}

void ExcelRange::setValue(const QVariant &value)
{
    ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        const CalcRect rect = rectOf(m_sheet, m_reference);
        const CalcCell cell = cellOf(value, Address());
        if (cell.kind == CalcCell::Text)
            backend.setText(m_doc->id, rect, cell.text);
        else if (cell.kind == CalcCell::Number)
            backend.setNumber(m_doc->id, rect, cell.number);
        else
            backend.clearContents(m_doc->id, rect);
    });
}

void ExcelRange::setValues(const QList<QVariantList> &rows)
{
    ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        const CalcRect rect = rectOf(m_sheet, m_reference);
        const int width = m_reference.columnCount();
        const int height = m_reference.rowCount();
        if (m_reference.kind() != CellReference::Cells || rows.size() != height)
            throw SpreadsheetError(QStringLiteral("Число строк значений (%1) не совпадает с "
                                                  "диапазоном %2.")
                                       .arg(rows.size())
                                       .arg(Address()));
        const QString address = Address();
        QVector<CalcCell> cells;
        cells.reserve(qsizetype(width) * height);
        for (const QVariantList &row : rows) {
            if (row.size() != width)
                throw SpreadsheetError(QStringLiteral("Число значений в строке (%1) не совпадает "
                                                      "с диапазоном %2.")
                                           .arg(row.size())
                                           .arg(Address()));
            for (const QVariant &value : row)
                cells.append(cellOf(value, address));
        }
        backend.setValues(m_doc->id, rect, cells);
    });
}

QString ExcelRange::Formula() const
{
    return ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        return backend.formula(m_doc->id, m_sheet, m_reference.left(), m_reference.top());
    });
}

void ExcelRange::setFormula(const QString &formula)
{
    ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        backend.setFormula(m_doc->id, rectOf(m_sheet, m_reference), formula);
    });
}

double ExcelRange::RowHeight() const
{
    return ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        return ExcelUnits::hmmToPoints(backend.rowHeight(m_doc->id, m_sheet, m_reference.top()));
    });
}

void ExcelRange::setRowHeight(double points)
{
    ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        if (!(points >= 0 && points <= MaxRowHeight))
            throw SpreadsheetError(QStringLiteral("Недопустимая высота строки: %1 пт.").arg(points));
        backend.setRowHeight(m_doc->id, rectOf(m_sheet, m_reference),
                             ExcelUnits::pointsToHmm(points));
    });
}

int ExcelRange::digitWidth(CalcBackend &backend) const
{
    if (m_doc->digitWidthTwips <= 0) {
        const CalcFont font = backend.defaultFont(m_doc->id);
        m_doc->digitWidthTwips = ExcelUnits::digitWidthTwips(font.family, font.pointSize);
    }
    return m_doc->digitWidthTwips;
}

double ExcelRange::ColumnWidth() const
{
    return ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        return ExcelUnits::hmmToColumnWidth(
            backend.columnWidth(m_doc->id, m_sheet, m_reference.left()), digitWidth(backend));
    });
}

void ExcelRange::setColumnWidth(double characters)
{
    ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        if (!(characters >= 0 && characters <= MaxColumnWidth))
            throw SpreadsheetError(
                QStringLiteral("Недопустимая ширина столбца: %1.").arg(characters));
        backend.setColumnWidth(m_doc->id, rectOf(m_sheet, m_reference),
                               ExcelUnits::columnWidthToHmm(characters, digitWidth(backend)));
    });
}

void ExcelRange::Select()
{
    ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &) {
        m_doc->selectedSheet = m_sheet;
        m_doc->selection = m_reference;
    });
}

ExcelRange ExcelRange::EntireRow() const
{
    return ExcelRange(m_session, m_doc, m_sheet, m_reference.entireRows());
}

ExcelRange ExcelRange::EntireColumn() const
{
    return ExcelRange(m_session, m_doc, m_sheet, m_reference.entireColumns());
}

void ExcelRange::Insert()
{
    ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        switch (m_reference.kind()) {
        case CellReference::Rows:
            backend.insertRows(m_doc->id, m_sheet, m_reference.top(), m_reference.rowCount());
            return;
        case CellReference::Columns:
            backend.insertColumns(m_doc->id, m_sheet, m_reference.left(),
                                  m_reference.columnCount());
            return;
        case CellReference::Cells:
            backend.insertCellsDown(m_doc->id, rectOf(m_sheet, m_reference));
            return;
        }
    });
}

void ExcelRange::Insert(XlInsertFormatOrigin copyOrigin)
{
    if (copyOrigin == xlFormatFromLeftOrAbove) {
        Insert();
        return;
    }
    ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        if (m_reference.kind() != CellReference::Rows)
            throw SpreadsheetError(
                QStringLiteral("Вставить %1 с оформлением следующих ячеек нельзя: "
                               "так вставляются только целые строки.")
                    .arg(Address()));
        backend.insertRowsFormattedFromBelow(m_doc->id, m_sheet, m_reference.top(),
                                             m_reference.rowCount());
    });
}

QString ExcelRange::Address() const
{
    return m_reference.address();
}
