#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// What the printing window writes into the envelope and into the back of the
// delivery-notification form: which text goes into which cell of sheet 1, and
// which layout steps follow. Nothing here touches a spreadsheet, so the rules
// can be tested without an office; the window only carries the plan out.
//
// Everything is returned by value; nothing is kept between calls.
//
// Decisions taken where the old program gave no rule:
// - A text that must be split but has no blank within its window is cut at the
//   window's edge: the first line holds exactly the window's characters, the
//   second line the rest (without the blank when one stands right at the cut).
// - An address that is only the postal index, or empty, prints what there is:
//   the envelope writes the index into G15 (an empty text for an empty
//   address) and places no line; the notification writes its address text
//   (possibly empty, or just "Украина, ") and the index digits.
// - A five-character index followed by nothing but the country line
//   ("01001" CR LF "УКРАИНА", what registration makes of an index-only
//   address) is taken as index plus country line, not as an address line
//   reading "УКРАИНА".
// - The envelope never merges the index line: the last two lines are joined
//   only when there are at least two lines after the index.
// - Envelope addresses of more than five lines after compaction would climb
//   into the recipient's rows; instead, the lines from the fourth to the one
//   before the last are joined with ", " into G11, so the recipient cells are
//   never overwritten.
// - Outgoing numbers of one character or none add nothing to the reference.
// - The date is not formatted here: the caller passes ItemDate already written
//   in the regional date-time format, so these rules need no locale. Blanks
//   around that text are dropped before it is cut at its first blank.
// - A notification position outside 0..3 changes no layout, like 0.

// The current-letter variables as the printing window sees them. Only the
// fields that the plans read matter to them; ItemDate is formatted by the
// caller (see NotificationBackPlan).
struct CurrentLetter
{
    qint32 ItemId = 0;
    QString ItemNumber;     // outgoing number as decimal text; empty before the first registration
    QDateTime ItemDate;
    QString ItemRecipient;
    QString ItemAddress;    // lines joined by CR LF; line 1 is the postal index
    QString ItemNotes;
    qint32 ItemType = 0;    // 1 simple letter, 2 registered letter
    QString ItemBarcode;    // "Null" after a registration; 13 characters for a real code
    QString ItemCreator;
    qint32 ItemFlag = 0;    // 1 with delivery notification
};

// One cell to fill. The value is always written as text, so that an index or
// a barcode digit "0" keeps its leading zeros and is never read as a number.
struct CellWrite
{
    QString cell;   // A1-style address on sheet 1
    QString value;

    bool operator==(const CellWrite &other) const
    {
        return cell == other.cell && value == other.value;
    }
};

// Everything one print does to sheet 1, to be performed in this order:
// 1. when pasteBarcodeAtB13: draw barcodeWithCheckDigit, select B13, paste;
// 2. write `cells` in list order (a later write to the same cell wins);
// 3. when set, make row 1 row1HeightPt points high;
// 4. when set, make column A columnAWidth wide (spreadsheet column units).
struct SheetPlan
{
    bool pasteBarcodeAtB13 = false;
    QString barcodeWithCheckDigit;
    QList<CellWrite> cells;
    std::optional<double> row1HeightPt;
    std::optional<double> columnAWidth;
};

// A text broken into two printed lines.
struct SplitLines
{
    QString first;
    QString second;
};

// Splits `text` for a window of `window` characters: the first line is the
// text's first `window` characters up to (not including) their last blank,
// the second line everything after that blank. Without a blank in the window
// the text is cut at the window's edge (see above). Callers split only texts longer than
// their limit (25, 41 or 64 characters).
SplitLines SplitAtBlank(const QString &text, int window);

// The check digit appended to a 13-character barcode before it is drawn.
// When empty, the plan uses its own rule: mod 10 with weights 3 and 1 from
// the right (the rightmost digit weighs 3), the same as the barcode layer's
// Get_Check_num; a code with anything but digits then gets no digit, and the
// barcode layer refuses the code with its own error.
using CheckDigitFunction = std::function<QString(const QString &code)>;

// The envelope: barcode picture at B13 for a 13-character ItemBarcode,
// recipient in H9 (and G10), "УКРАИНА" in I15 when the address carries the
// country line, index in G15, the address lines bottom-up from H11.
SheetPlan EnvelopePlan(const CurrentLetter &letter, const CheckDigitFunction &checkDigit = {});

// The back of the delivery notification in one of the four positions
// (0 as printed, 1 moved down, 2 moved right, 3 both). `dateTimeText` is
// ItemDate in the regional date-time format (date, a blank, the time); only
// its date part is printed.
SheetPlan NotificationBackPlan(const CurrentLetter &letter, int position,
                               const QString &dateTimeText);
