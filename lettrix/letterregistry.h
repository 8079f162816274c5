#pragma once

#include <QDateTime>
#include <QString>

class Command;
class Connection;

// Numbering and storing a letter in Z_POST.
//
// The next ID and outgoing number come from the row with the highest ID: its
// ID + 1 and its NUMBER + 1 (1 and 1 on an empty table). Two clerks may
// register at the same moment, so reading the numbers and inserting the row
// run as one transaction; a clash on the ID key (or an update conflict) rolls
// it back and the whole unit is tried again with fresh numbers. A number is
// therefore never handed out twice, and a letter is stored exactly once or
// not at all.

struct LetterRow
{
    QDateTime date;
    QString recipient;
    QString address;
    QString notes;
    qint32 type = 0;
    QString creator;
    qint32 flag = 0;
};

struct Registered
{
    qint32 id = 0;
    qint32 number = 0;
};

// ID of the row with the highest ID, plus 1; 1 for an empty table.
// Throws DbException; also when that ID cannot be read as a number.
qint32 NextId(Command &command);

// NUMBER of the row with the highest ID, plus 1; 1 for an empty table.
// Throws DbException when that NUMBER is Null or not a whole number: issuing
// 1 again would give a number twice.
qint32 NextNumber(Command &command);

// Numbers and inserts the row as one unit, retrying a clash up to `attempts`
// times. Throws DbException when it still fails; nothing is stored then.
Registered RegisterLetter(Connection *connection, const LetterRow &row, int attempts = 5);
