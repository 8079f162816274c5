#pragma once

#include <QDateTime>
#include <QString>

class Command;
class Connection;

// Numbering and storing a letter in Z_POST.
//
// The next ID and outgoing number come from the row with the highest ID: its
// ID + 1 and its NUMBER + 1 (1 and 1 on an empty table). Reading the numbers
// and inserting the row run as one transaction, which first updates the row
// of Z_POSTCONFIG (adding it to an empty table): the engine then holds every
// other registration of every program at that row until this one has ended,
// so clerks registering at the same moment take their turns instead of
// computing the same number. A turn that found the row changed starts over
// in a new transaction, and so does any other clash (a program that does not
// take the row), with a short random pause, for up to RegistrationPatienceMs
// and never longer than the connection's CommandTimeout: a registration that
// waits for a row another program holds is cancelled then.
// A number is therefore never handed out twice, none is skipped, and a letter
// is stored exactly once or not at all.

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

// How long clashes are retried before a registration gives up.
constexpr int RegistrationPatienceMs = 30000;

// Numbers and inserts the row as one unit, retrying clashes as said above.
// Throws DbException when it still fails, or at once for any other error;
// nothing is stored then.
Registered RegisterLetter(Connection *connection, const LetterRow &row);
