#pragma once

// Conversions between Excel's units, which callers use, and the office's
// 1/100 mm. Row heights are in points. Column widths are in Excel's
// character unit: the width of c digits of the workbook's default font plus
// a fixed padding of 5/7 of a digit, so the same number means a different
// length in a workbook with another default font.

#include <QString>

class ExcelUnits
{
public:
    static int pointsToHmm(double points);
    // Rounded to twips (1/20 point), Excel's own step, so a height reads back
    // as it was set.
    static double hmmToPoints(int hmm);

    static int columnWidthToHmm(double characters, int digitWidthTwips);
    // Rounded to 1/100 character, as above.
    static double hmmToColumnWidth(int hmm, int digitWidthTwips);

    // Width of the widest digit of the font, in twips (1/1440 inch); 111 for
    // Arial 10 and Calibri 11, 127 for DejaVu Sans 10. Measured with the
    // system's fonts when a QGuiApplication runs, else taken from a table of
    // the usual spreadsheet fonts.
    static int digitWidthTwips(const QString &family, double pointSize);
};
