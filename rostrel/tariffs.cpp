#include "tariffs.h"

#include <QtMath>

#include <cmath>

namespace {

const QString kUkraine = QStringLiteral("УКРАИНА, ");
const QString kSinglePriceStatement =
    QStringLiteral("select Z_POSTPRICE.PRICE from Z_POSTPRICE where TYPEM=%1");
// Bound against the INTEGER column, a plain "?" would take the column's type
// and round 49.5 g up to 50, pricing the letter in the wrong bracket.
const QString kLadderStatement =
    QStringLiteral("select Z_POSTPRICE.PRICE from Z_POSTPRICE where TYPEM=? "
                   "AND WEIGHT>CAST(? AS DOUBLE PRECISION) ORDER BY WEIGHT");

constexpr int kNotificationKind = 3;
constexpr int kUkraineSimpleKind = 4;
constexpr int kUkraineRegisteredKind = 5;
// An exponent beyond this already overflows or underflows a double.
constexpr int kExponentCap = 100000;

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isIgnored(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

// Number text without group separators, at most 15 significant digits, as
// the regional settings write numbers (see Regional::NumberToText).
QString numberText(double value, QLocale locale)
{
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    // -0 would read "-0".
    return locale.toString(value == 0 ? 0.0 : value, 'g', 15);
}

} // namespace

double WeightValue(const QString &text)
{
    QString s;
    s.reserve(text.size());
    for (const QChar c : text) {
        if (!isIgnored(c))
            s.append(c);
    }

    qsizetype i = 0;
    QString number;
    if (i < s.size() && (s.at(i) == QLatin1Char('-') || s.at(i) == QLatin1Char('+'))) {
        if (s.at(i) == QLatin1Char('-'))
            number.append(QLatin1Char('-'));
        ++i;
    }
    bool anyDigit = false;
    while (i < s.size() && isDigit(s.at(i))) {
        number.append(s.at(i++));
        anyDigit = true;
    }
    if (i < s.size() && (s.at(i) == QLatin1Char('.') || s.at(i) == QLatin1Char(','))) {
        number.append(QLatin1Char('.'));
        ++i;
        while (i < s.size() && isDigit(s.at(i))) {
            number.append(s.at(i++));
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;

    // The exponent counts only when digits follow its letter and sign.
    if (i < s.size() && QStringLiteral("EeDd").contains(s.at(i))) {
        qsizetype j = i + 1;
        bool negative = false;
        if (j < s.size() && (s.at(j) == QLatin1Char('-') || s.at(j) == QLatin1Char('+')))
            negative = s.at(j++) == QLatin1Char('-');
        int exponent = 0;
        bool exponentDigits = false;
        while (j < s.size() && isDigit(s.at(j))) {
            exponent = qMin(exponent * 10 + (s.at(j++).unicode() - '0'), kExponentCap);
            exponentDigits = true;
        }
        if (exponentDigits)
            number += QStringLiteral("e%1%2")
                          .arg(negative ? QStringLiteral("-") : QString())
                          .arg(exponent);
    }
    // The text is well formed by now; "not ok" only means it overflowed
    // (infinite) or underflowed (0), which is the value wanted.
    bool ok = false;
    return QLocale::c().toDouble(number, &ok);
}

bool IsStorableWeight(double grams)
{
    return std::isfinite(grams) && grams >= 0;
}

QString InvalidWeightMessage(const QString &typed)
{
    return QStringLiteral("Вес «%1» не может быть сохранён: введите вес письма в граммах, "
                          "число не меньше нуля.")
        .arg(typed.trimmed());
}

QString WeightText(double grams, const QLocale &regional)
{
    return numberText(grams, regional);
}

QString PriceText(double price, const QLocale &regional)
{
    return numberText(RoundMoney(price), regional);
}

bool IsUkrainianAddress(const QString &address)
{
    return address.contains(kUkraine, Qt::CaseSensitive);
}

TariffQuery LookUpPriceQuery(const QString &address, int kind, double grams)
{
    if (IsUkrainianAddress(address)) {
        if (kind == 1)
            return TariffQuery{kSinglePriceStatement.arg(kUkraineSimpleKind), {}};
        if (kind == 2)
            return TariffQuery{kSinglePriceStatement.arg(kUkraineRegisteredKind), {}};
        return TariffQuery{};
    }
    return TariffQuery{kLadderStatement, {QVariant(kind), QVariant(grams)}};
}

TariffQuery NotificationFeeQuery(const ListRow &row)
{
    if (row.TYPEM != 2 || IsUkrainianAddress(row.ADRESS))
        return TariffQuery{};
    return TariffQuery{kSinglePriceStatement.arg(kNotificationKind), {}};
}
