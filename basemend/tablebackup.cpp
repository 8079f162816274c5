#include "tablebackup.h"

#include "tablescripts.h"
#include "tariffprices.h"

#include "database/command.h"
#include "database/dbexception.h"
#include "environment/environment.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVariant>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString quotedText(const QString &text)
{
    QStringList parts;
    QString run;
    const auto flush = [&] {
        if (!run.isEmpty())
            parts << QLatin1Char('\'') + run.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
        run.clear();
    };
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            flush();
            parts << QStringLiteral("ASCII_CHAR(%1)").arg(c.unicode());
        } else {
            run += c;
        }
    }
    flush();
    return parts.isEmpty() ? QStringLiteral("''") : parts.join(QStringLiteral(" || "));
}

QString identifier(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Z][A-Z0-9_$]*$"));
    if (plain.match(name).hasMatch())
        return name;
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

Recordset query(Command &command, const QString &sql, const QVariantList &parameters)
{
    command.CommandText = sql;
    command.Parameters = parameters;
    command.MaxRecords = 0;
    command.LockTimeout = -1;
    try {
        return command.Execute(-1);
    } catch (const DbException &e) {
        throw TableScripts::Failure{sql, e.error().Description};
    }
}

// The columns a row can be inserted into, in the table's order.
QStringList insertableColumns(Command &command, const QString &table)
{
    Recordset rs = query(command,
                         QStringLiteral("select f.RDB$FIELD_NAME from RDB$RELATION_FIELDS f "
                                        "join RDB$FIELDS t on t.RDB$FIELD_NAME = f.RDB$FIELD_SOURCE "
                                        "where f.RDB$RELATION_NAME = ? and t.RDB$COMPUTED_BLR is null "
                                        "order by f.RDB$FIELD_POSITION"),
                         {table});
    QStringList columns;
    for (; !rs.Eof(); rs.MoveNext())
        columns << identifier(rs.Fields(0).toString().trimmed());
    return columns;
}

} // namespace

QString TableBackup::Literal(const QVariant &value)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return value.toString();
    case QMetaType::Float:
    case QMetaType::Double:
        // The shortest text that reads back as the same double: a NUMERIC
        // read as 19.99 is written as 19.99.
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QDateTime:
        return QLatin1Char('\'') + value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
               + QLatin1Char('\'');
    case QMetaType::QDate:
        return QLatin1Char('\'') + value.toDate().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\'');
    case QMetaType::QTime:
        return QLatin1Char('\'') + value.toTime().toString(QStringLiteral("HH:mm:ss.zzz")) + QLatin1Char('\'');
    case QMetaType::QByteArray:
        return QStringLiteral("X'") + QString::fromLatin1(value.toByteArray().toHex().toUpper()) + QLatin1Char('\'');
    default:
        return quotedText(value.toString());
    }
}

QByteArray TableBackup::Script(TableScripts &scripts, Command &command, const QStringList &tables,
                               const QDateTime &when)
{
    QString out = QStringLiteral("/* Резервная копия таблиц %1 от %2.\r\n"
                                 "   Восстановление: isql-fb -ch UTF8 -i <этот файл> <база данных> */\r\n")
                      .arg(tables.join(QStringLiteral(", ")), when.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
    for (const QString &table : tables) {
        for (const QString &statement : scripts.ReadSqlFile(table + QStringLiteral(".sql")))
            out += QString(statement).replace(QLatin1Char('\n'), kCrLf) + QStringLiteral(";\r\n");
    }
    out += QStringLiteral("COMMIT;\r\n");
    for (const QString &table : tables) {
        const QStringList columns = insertableColumns(command, table);
        if (columns.isEmpty())
            continue;
        const QString head = QStringLiteral("INSERT INTO %1 (%2) VALUES (")
                                 .arg(identifier(table), columns.join(QStringLiteral(", ")));
        Recordset rs = query(command,
                             QStringLiteral("select %1 from %2").arg(columns.join(QStringLiteral(", ")),
                                                                     identifier(table)),
                             {});
        // Databases made by older scripts keep prices as comma text; the
        // tables come back with today's numeric PRICE, which takes numbers.
        const int price = int(columns.indexOf(QStringLiteral("PRICE")));
        QStringList values;
        for (; !rs.Eof(); rs.MoveNext()) {
            values.clear();
            for (int i = 0; i < rs.FieldCount(); ++i) {
                const QVariant value = rs.Fields(i);
                const std::optional<double> number =
                    i == price && value.typeId() == QMetaType::QString ? ReadPrice(value) : std::nullopt;
                values << Literal(number ? QVariant(*number) : value);
            }
            out += head + values.join(QStringLiteral(", ")) + QStringLiteral(");\r\n");
        }
    }
    out += QStringLiteral("COMMIT;\r\n");
    return out.toUtf8();
}

QString TableBackup::Save(const QByteArray &script, const QStringList &folders, const QDateTime &when)
{
    const QString name = QStringLiteral("Z_TABLES_") + when.toString(QStringLiteral("yyyyMMdd_HHmmss"))
                         + QStringLiteral(".sql");
    for (const QString &folder : folders) {
        if (folder.isEmpty() || !QDir().mkpath(folder))
            continue;
        QSaveFile file(QDir(folder).filePath(name));
        if (file.open(QIODevice::WriteOnly) && file.write(script) == script.size() && file.commit())
            return file.fileName();
    }
    return QString();
}

QStringList TableBackup::Folders()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return {ProgramFolder() + QStringLiteral("/backup"),
            data.isEmpty() ? QString() : data + QStringLiteral("/backup")};
}
