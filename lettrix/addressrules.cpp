#include "addressrules.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace AddressRules {

namespace {

const QString CrLf = QStringLiteral("\r\n");

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(char16_t c)
{
    // ASCII only: QChar::isDigit would also take Arabic-Indic or full-width digits.
    return c >= u'0' && c <= u'9';
}

bool isExponentMark(char16_t c)
{
    return c == u'E' || c == u'e' || c == u'D' || c == u'd';
}

// The pieces of the leading number, gathered before any conversion so that the
// conversion never sees the regional decimal separator or the skipped blanks.
struct NumberText
{
    bool negative = false;
    std::string integerDigits;
    std::string fractionDigits;
    bool exponentNegative = false;
    std::string exponentDigits;
};

NumberText scanNumber(const QString &text)
{
    enum class Stage { Sign, Integer, Fraction, ExponentSign, Exponent };
    NumberText n;
    Stage stage = Stage::Sign;
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (isBlank(c))
            continue;
        const bool mantissaSeen = !n.integerDigits.empty() || !n.fractionDigits.empty();
        switch (stage) {
        case Stage::Sign:
            stage = Stage::Integer;
            if (c == u'+' || c == u'-') {
                n.negative = c == u'-';
                continue;
            }
            [[fallthrough]];
        case Stage::Integer:
            if (isDigit(c)) {
                n.integerDigits += char(c);
                continue;
            }
            if (c == u'.') {
                stage = Stage::Fraction;
                continue;
            }
            if (isExponentMark(c) && mantissaSeen) {
                stage = Stage::ExponentSign;
                continue;
            }
            return n;
        case Stage::Fraction:
            if (isDigit(c)) {
                n.fractionDigits += char(c);
                continue;
            }
            if (isExponentMark(c) && mantissaSeen) {
                stage = Stage::ExponentSign;
                continue;
            }
            return n;
        case Stage::ExponentSign:
            stage = Stage::Exponent;
            if (c == u'+' || c == u'-') {
                n.exponentNegative = c == u'-';
                continue;
            }
            [[fallthrough]];
        case Stage::Exponent:
            if (isDigit(c)) {
                n.exponentDigits += char(c);
                continue;
            }
            return n;
        }
    }
    return n;
}

// Far beyond any double's decimal range even after a very long run of mantissa
// digits, yet small enough that the arithmetic below cannot wrap.
constexpr std::int64_t ExponentCap = 1'000'000'000;

std::int64_t exponentValue(const NumberText &n)
{
    std::int64_t e = 0;
    for (const char c : n.exponentDigits) {
        e = e * 10 + (c - '0');
        if (e > ExponentCap) {
            e = ExponentCap;
            break;
        }
    }
    return n.exponentNegative ? -e : e;
}

} // namespace

QStringList SplitCrLf(const QString &text)
{
    if (text.isEmpty())
        return {};
    return text.split(CrLf, Qt::KeepEmptyParts);
}

QString ToCrLf(const QString &plainText)
{
    QString s = plainText;
    s.replace(CrLf, QStringLiteral("\n"));
    s.replace(QChar(QChar::ParagraphSeparator), QChar(u'\n'));
    s.replace(QChar(QChar::LineSeparator), QChar(u'\n'));
    s.replace(QChar(u'\n'), CrLf);
    return s;
}

QString FromCrLf(const QString &crLfText)
{
    QString s = crLfText;
    s.replace(CrLf, QStringLiteral("\n"));
    return s;
}

QString ComposeParts(std::array<QString, 7> &parts)
{
    if (!parts[2].startsWith(QChar(u'г')))
        parts[2].prepend(QStringLiteral("г."));
    if (!parts[3].startsWith(QChar(u'у')) && !parts[3].startsWith(QChar(u'п')))
        parts[3].prepend(QStringLiteral("ул."));
    if (!parts[4].isEmpty())
        parts[4].prepend(QStringLiteral("д."));
    if (!parts[5].isEmpty())
        parts[5].prepend(QStringLiteral(", корп."));
    if (!parts[6].isEmpty())
        parts[6].prepend(QStringLiteral(", кв."));
    return parts[0] + CrLf + parts[1] + CrLf + parts[2] + CrLf + parts[3] + CrLf
           + parts[4] + parts[5] + parts[6];
}

