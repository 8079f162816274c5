#include "excelunits.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>

namespace {

constexpr double HmmPerInch = 2540.0;
constexpr double PointsPerInch = 72.0;
constexpr double TwipsPerInch = 1440.0;
constexpr double Padding = 5.0 / 7.0;

double roundToHundredths(double value)
{
    return std::round(value * 100.0) / 100.0;
}

// Digit advance as a fraction of the em, for when no font database is at hand.
double tabulatedDigitEm(const QString &family)
{
    const QString f = family.toLower();
    if (f.contains(QLatin1String("calibri")) || f.contains(QLatin1String("carlito")))
        return 0.5068;
    if (f.contains(QLatin1String("dejavu sans")))
        return 0.6362;
    if (f.contains(QLatin1String("times")) || f.contains(QLatin1String("serif")))
        return 0.5;
    if (f.contains(QLatin1String("courier")) || f.contains(QLatin1String("mono")))
        return 0.6001;
    return 0.5562; // Arial, Liberation Sans, Helvetica
}

double measuredDigitEm(const QString &family)
{
    // A large pixel size keeps hinting and rounding out of the ratio.
    constexpr int Pixels = 2048;
    QFont font(family);
    font.setPixelSize(Pixels);
    font.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF metrics(font);
    double widest = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(digit)));
    return widest / Pixels;
}

} // namespace

int ExcelUnits::pointsToHmm(double points)
{
    return int(std::lround(points * HmmPerInch / PointsPerInch));
}

double ExcelUnits::hmmToPoints(int hmm)
{
    // Excel keeps row heights in twips (1/20 point); 1/100 mm is finer, so
    // rounding to twips gives back exactly what was set.
    return std::round(hmm * PointsPerInch / HmmPerInch * 20.0) / 20.0;
}

int ExcelUnits::columnWidthToHmm(double characters, int digitWidthTwips)
{
    if (characters <= 0)
        return 0;
    return int(std::lround((characters + Padding) * digitWidthTwips * HmmPerInch / TwipsPerInch));
}

double ExcelUnits::hmmToColumnWidth(int hmm, int digitWidthTwips)
{
    if (hmm <= 0 || digitWidthTwips <= 0)
        return 0;
    return std::max(0.0, roundToHundredths(hmm * TwipsPerInch / HmmPerInch / digitWidthTwips
                                           - Padding));
}

int ExcelUnits::digitWidthTwips(const QString &family, double pointSize)
{
    const double em = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        ? measuredDigitEm(family)
        : tabulatedDigitEm(family);
    // Whole twips, rounded down as the office does when it measures the digit.
    return int(std::floor(em * pointSize * TwipsPerInch / PointsPerInch + 1e-6));
}
