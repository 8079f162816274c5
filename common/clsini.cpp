#include "common/clsini.h"

#include "environment/environment.h"
#include "environment/regional.h"
#include "profile/profilefile.h"

namespace {
// Room for 254 characters and the terminating zero of the old profile API.
constexpr int BufferSize = 255;

QString valueText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
        return Regional::NumberToText(value.toDouble());
    case QMetaType::Float:
        return Regional::NumberToText(value.toDouble(), 7);
    default:
        return value.toString();
    }
}
} // namespace

clsINI::clsINI()
    : m_fileName(ProgramFolder() + QLatin1String("/options.ini"))
{
}

QString clsINI::chooseSection(QString *section)
{
    QString chosen = section ? *section : QString();
    if (chosen.isEmpty())
        chosen = m_lastSection;
    if (chosen.isEmpty())
        chosen = QStringLiteral("Main");
    m_lastSection = chosen;
    if (section)
        *section = chosen;
    return chosen;
}

QString clsINI::ReadINI(const QString &KeyName, QString *Section)
{
    const QString section = chooseSection(Section);
    QString value;
    ReadProfileString(section, KeyName, QString(), value, BufferSize, m_fileName);
    return value;
}

QString clsINI::ReadINI(const QString &KeyName, QString &Section)
{
    return ReadINI(KeyName, &Section);
}

void clsINI::SaveINI(const QVariant &KeyValue, const QString &KeyName, QString *Section)
{
    const QString text = valueText(KeyValue);
    const QString section = chooseSection(Section);
    WriteProfileString(section, KeyName, text, m_fileName);
}

void clsINI::SaveINI(const QVariant &KeyValue, const QString &KeyName, QString &Section)
{
    SaveINI(KeyValue, KeyName, &Section);
}
