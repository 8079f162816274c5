#pragma once

#include <QImage>
#include <QString>

// Barcodes of postal identifiers: the check digit and the picture. The picture
// is Interleaved 2 of 5 with the digits written under the bars, drawn by
// libzint, which is loaded by name on first use; without it the programs run
// and only barcodes fail, with an error text for the caller to show.
//
// Every function that can fail puts a message for the user into *error (when
// given) and returns an empty result; none of them throws or aborts.

// The check digit of a code of digits: mod 10 with weights 3 and 1 from the
// right, the rightmost digit weighing 3; one character. Empty for an empty
// code or one with anything but the digits 0-9.
QString Get_Check_num(const QString &code, QString *error = nullptr);

// The barcode of `codeWithCheckDigit` (digits only; an odd count is drawn
// with a leading zero, as the symbology needs pairs) as a picture, with the
// digits under the bars when `humanReadable`. The picture's dots per metre
// give its size on paper: half a millimetre a module across and digits 3 mm
// high, about 78 by 17 mm for a postal identifier. Null image on failure.
QImage BarcodeImage(const QString &codeWithCheckDigit, QString *error = nullptr,
                    bool humanReadable = true);

// Puts the barcode on the clipboard as a picture, with the digits as its
// text. `flag` is a Boolean in the old convention (-1 true, 0 false): true
// writes the digits under the bars. False, with the clipboard untouched, on
// failure.
bool MakeBarCode(const QString &codeWithCheckDigit, int flag, QString *error = nullptr);

// Test seam: the name (or path) under which libzint is looked for; the
// library already loaded is let go, the next call loads anew.
void setBarcodeLibraryName(const QString &name);
