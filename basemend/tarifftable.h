#pragma once

#include "tablescripts.h"

#include <QList>
#include <QString>
#include <QVariant>

class Command;

// Z_POSTPRICE as the tariff editor reads and writes it: the two weight
// ladders (kinds 1 and 2), the single prices of kinds 3, 4 and 5, and the
// save of edited prices. Only prices change; no row is added or removed and
// no WEIGHT is touched.
//
// Statements go through the caller's command object on its open connection;
// it stays the caller's. Failures throw TableScripts::Failure.
class TariffTable
{
public:
    // Rows a ladder shows at most.
    static constexpr int LadderSlots = 20;

    // One row as read: PRICE and, for the ladders, WEIGHT (either may be Null).
    struct Row
    {
        QVariant Price;
        QVariant Weight;
    };

    // What one load reads.
    struct Tariffs
    {
        // Kinds 1 and 2 ordered by WEIGHT: the first LadderSlots rows, and
        // one more when the kind has more, so the caller can tell.
        QList<Row> Ladders[2];
        // Kinds 3, 4 and 5: the first row, or none when the kind has no row.
        QList<Row> Singles[3];
    };

    // One price to write: the ladder row of Kind (1 or 2) whose WEIGHT is
    // Weight, or the row of Kind 3, 4 or 5 (Weight unused). Text is the
    // price as TariffPriceText gives it.
    struct Price
    {
        int Kind = 0;
        qint32 Weight = 0;
        QString Text;
    };

    explicit TariffTable(Command &command);

    Tariffs Read();
    // Writes every price in order, in one transaction: all of them or, when
    // any statement fails, none. A numeric PRICE takes the price as a
    // number, a text PRICE (databases made by older scripts) the comma text.
    void Save(const QList<Price> &prices);

private:
    QList<Row> query(const QString &sql, int columns, int maxRecords);
    void execute(const QString &sql, const QVariantList &parameters);
    // Whether Z_POSTPRICE.PRICE holds text, by the system tables.
    bool priceIsText();

    Command &m_command;
};
