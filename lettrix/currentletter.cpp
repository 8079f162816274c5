#include "currentletter.h"

qint32 ItemId = 0;
QString ItemNumber;
QDateTime ItemDate;
QString ItemRecipient;
QString ItemAddress;
QString ItemNotes;
qint32 ItemType = 0;
QString ItemBarcode;
QString ItemCreator;
qint32 ItemFlag = 0;
