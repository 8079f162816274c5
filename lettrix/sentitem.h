#pragma once

// One letter of the clerk's sent-items list as the list reads it from Z_POST,
// and the line the list shows for it.
//
// Pure functions on Qt Core types: the main window's LoadList reads each row
// into a SentItem, cleans its address and adds its line to the view.
// Lengths are QString::size(), i.e. UTF-16 units (every letter of a
// WIN1251 database is one unit).

#include <QDateTime>
#include <QString>
#include <QVariantList>

struct SentItem
{
    qint32 ID = 0;
    QString NUMBER;
    QDateTime PDATE;
    QString FIO;
    QString ADRESS;
    QString NOTES;
    QString WEIGHT;
    QString PRICE;
    QString BARCODE;
    qint32 TYPEM = 0;
};

// Reads the ten columns of one row in the list's select order (ID, NUMBER,
// PDATE, FIO, ADRESS, NOTES, WEIGHT, PRICE, BARCODE, TYPEM). A null or missing
// column leaves its field empty (empty text, 0, null date).
SentItem ReadSentItem(const QVariantList &columns);

// The address on one line: CR LF becomes ", ", then ",," becomes ",", ", ,"
// becomes ", " and two blanks become one. Each replacement goes once over the
// text, so a run of three or more can leave a shorter run behind.
QString ListedAddress(const QString &address);

// NUMBER, FIO, ADRESS and NOTES separated by tabs; FIO, ADRESS and NOTES cut
// to, or padded with blanks up to, 22, 50 and 30 characters. The address is
// taken as it stands in the item.
QString SentItemLine(const SentItem &item);
