#include "database/connectionstring.h"

const QString ConnectionString::FirebirdDriver = QStringLiteral("Firebird/InterBase(r) driver");

namespace {

// Reads the value that starts at pos (just after "=") and leaves pos after
// the ";" that ends it, or at the end of the text.
QString readValue(const QString &text, qsizetype &pos)
{
    const qsizetype size = text.size();
    while (pos < size && text.at(pos).isSpace())
        ++pos;
    const qsizetype start = pos;
    if (pos < size && text.at(pos) == QLatin1Char('{')) {
        QString value;
        for (qsizetype i = pos + 1; i < size; ++i) {
            if (text.at(i) != QLatin1Char('}')) {
                value += text.at(i);
            } else if (i + 1 < size && text.at(i + 1) == QLatin1Char('}')) {
                value += QLatin1Char('}');
                ++i;
            } else {
                // Whatever stands between the closing brace and the next ";"
                // is not part of the value.
                const qsizetype semicolon = text.indexOf(QLatin1Char(';'), i + 1);
                pos = semicolon < 0 ? size : semicolon + 1;
                return value;
            }
        }
        // No closing brace: read it as an unquoted value, as before braces
        // meant anything.
    }
    const qsizetype semicolon = text.indexOf(QLatin1Char(';'), start);
    const qsizetype end = semicolon < 0 ? size : semicolon;
    pos = semicolon < 0 ? size : semicolon + 1;
    return text.mid(start, end - start).trimmed();
}

} // namespace

ConnectionString ConnectionString::parse(const QString &text)
{
    ConnectionString result;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype eq = text.indexOf(QLatin1Char('='), pos);
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), pos);
        if (eq < 0 || (semicolon >= 0 && semicolon < eq)) {
            // A part without "=" says nothing.
            pos = semicolon < 0 ? text.size() : semicolon + 1;
            continue;
        }
        const QString key = text.mid(pos, eq - pos).trimmed().toUpper();
        pos = eq + 1;
        const QString value = readValue(text, pos);
        if (key == QLatin1String("DRIVER"))
            result.Driver = value.trimmed();
        else if (key == QLatin1String("DBNAME") || key == QLatin1String("DATABASE"))
            result.Database = value;
        else if (key == QLatin1String("UID") || key == QLatin1String("USER"))
            result.User = value;
        else if (key == QLatin1String("PWD") || key == QLatin1String("PASSWORD"))
            result.Password = value;
        else if (key == QLatin1String("CHARSET"))
            result.Charset = value;
    }
    return result;
}

QString ConnectionString::quoteValue(const QString &value)
{
    const bool plain = !value.contains(QLatin1Char(';')) && !value.startsWith(QLatin1Char('{'))
                       && value.trimmed().size() == value.size();
    if (plain)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + quoted + QLatin1Char('}');
}

bool ConnectionString::hasFirebirdDriver() const
{
    return Driver.compare(FirebirdDriver, Qt::CaseInsensitive) == 0;
}
