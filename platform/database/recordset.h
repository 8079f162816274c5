#pragma once

#include <QList>
#include <QVariant>

// The rows a query returned, read whole when the statement ran, positioned on
// the first row. A value type: copies share the rows (implicitly shared) and
// each copy keeps its own position, so returning and assigning it is cheap.
//
// Fields(i) takes the zero-based position in the select list and returns a
// null QVariant (isNull() true) for SQL NULL. NUMERIC/DECIMAL columns come
// back as double rounded to the column's scale, so 19.99 reads back as the
// double nearest 19.99 and its text is "19.99".
class Recordset
{
public:
    Recordset() = default;
    // values holds the rows one after the other, columnCount values each.
    Recordset(int columnCount, QList<QVariant> values);

    bool Eof() const { return m_row >= m_rowCount; }
    // Throws DbException when already at the end.
    void MoveNext();
    // Throws DbException at the end or for a position outside the select list.
    QVariant Fields(int i) const;

    int RecordCount() const { return m_rowCount; }
    int FieldCount() const { return m_columnCount; }

private:
    QList<QVariant> m_values;
    int m_columnCount = 0;
    int m_rowCount = 0;
    int m_row = 0;
};
