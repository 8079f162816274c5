#pragma once

#include "listrow.h"
#include "tariffprices.h"

#include <QLocale>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <optional>

// Weights and prices of letters: how a weight is read from what the clerk
// typed or the database holds, how weights and prices are written back and
// shown, and which tariff query prices a letter. Plain functions without a
// database or widgets; the main window runs the queries, the register
// builder reads weights and rounds money with the same rules. How a price
// is read and rounded is shared with the tariff editor (tariffprices.h).
//
// Texts that follow the desktop's regional settings take the locale as an
// argument: the window passes Regional::locale().

// The weight in grams of a text: its leading number. Blanks, tabs and line
// feeds are ignored wherever they stand; then an optional sign, digits with
// at most one decimal point ("," or "."), an optional exponent (E or D, upper
// or lower case, an optional sign and digits); reading stops at the first
// other character. No leading number gives 0. "20,5" and "20.5" give 20.5,
// " 2 0" 20, "12abc" 12, "1d2" 100. Overflow gives an infinite value, which
// IsStorableWeight refuses.
double WeightValue(const QString &text);

// Whether a weight may be stored and priced: finite and not negative.
bool IsStorableWeight(double grams);

// The critical box's text for a weight that IsStorableWeight refuses.
QString InvalidWeightMessage(const QString &typed);

// The weight as the regional settings write it: what Z_POST.WEIGHT keeps and
// the list line shows ("20,5" or "20" in ru_RU, "20.5" in en_US).
QString WeightText(double grams, const QLocale &regional);

// A price as Text6 shows it: regional number format ("45,5", "0").
QString PriceText(double price, const QLocale &regional);

// Whether a letter goes to Ukraine: its one-line address contains
// "УКРАИНА, " (case-sensitive, comma and blank included). An address that
// ends in "УКРАИНА" does not.
bool IsUkrainianAddress(const QString &address);

// A look-up in Z_POSTPRICE. An empty statement means there is nothing to
// look up and the result is 0. Otherwise the result is the first row's
// PRICE read with ReadPrice; no row, or no value, gives 0.
struct TariffQuery
{
    QString statement;
    QVariantList bindings; // one per "?", in order
};

// The price query of a letter of the given kind (TYPEM) and weight: kinds 4
// and 5 give the whole price of a simple or a registered letter to Ukraine,
// whatever its weight (another kind to Ukraine costs 0); otherwise the
// lightest bracket of the kind whose bound is strictly above the weight. The
// weight is bound as a number that keeps its fraction.
TariffQuery LookUpPriceQuery(const QString &address, int kind, double grams);

// The notification fee query of a letter: the price of kind 3 for a
// registered letter not going to Ukraine; no query (0) for any other.
TariffQuery NotificationFeeQuery(const ListRow &row);
