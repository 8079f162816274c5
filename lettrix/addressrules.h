#pragma once

// The rules by which Lettrix builds a postal address from the seven parts read
// from the case-file database, checks it before a letter may be registered, and
// turns it into the address that is printed and stored.
//
// Pure functions on Qt Core types: the main window calls them from its change
// handlers and the registration calls PrintAddress; nothing here owns state.
//
// Line breaks: the address is kept with CR LF between its lines, as it is stored
// in Z_POST.ADRESS. A multi-line edit box hands out LF only, so the window
// converts with ToCrLf/FromCrLf at the box's edge and never feeds LF text here.
//
// Lengths are QString::size(), i.e. UTF-16 units. Every letter we meet (Latin,
// Cyrillic; the database is WIN1251) lies in the Basic Multilingual Plane, where
// one unit is one character.

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace AddressRules {

constexpr int MaxAddressLines = 5;
constexpr int MinAddressLines = 3;
constexpr int MaxLineLength = 34;   // every line but the index
constexpr int MaxNotesLength = 80;
constexpr int MaxRecipientLength = 65;

// Splits at every CR LF. An empty text has no lines; a trailing CR LF yields a
// last, empty line. A lone CR or LF stays inside its line.
QStringList SplitCrLf(const QString &text);

// Converts the text of a multi-line edit box (LF, or the document's paragraph
// and line separators) to CR LF line breaks. CR LF already present is kept as
// one break, not doubled.
QString ToCrLf(const QString &plainText);

// The reverse, for putting a CR LF text into a multi-line edit box.
QString FromCrLf(const QString &crLfText);

// Puts the prefixes into the parts (index, region, settlement, street, house,
// building, room) where the clerk sees them: "г." before a settlement whose first
// character is not "г", "ул." before a street beginning with neither "у" nor "п"
// (case-sensitive; an empty part gets the prefix), "д.", ", корп.", ", кв." before
// a non-empty house, building, room. Parts are never trimmed.
// Returns the five-line address: parts 0 to 3 on lines 1 to 4, parts 4+5+6 on
// line 5, joined by CR LF, no trailing break.
QString ComposeParts(std::array<QString, 7> &parts);

// Reads the leading number of a text the way the classic decimal reader does:
// blanks, tabs and LFs are skipped wherever they stand; then an optional sign,
// digits with at most one decimal point ("."), an optional exponent ("E" or "D",
// either case, optional sign, digits); reading stops at the first other
// character. A text without a leading number reads as 0; a value too small for
// a double reads as 0.
// Returns no value when the number is too large for a double (the classic
// reader stops with an overflow there).
std::optional<double> ReadNumber(const QString &text);

// Writes a finite number in plain positional decimal notation (never with an
// exponent), with the fewest significant digits that read back to the same
// double, "." as decimal point, no blanks, "-" for a negative number, and no
// leading zeros at all: 0.5 is ".5", 0 (and -0) is "0".
// A non-finite value gives an empty text.
QString WriteNumber(double value);

// The index line passes when it has 5 or 6 characters and the number read from
// it, written out, has 5 or 6 characters too ("01234" fails: it reads 1234;
// "1234.5" passes: it writes "1234.5"). An index too large to read fails.
bool IsValidIndex(const QString &indexLine);

// Checks the address (CR LF text) and the notes; returns exactly "ok", or the
// message of the first failing rule in this order: "превышено количество полей",
// "слишком мало полей", "неверный индекс", "превышена длина поля " + the line's
// number counted from 1, "превышена длина примечания".
QString ValidateAddress(const QString &address, const QString &notes);

// The hint naming each line of the address, joined by CR LF; lines are the
// address split by SplitCrLf. For fewer than 2 or more than 5 lines the hint is
// not touched: returns current.
QString LineNames(const QStringList &lines, const QString &current);

// Whether the country mark beside the address is shown: true when line 1 has
// exactly 5 characters. No value for fewer than 2 lines: the mark keeps its state.
std::optional<bool> ShowsCountryMark(const QStringList &lines);

// Characters left for the notes: 80 minus their length, negative when too long.
QString NotesLeft(const QString &notes);

// More than 65 characters.
bool RecipientTooLong(const QString &recipient);

// The address as printed and stored: when line 1 (the index) has exactly 5
// characters, "УКРАИНА" is inserted as line 2; otherwise the text unchanged.
QString PrintAddress(const QString &address);

} // namespace AddressRules
