#pragma once

#include <QDateTime>
#include <QString>

// The letter being registered, handed between the main window, the kind
// dialog, the printing window and the registration. Each keeps its value
// until it is set again: while the printing window is open, the recipient,
// address, notes, date, kind and flag describe the letter being printed, and
// the id, number, creator and barcode still hold the previous registration's.
extern qint32 ItemId;
extern QString ItemNumber;
extern QDateTime ItemDate;
extern QString ItemRecipient;
extern QString ItemAddress; // as printed: CR LF lines, "УКРАИНА" after a 5-character index
extern QString ItemNotes;
extern qint32 ItemType;     // 1 simple letter, 2 registered letter
extern QString ItemBarcode;
extern QString ItemCreator;
extern qint32 ItemFlag;     // 1: with delivery notification
