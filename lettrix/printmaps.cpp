#include "printmaps.h"

#include <QStringList>

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kCountry = QStringLiteral("УКРАИНА");

// Recipients fit on one line up to these lengths; longer ones are split in a
// window of the same size. The notification address is split in a narrower
// window than its limit, so a split line always leaves room on the form.
constexpr int kEnvelopeRecipientLimit = 25;
constexpr int kNotificationRecipientLimit = 41;
constexpr int kNotificationAddressLimit = 64;
constexpr int kNotificationAddressWindow = 60;
constexpr int kBarcodeLength = 13;
constexpr int kMergeBelow = 30;

// The notification form has one box per barcode digit: every fourth column
// from AH on row 3.
const char *const kBarcodeCells[kBarcodeLength] = {
    "AH3", "AL3", "AP3", "AT3", "AX3", "BB3", "BF3",
    "BJ3", "BN3", "BR3", "BV3", "BZ3", "CD3",
};
const char *const kIndexCells[] = {"BQ33", "BT33", "BW33", "BZ33", "CC33", "CF33"};

// Mirrors the barcode layer's rule so that the plan can be built (and tested)
// without loading it; see CheckDigitFunction.
QString OwnCheckDigit(const QString &code)
{
    int sum = 0;
    int weight = 3;
    for (qsizetype i = code.size() - 1; i >= 0; --i) {
        const QChar c = code.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QString();
        sum += (c.unicode() - '0') * weight;
        weight = 4 - weight;
    }
    return QString(QChar('0' + (10 - sum % 10) % 10));
}

void Write(SheetPlan &plan, const QString &cell, const QString &value)
{
    plan.cells.append(CellWrite{cell, value});
}

// One line when the text fits, else the two halves of the split.
void WriteOneOrTwoLines(SheetPlan &plan, const QString &text, int limit, int window,
                        const QString &firstCell, const QString &secondCell)
{
    if (text.size() <= limit) {
        Write(plan, firstCell, text);
        return;
    }
    const SplitLines lines = SplitAtBlank(text, window);
    Write(plan, firstCell, lines.first);
    Write(plan, secondCell, lines.second);
}

// Takes the country line out of the address. Registration inserts it after a
// five-character index; an index-only address ends with it, without the line
// break that marks it elsewhere, and is recognised too.
QString WithoutCountryLine(const QString &address, bool *hadCountry)
{
    const QString marked = kCountry + kLineBreak;
    QString rest = address;
    *hadCountry = rest.contains(marked);
    rest.remove(marked);

    const QStringList lines = rest.split(kLineBreak);
    if (lines.size() == 2 && lines.at(0).size() == 5 && lines.at(1) == kCountry) {
        rest = lines.at(0);
        *hadCountry = true;
    }
    return rest;
}

QString TrimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

// The address lines after the index, as they stand on the envelope: the last
// two joined when short, empty lines dropped, never more than five.
QStringList EnvelopeAddressLines(QStringList lines)
{
    const qsizetype last = lines.size() - 1;
    if (last >= 2 && lines.at(last - 1).size() + lines.at(last).size() < kMergeBelow) {
        lines[last] = lines.at(last - 1) + QStringLiteral(", ") + lines.at(last);
        lines[last - 1].clear();
    }

    QStringList kept;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!lines.at(i).isEmpty())
            kept.append(lines.at(i));
    }

    if (kept.size() > 5) {
        const QStringList surplus = kept.mid(3, kept.size() - 4);
        kept = kept.mid(0, 3) << surplus.join(QStringLiteral(", ")) << kept.last();
    }
    return kept;
}

} // namespace

SplitLines SplitAtBlank(const QString &text, int window)
{
    const QString head = text.left(window);
    const qsizetype blank = head.lastIndexOf(QLatin1Char(' '));
    if (blank < 0) {
        // A blank right at the cut is the break itself, not the start of the
        // second line.
        QString rest = text.mid(head.size());
        if (rest.startsWith(QLatin1Char(' ')))
            rest.remove(0, 1);
        return SplitLines{head, rest};
    }
    return SplitLines{head.left(blank), text.mid(blank + 1)};
}

