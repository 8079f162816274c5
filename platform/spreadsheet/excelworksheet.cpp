#include "excelworksheet.h"

#include "excelsession.h"
#include "excelunits.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

namespace {

// Bitmaps on the clipboard carry no trustworthy size of their own; Excel
// pastes them at screen resolution, 96 dots per inch, unless they say.
QSize sizeInHmm(const QImage &image)
{
    constexpr double HmmPerMetre = 100000.0;
    const double dpmX = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() : 3780.0;
    const double dpmY = image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() : 3780.0;
    return QSize(qRound(image.width() * HmmPerMetre / dpmX),
                 qRound(image.height() * HmmPerMetre / dpmY));
}

} // namespace

ExcelWorksheet::ExcelWorksheet(std::shared_ptr<ExcelSession> session,
                               std::shared_ptr<ExcelDocument> doc, int sheet)
    : m_session(std::move(session))
    , m_doc(std::move(doc))
    , m_sheet(sheet)
{
}

ExcelRange ExcelWorksheet::rangeOf(const CellReference &reference) const
{
    return ExcelRange(m_session, m_doc, m_sheet, reference);
}

ExcelRange ExcelWorksheet::Range(const QString &reference) const
{
    return ExcelSession::orNone(m_session)->run([&] { return rangeOf(CellReference::parse(reference)); });
}

ExcelRange ExcelWorksheet::Rows(const QString &rows) const
{
    return ExcelSession::orNone(m_session)->run([&] {
        bool isNumber = false;
        rows.toInt(&isNumber);
        const CellReference ref = CellReference::parse(isNumber ? rows + QLatin1Char(':') + rows : rows);
        if (ref.kind() != CellReference::Rows)
            throw SpreadsheetError(QStringLiteral("«%1» — не номера строк.").arg(rows));
        return rangeOf(ref);
    });
}

ExcelRange ExcelWorksheet::Rows(int row) const
{
    return Rows(QString::number(row));
}

ExcelRange ExcelWorksheet::Cells(int row, int column) const
{
    return ExcelSession::orNone(m_session)->run([&] {
        if (row < 1 || row > CellReference::MaxRows || column < 1
            || column > CellReference::MaxColumns)
            throw SpreadsheetError(
                QStringLiteral("Нет ячейки в строке %1, столбце %2.").arg(row).arg(column));
        return rangeOf(CellReference::cell(column - 1, row - 1));
    });
}

void ExcelWorksheet::Paste()
{
    ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
        if (!app)
            throw SpreadsheetError(QStringLiteral("Буфер обмена недоступен: вставить рисунок нельзя."));
        const QImage image = QGuiApplication::clipboard()->image();
        if (image.isNull())
            throw SpreadsheetError(QStringLiteral("В буфере обмена нет рисунка для вставки."));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            throw SpreadsheetError(QStringLiteral("Не удалось прочитать рисунок из буфера обмена."));
        const CellReference at = m_doc->selectedSheet == m_sheet ? m_doc->selection
                                                                  : CellReference::cell(0, 0);
        backend.insertPicture(m_doc->id, m_sheet, at.left(), at.top(), png, sizeInHmm(image));
    });
}

QList<ExcelShape> ExcelWorksheet::Shapes() const
{
    return ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        QList<ExcelShape> shapes;
        for (const CalcPicture &p : backend.pictures(m_doc->id, m_sheet))
            shapes.append(ExcelShape(m_session, m_doc, m_sheet, p.column, p.row,
                                     ExcelUnits::hmmToPoints(p.sizeHmm.width()),
                                     ExcelUnits::hmmToPoints(p.sizeHmm.height())));
        return shapes;
    });
}

QString ExcelWorksheet::Name() const
{
    return ExcelSession::orNone(m_session)->run(m_doc, [&](CalcBackend &backend) {
        return backend.sheetName(m_doc->id, m_sheet);
    });
}
