#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// Prices of Z_POSTPRICE as both programs handle them: Rostrel reads them to
// price letters, Basemend's tariff editor checks what the clerk typed and
// writes it. Keeping the editor's check beside the reader guarantees that
// every price the editor saves can be read back. Plain functions, Qt Core only.

// Money is held to the kopeck: rounded half away from zero to two decimals,
// so a tariff kept as a float (33.599998) counts as 33.6.
double RoundMoney(double amount);

// A Z_POSTPRICE.PRICE as the database hands it over: a number (databases made
// by our scripts) or text with "," or "." as decimal point (older databases,
// written by the tariff editor as text), whatever the locale; rounded with
// RoundMoney. Null, empty or unreadable text gives no value: the caller
// counts it as no row.
std::optional<double> ReadPrice(const QVariant &value);

// Whether the tariff editor may save a price as typed: blanks around it,
// then ASCII digits, optionally one "," or "." followed by one or two digits.
// "12", "12,5", " 12.50 " pass; "", "abc", "1,234", "12'5", "12,", ",5",
// "1 000" do not.
bool IsTariffPrice(const QString &typed);

// A price that IsTariffPrice accepts as the editor writes and shows it:
// without the blanks around it, "." turned into ",". "12.50" gives "12,50".
QString TariffPriceText(const QString &typed);

// A stored PRICE as the editor shows it: text without the blanks around it
// as it stands, a number to the kopeck with two decimals and "," ("9,00");
// Null gives an empty text.
QString StoredTariffPriceText(const QVariant &stored);
