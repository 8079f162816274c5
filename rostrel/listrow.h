#pragma once

#include <QDateTime>
#include <QString>

// Rostrel's record of one listed Z_POST row. The main window keeps them in
// ListRows in list order (element 0 stays empty, standing for "no current
// line"); weighing writes WEIGHT and PRICE, the register builder reads them.
// Field names are the table's column names; a Null column leaves its field
// empty or 0.
struct ListRow
{
    qint32 ID = 0;
    QString NUMBER;     // outgoing number, as stored (text)
    QDateTime PDATE;
    QString FIO;
    QString ADRESS;     // on one line: the stored CR LF replaced by ", "
    QString NOTES;
    qint16 TYPEM = 0;   // 1 simple letter, 2 registered letter
    QString BARCODE;
    // Grams as text: the stored regional form ("20,5") after a listing, with
    // "." ("20.5") after weighing; read it with WeightValue (tariffs.h).
    QString WEIGHT;
    double PRICE = 0;   // rounded to two decimals
    qint16 REESTR = 0;  // 1: registered letter with delivery notification
};
