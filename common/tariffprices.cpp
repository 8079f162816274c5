#include "tariffprices.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

double RoundMoney(double amount)
{
    if (!std::isfinite(amount))
        return amount;
    // Kopecks through their 15-digit decimal text, so that 1.005 (held as
    // 1.00499999...) rounds as the clerk reads it, to 1.01.
    const double kopecks = QString::number(amount * 100, 'g', 15).toDouble();
    return std::round(kopecks) / 100;
}

std::optional<double> ReadPrice(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    double price = 0;
    switch (value.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        QString text = value.toString().trimmed();
        text.replace(QLatin1Char(','), QLatin1Char('.'));
        bool ok = false;
        price = QLocale::c().toDouble(text, &ok);
        if (!ok)
            return std::nullopt;
        break;
    }
    default: {
        bool ok = false;
        price = value.toDouble(&ok);
        if (!ok)
            return std::nullopt;
        break;
    }
    }
    if (!std::isfinite(price))
        return std::nullopt;
    return RoundMoney(price);
}

bool IsTariffPrice(const QString &typed)
{
    // [0-9], not \d: other scripts' digits would not read back as a number.
    static const QRegularExpression price(QStringLiteral("^[0-9]+([.,][0-9]{1,2})?$"));
    return price.match(typed.trimmed()).hasMatch();
}

QString TariffPriceText(const QString &typed)
{
    return typed.trimmed().replace(QLatin1Char('.'), QLatin1Char(','));
}

QString StoredTariffPriceText(const QVariant &stored)
{
    if (!stored.isValid() || stored.isNull())
        return QString();
    switch (stored.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return stored.toString().trimmed();
    default: {
        const std::optional<double> price = ReadPrice(stored);
        if (!price)
            return stored.toString().trimmed();
        return QString::number(*price, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(','));
    }
    }
}