SheetPlan EnvelopePlan(const CurrentLetter &letter, const CheckDigitFunction &checkDigit)
{
    SheetPlan plan;

    if (letter.ItemBarcode.size() == kBarcodeLength) {
        plan.pasteBarcodeAtB13 = true;
        plan.barcodeWithCheckDigit = letter.ItemBarcode
            + (checkDigit ? checkDigit(letter.ItemBarcode) : OwnCheckDigit(letter.ItemBarcode));
    }

    WriteOneOrTwoLines(plan, letter.ItemRecipient, kEnvelopeRecipientLimit,
                       kEnvelopeRecipientLimit, QStringLiteral("H9"), QStringLiteral("G10"));

    bool hadCountry = false;
    const QString address = WithoutCountryLine(letter.ItemAddress, &hadCountry);
    if (hadCountry)
        Write(plan, QStringLiteral("I15"), kCountry);

    const QStringList lines = address.split(kLineBreak);
    Write(plan, QStringLiteral("G15"), lines.at(0));

    // Bottom-up: the last line stands beside the recipient in H11, the first
    // (the region) lowest in column G; short addresses sit one row lower so
    // that they end next to the index.
    const QStringList placed = EnvelopeAddressLines(lines);
    const qsizetype count = placed.size();
    if (count == 0)
        return plan;
    Write(plan, QStringLiteral("H11"), placed.last());
    const int bottomRow = count > 3 ? 15 : 14;
    for (qsizetype i = count - 1; i >= 1; --i)
        Write(plan, QStringLiteral("G%1").arg(bottomRow - i), placed.at(i - 1));
    return plan;
}

SheetPlan NotificationBackPlan(const CurrentLetter &letter, int position,
                               const QString &dateTimeText)
{
    SheetPlan plan;

    if (letter.ItemBarcode.size() == kBarcodeLength) {
        for (int i = 0; i < kBarcodeLength; ++i)
            Write(plan, QLatin1String(kBarcodeCells[i]), letter.ItemBarcode.at(i));
    }

    WriteOneOrTwoLines(plan, letter.ItemRecipient, kNotificationRecipientLimit,
                       kNotificationRecipientLimit, QStringLiteral("AC16"), QStringLiteral("D20"));

    // Only numbers of two characters or more are quoted, as the forms printed
    // so far did, so that a reference reads the same on old and new forms.
    QString reference = letter.ItemNotes;
    if (letter.ItemNumber.size() > 1)
        reference += QStringLiteral(" исх ") + letter.ItemNumber;
    Write(plan, QStringLiteral("D24"), QLatin1Char('[') + reference + QLatin1Char(']'));

    // Only the date part of the regional date-time text; leading blanks are
    // dropped first so that they cannot cut the date away.
    const QString trimmed = TrimBlanks(dateTimeText);
    const qsizetype blank = trimmed.indexOf(QLatin1Char(' '));
    QString date = blank < 0 ? trimmed : trimmed.left(blank);
    if (letter.ItemType == 2)
        date += QStringLiteral(" (з/ув)");
    Write(plan, QStringLiteral("D4"), date);

    bool hadCountry = false;
    const QStringList lines = WithoutCountryLine(letter.ItemAddress, &hadCountry).split(kLineBreak);
    const QString index = lines.at(0);
    QString address = index.size() == 5 ? QStringLiteral("Украина, ") : QString();
    if (lines.size() > 1)
        address += lines.at(1);
    for (qsizetype i = 2; i < lines.size(); ++i)
        address += QStringLiteral(", ") + lines.at(i);
    WriteOneOrTwoLines(plan, address, kNotificationAddressLimit, kNotificationAddressWindow,
                       QStringLiteral("L28"), QStringLiteral("D33"));

    for (int i = 0; i < 6; ++i)
        Write(plan, QLatin1String(kIndexCells[i]), i < index.size() ? QString(index.at(i)) : QString());

    if (position == 1 || position == 3)
        plan.row1HeightPt = 295;
    if (position == 2 || position == 3)
        plan.columnAWidth = 71;
    return plan;
}
