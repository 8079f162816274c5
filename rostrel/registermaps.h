#pragma once

#include "listrow.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>

// What the register builder writes into sheet 1 of a register or journal
// workbook: the date line, how many rows make room for the letters, and which
// value goes into which cell. Nothing here touches a spreadsheet, so the
// layout is tested without an office; the main window only carries it out.
//
// Everything is returned by value; nothing is kept between calls.
//
// Rules beyond the bare cell list:
// - Money (postage, fees) is rounded to two decimals; weights are kilograms,
//   the grams of WEIGHT read with WeightValue (tariffs.h) divided by 1000.
// - A weight that cannot be a number of grams (an endless one stored long
//   ago) is written as its stored text, so it shows and is left out of the
//   sum instead of breaking it.
// - Texts stay texts: addresses, names, notes, postal identifiers and the
//   journal's date are text cells whatever they look like ("1-2", "12-3",
//   "4600000000013", "29.01.2013").
// - The journal's outgoing number is a number cell only when it is all
//   digits (at most 15, so it stays exact); otherwise text.
// - The grand total under the register adds postage and notification fees of
//   the totals row: kilograms are not money.

// One cell to fill on sheet 1.
struct RegisterCell
{
    enum Kind { Text, Number, Formula };

    int row = 0;    // 1-based, as the sheet counts
    int column = 0; // 1-based: 1 is column A
    Kind kind = Text;
    QVariant value; // QString for Text and Formula (Excel's English syntax), double for Number

    // "B9"
    QString address() const;

    bool operator==(const RegisterCell &other) const
    {
        return row == other.row && column == other.column && kind == other.kind
            && value == other.value;
    }
};

// Everything one build does to sheet 1, in this order:
// 1. A3 := dateLine (text);
// 2. rowsToInsert whole rows inserted at row 9, looking like row 9
//    (none for a single letter);
// 3. `cells` written in list order: the letters' rows 9 ... n + 8, then, for
//    a register, the totals through Formula.
struct RegisterPlan
{
    QString dateLine;
    int rowsToInsert = 0;
    int letters = 0;       // n
    int dataColumns = 0;   // 8 for a register (A to H), 5 for a journal (A to E)
    QList<RegisterCell> cells;
};

// Whether the register writes a notification fee for the letter: only where
// REESTR is 1. The builder looks the fee up (NotificationFee) for those.
bool WritesNotificationFee(const ListRow &row);

// The plan for the checked records in list order. fees[i] is the
// notification fee of rows[i], read only where WritesNotificationFee says so
// (missing entries count as 0). dateText is the date box's text. journal:
// both kind boxes ticked. No rows give a plan that writes only the date line.
RegisterPlan RegisterPlanFor(const QList<ListRow> &rows, const QList<double> &fees,
                             const QString &dateText, bool journal);

// The letters' rows of a plan as one block for a single write
// (ExcelRange::setValues) over DataBlockRange: text as QString, numbers as
// double, cells the plan does not write as null, which leave them empty.
// Formulas are not part of it.
QList<QVariantList> DataBlock(const RegisterPlan &plan);
// "A9:H11" for three letters in a register; empty without letters.
QString DataBlockRange(const RegisterPlan &plan);
