#include "database/connectionstring.h"

#include <QStringList>

const QString ConnectionString::FirebirdDriver = QStringLiteral("Firebird/InterBase(r) driver");

ConnectionString ConnectionString::parse(const QString &text)
{
    ConnectionString result;
    const QStringList pairs = text.split(QLatin1Char(';'));
    for (const QString &pair : pairs) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = pair.left(eq).trimmed().toUpper();
        QString value = pair.mid(eq + 1).trimmed();
        if (key == QLatin1String("DRIVER")) {
            // ODBC also allows the driver name in braces.
            if (value.startsWith(QLatin1Char('{')) && value.endsWith(QLatin1Char('}')))
                value = value.mid(1, value.size() - 2).trimmed();
            result.Driver = value;
        } else if (key == QLatin1String("DBNAME") || key == QLatin1String("DATABASE")) {
            result.Database = value;
        } else if (key == QLatin1String("UID") || key == QLatin1String("USER")) {
            result.User = value;
        } else if (key == QLatin1String("PWD") || key == QLatin1String("PASSWORD")) {
            result.Password = value;
        } else if (key == QLatin1String("CHARSET")) {
            result.Charset = value;
        }
    }
    return result;
}

bool ConnectionString::hasFirebirdDriver() const
{
    return Driver.compare(FirebirdDriver, Qt::CaseInsensitive) == 0;
}