std::optional<double> ReadNumber(const QString &text)
{
    const NumberText n = scanNumber(text);

    const auto firstNonZero = [](const std::string &digits) {
        return digits.find_first_not_of('0');
    };
    const std::size_t intStart = firstNonZero(n.integerDigits);
    const std::size_t fracStart = firstNonZero(n.fractionDigits);
    // No digits, or only zeros: the exponent cannot make it anything but zero.
    if (intStart == std::string::npos && fracStart == std::string::npos)
        return 0.0;

    const std::int64_t exponent = exponentValue(n);
    std::string literal;
    if (n.negative)
        literal += '-';
    literal += n.integerDigits.empty() ? std::string("0") : n.integerDigits;
    if (!n.fractionDigits.empty())
        literal += '.' + n.fractionDigits;
    literal += 'e' + std::to_string(exponent);

    double value = 0.0;
    const char *const end = literal.data() + literal.size();
    const auto [ptr, ec] = std::from_chars(literal.data(), end, value, std::chars_format::general);
    if (ec == std::errc() && ptr == end && std::isfinite(value))
        return value;

    // Out of range: the decimal order of the leading significant digit tells an
    // overflow (no value) from an underflow (zero).
    const std::int64_t order = intStart != std::string::npos
            ? exponent + std::int64_t(n.integerDigits.size() - intStart) - 1
            : exponent - std::int64_t(fracStart) - 1;
    if (order > 0)
        return std::nullopt;
    return 0.0;
}

QString WriteNumber(double value)
{
    if (!std::isfinite(value))
        return {};
    if (value == 0.0)
        return QStringLiteral("0");   // also -0, which has no sign when written
    // The shortest digits that read back come in scientific form ("-1.2345e+04");
    // they are then laid out positionally, padding with zeros as needed.
    char buffer[64];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                         std::chars_format::scientific);
    if (ec != std::errc())
        return {};
    const std::string scientific(buffer, ptr);
    const std::size_t e = scientific.find('e');
    const bool negative = scientific[0] == '-';
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < e; ++i) {
        if (scientific[i] != '.')
            digits += scientific[i];
    }
    const int exponent = std::stoi(scientific.substr(e + 1));
    const int count = int(digits.size());

    std::string out = negative ? "-" : "";
    if (exponent >= count - 1) {
        out += digits + std::string(std::size_t(exponent - (count - 1)), '0');
    } else if (exponent >= 0) {
        out += digits.substr(0, std::size_t(exponent) + 1) + '.'
               + digits.substr(std::size_t(exponent) + 1);
    } else {
        // The classic writer drops the zero before the point as well: 0.5 is ".5".
        out += '.' + std::string(std::size_t(-exponent - 1), '0') + digits;
    }
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

bool IsValidIndex(const QString &indexLine)
{
    if (indexLine.size() < 5 || indexLine.size() > 6)
        return false;
    const std::optional<double> number = ReadNumber(indexLine);
    if (!number)
        return false;
    const qsizetype written = WriteNumber(*number).size();
    return written >= 5 && written <= 6;
}

QString ValidateAddress(const QString &address, const QString &notes)
{
    const QStringList lines = SplitCrLf(address);
    if (lines.size() > MaxAddressLines)
        return QStringLiteral("превышено количество полей");
    if (lines.size() < MinAddressLines)
        return QStringLiteral("слишком мало полей");
    // Three lines are enough only when the region is left out and the settlement
    // (a town) comes second.
    if (lines.size() == MinAddressLines && !lines[1].startsWith(QStringLiteral("г.")))
        return QStringLiteral("слишком мало полей");
    if (!IsValidIndex(lines[0]))
        return QStringLiteral("неверный индекс");
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].size() > MaxLineLength)
            return QStringLiteral("превышена длина поля ") + QString::number(i + 1);
    }
    if (notes.size() > MaxNotesLength)
        return QStringLiteral("превышена длина примечания");
    return QStringLiteral("ok");
}

QString LineNames(const QStringList &lines, const QString &current)
{
    const qsizetype count = lines.size();
    if (count < 2 || count > MaxAddressLines)
        return current;
    QStringList names;
    if (lines[1].startsWith(QStringLiteral("г."))) {
        // A town in line 2 means there is no region line; five lines then have
        // one more than there are names for, and the table gives four.
        names = {QStringLiteral("индекс"), QStringLiteral("город"), QStringLiteral("улица"),
                 QStringLiteral("дом, кв")};
        names = names.mid(0, qMin<qsizetype>(count, 4));
    } else {
        names = {QStringLiteral("индекс"), QStringLiteral("область"), QStringLiteral("город"),
                 QStringLiteral("улица"), QStringLiteral("дом, кв")};
        names = names.mid(0, count);
    }
    return names.join(CrLf);
}

std::optional<bool> ShowsCountryMark(const QStringList &lines)
{
    if (lines.size() < 2)
        return std::nullopt;
    return lines[0].size() == 5;
}

QString NotesLeft(const QString &notes)
{
    return QString::number(MaxNotesLength - notes.size());
}

bool RecipientTooLong(const QString &recipient)
{
    return recipient.size() > MaxRecipientLength;
}

QString PrintAddress(const QString &address)
{
    const QStringList lines = SplitCrLf(address);
    if (lines.isEmpty() || lines[0].size() != 5)
        return address;
    QStringList printed = lines;
    printed.insert(1, QStringLiteral("УКРАИНА"));
    return printed.join(CrLf);
}

} // namespace AddressRules
