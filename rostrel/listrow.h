#pragma once

// One letter of Rostrel's list as the listing reads it from Z_POST, and the
// line the list shows for it.
//
// Pure functions on Qt Core types: the main window reads each row of the
// day's listing into a ListRow, keeps the records in list order (element 0
// stays empty, standing for "no current line"); weighing writes WEIGHT and
// PRICE, the register builder reads them. Lengths are QString::size(), i.e.
// UTF-16 units (every letter of a WIN1251 database is one unit).

#include <QDateTime>
#include <QString>
#include <QVariantList>

struct ListRow
{
    qint32 ID = 0;
    QString NUMBER;     // outgoing number, as stored (text)
    QDateTime PDATE;
    QString FIO;
    // On one line: every CR LF of the stored address is ", ".
    QString ADRESS;
    QString NOTES;
    qint32 TYPEM = 0;   // 1 simple letter, 2 registered letter
    QString BARCODE;
    // Grams as text in the stored regional form ("20,5"), after a listing
    // and after weighing alike; read it with WeightValue (tariffs.h), which
    // takes "," or "." whatever the locale.
    QString WEIGHT;
    double PRICE = 0;   // rounded to two decimals
    qint32 REESTR = 0;  // 1: registered letter with delivery notification
};

// Reads the eleven columns of one row in the listing's select order (ID,
// NUMBER, PDATE, FIO, ADRESS, NOTES, WEIGHT, PRICE, BARCODE, TYPEM, REESTR).
// A null or missing column leaves its field empty (empty text, 0, null date);
// PRICE is read as ReadPrice (tariffs.h) reads a price, to the kopeck.
ListRow ReadListRow(const QVariantList &columns);

// " " + NUMBER, then the first 22 characters of FIO, the first 50 of ADRESS,
// the first 16 of NOTES and the first 5 of WEIGHT, separated by tabs; shorter
// texts are not padded.
QString ListRowLine(const ListRow &row);
