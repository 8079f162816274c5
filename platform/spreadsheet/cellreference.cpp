#include "cellreference.h"

#include "spreadsheeterror.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

// One side of a reference: optional column letters, optional row digits.
struct Part
{
    int column = -1;
    int row = -1;
};

bool parsePart(const QString &text, Part &part)
{
    static const QRegularExpression re(QStringLiteral("^\\$?([A-Za-z]{0,3})\\$?([0-9]{0,7})$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return false;
    const QString letters = m.captured(1).toUpper();
    const QString digits = m.captured(2);
    if (letters.isEmpty() && digits.isEmpty())
        return false;
    // "$" only belongs in front of letters or digits.
    if (text.endsWith(QLatin1Char('$')))
        return false;
    if (!letters.isEmpty()) {
        int column = 0;
        for (QChar c : letters)
            column = column * 26 + (c.unicode() - 'A' + 1);
        if (column > CellReference::MaxColumns)
            return false;
        part.column = column - 1;
    }
    if (!digits.isEmpty()) {
        const int row = digits.toInt();
        if (row < 1 || row > CellReference::MaxRows)
            return false;
        part.row = row - 1;
    }
    return true;
}

[[noreturn]] void refuse(const QString &text)
{
    throw SpreadsheetError(QStringLiteral("Неверный адрес ячейки: «%1».").arg(text));
}

} // namespace

CellReference CellReference::parse(const QString &text)
{
    const QStringList sides = text.split(QLatin1Char(':'));
    if (sides.size() > 2)
        refuse(text);
    Part first;
    Part second;
    if (!parsePart(sides.at(0), first))
        refuse(text);
    if (sides.size() == 2) {
        if (!parsePart(sides.at(1), second))
            refuse(text);
    } else {
        second = first;
    }

    CellReference ref;
    const bool firstFull = first.column >= 0 && first.row >= 0;
    const bool secondFull = second.column >= 0 && second.row >= 0;
    if (firstFull && secondFull) {
        ref.m_kind = Cells;
        ref.m_left = std::min(first.column, second.column);
        ref.m_right = std::max(first.column, second.column);
        ref.m_top = std::min(first.row, second.row);
        ref.m_bottom = std::max(first.row, second.row);
    } else if (sides.size() == 2 && first.column < 0 && second.column < 0) {
        ref.m_kind = Rows;
        ref.m_left = 0;
        ref.m_right = -1;
        ref.m_top = std::min(first.row, second.row);
        ref.m_bottom = std::max(first.row, second.row);
    } else if (sides.size() == 2 && first.row < 0 && second.row < 0) {
        ref.m_kind = Columns;
        ref.m_top = 0;
        ref.m_bottom = -1;
        ref.m_left = std::min(first.column, second.column);
        ref.m_right = std::max(first.column, second.column);
    } else {
        // "A", "9", "A1:B" and the like name nothing in Excel either.
        refuse(text);
    }
    return ref;
}

CellReference CellReference::cell(int column, int row)
{
    CellReference ref;
    ref.m_left = ref.m_right = column;
    ref.m_top = ref.m_bottom = row;
    return ref;
}

int CellReference::rowCount() const
{
    return m_bottom < 0 ? MaxRows - m_top : m_bottom - m_top + 1;
}

int CellReference::columnCount() const
{
    return m_right < 0 ? MaxColumns - m_left : m_right - m_left + 1;
}

CellReference CellReference::entireRows() const
{
    CellReference ref = *this;
    if (m_kind == Columns) {
        // Every row of the sheet.
        ref.m_top = 0;
        ref.m_bottom = -1;
    }
    ref.m_kind = Rows;
    ref.m_left = 0;
    ref.m_right = -1;
    return ref;
}

CellReference CellReference::entireColumns() const
{
    CellReference ref = *this;
    if (m_kind == Rows) {
        ref.m_left = 0;
        ref.m_right = -1;
    }
    ref.m_kind = Columns;
    ref.m_top = 0;
    ref.m_bottom = -1;
    return ref;
}

QString CellReference::address() const
{
    const auto cellText = [](int column, int row) {
        return QStringLiteral("$%1$%2").arg(columnName(column)).arg(row + 1);
    };
    const int right = m_right < 0 ? MaxColumns - 1 : m_right;
    const int bottom = m_bottom < 0 ? MaxRows - 1 : m_bottom;
    switch (m_kind) {
    case Rows:
        return QStringLiteral("$%1:$%2").arg(m_top + 1).arg(bottom + 1);
    case Columns:
        return QStringLiteral("$%1:$%2").arg(columnName(m_left), columnName(right));
    case Cells:
        break;
    }
    if (m_left == m_right && m_top == m_bottom)
        return cellText(m_left, m_top);
    return cellText(m_left, m_top) + QLatin1Char(':') + cellText(m_right, m_bottom);
}

QString CellReference::columnName(int column)
{
    QString name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar('A' + (n - 1) % 26));
    return name;
}
