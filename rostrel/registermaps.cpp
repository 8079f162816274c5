#include "registermaps.h"

#include "tariffs.h"

#include <cmath>

namespace {

constexpr int kFirstDataRow = 9;
constexpr int kRegisterColumns = 8;
constexpr int kJournalColumns = 5;
constexpr int kMaxExactDigits = 15;

enum Column { A = 1, B, C, D, E, F, G, H };

void text(RegisterPlan &plan, int row, int column, const QString &value)
{
    plan.cells.append(RegisterCell{row, column, RegisterCell::Text, QVariant(value)});
}

void number(RegisterPlan &plan, int row, int column, double value)
{
    plan.cells.append(RegisterCell{row, column, RegisterCell::Number, QVariant(value)});
}

void formula(RegisterPlan &plan, int row, int column, const QString &value)
{
    plan.cells.append(RegisterCell{row, column, RegisterCell::Formula, QVariant(value)});
}

QString columnName(int column)
{
    return QString(QChar(QLatin1Char('A').unicode() + column - 1));
}

bool isAllDigits(const QString &s)
{
    if (s.isEmpty() || s.size() > kMaxExactDigits)
        return false;
    for (const QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

void registerRow(RegisterPlan &plan, int k, const ListRow &row, double fee)
{
    const int r = k + kFirstDataRow - 1;
    number(plan, r, A, k);
    text(plan, r, B, row.ADRESS);
    text(plan, r, C, row.FIO);
    const double grams = WeightValue(row.WEIGHT);
    if (std::isfinite(grams))
        number(plan, r, D, grams / 1000);
    else
        text(plan, r, D, row.WEIGHT);
    number(plan, r, E, RoundMoney(row.PRICE));
    if (WritesNotificationFee(row))
        number(plan, r, F, RoundMoney(fee));
    text(plan, r, G, row.BARCODE);
    text(plan, r, H, row.NOTES);
}

void journalRow(RegisterPlan &plan, int k, const ListRow &row, const QString &dateText)
{
    const int r = k + kFirstDataRow - 1;
    if (isAllDigits(row.NUMBER))
        number(plan, r, A, row.NUMBER.toDouble());
    else
        text(plan, r, A, row.NUMBER);
    if (row.TYPEM == 1)
        text(plan, r, E, QStringLiteral("Письмо простое"));
    else if (row.TYPEM == 2)
        text(plan, r, E, QStringLiteral("Письмо заказное"));
    text(plan, r, C, row.FIO + QStringLiteral(", адрес: ") + row.ADRESS);
    text(plan, r, D, dateText);
    text(plan, r, B, row.NOTES);
}

} // namespace

QString RegisterCell::address() const
{
    return columnName(column) + QString::number(row);
}

bool WritesNotificationFee(const ListRow &row)
{
    return row.REESTR == 1;
}

RegisterPlan RegisterPlanFor(const QList<ListRow> &rows, const QList<double> &fees,
                             const QString &dateText, bool journal)
{
    RegisterPlan plan;
    plan.dateLine = QStringLiteral("от ") + dateText;
    plan.dataColumns = journal ? kJournalColumns : kRegisterColumns;
    const int n = int(rows.size());
    plan.letters = n;
    if (n == 0)
        return plan;
    plan.rowsToInsert = n - 1;

    for (int k = 1; k <= n; ++k) {
        const ListRow &row = rows.at(k - 1);
        if (journal)
            journalRow(plan, k, row, dateText);
        else
            registerRow(plan, k, row, fees.value(k - 1));
    }
    if (journal)
        return plan;

    const int last = n + kFirstDataRow - 1;
    const int totals = last + 1;
    for (const int column : {E, D, F}) {
        const QString name = columnName(column);
        formula(plan, totals, column,
                QStringLiteral("=SUM(%1%2:%1%3)").arg(name).arg(kFirstDataRow).arg(last));
    }
    formula(plan, totals + 1, E, QStringLiteral("=SUM(E%1:F%1)").arg(totals));
    return plan;
}

QList<QVariantList> DataBlock(const RegisterPlan &plan)
{
    QList<QVariantList> block(plan.letters, QVariantList(plan.dataColumns));
    for (const RegisterCell &cell : plan.cells) {
        const int i = cell.row - kFirstDataRow;
        if (cell.kind == RegisterCell::Formula || i < 0 || i >= plan.letters)
            continue;
        block[i][cell.column - 1] = cell.value;
    }
    return block;
}

QString DataBlockRange(const RegisterPlan &plan)
{
    if (plan.letters == 0)
        return QString();
    return QStringLiteral("A%1:%2%3")
        .arg(kFirstDataRow)
        .arg(columnName(plan.dataColumns))
        .arg(kFirstDataRow + plan.letters - 1);
}
