#include "environment/utf8environment.h"

#include <cstring>
#include <langinfo.h>
#include <locale.h>

extern char **environ;

namespace {

QByteArray valueOf(const QByteArrayList &environment, const QByteArray &name)
{
    const QByteArray prefix = name + '=';
    for (const QByteArray &entry : environment) {
        if (entry.startsWith(prefix))
            return entry.mid(prefix.size());
    }
    return {};
}

// The locale that decides LC_CTYPE: LC_ALL, then LC_CTYPE, then LANG, the
// first that is not empty; none gives the C locale.
QByteArray characterTypeLocale(const QByteArrayList &environment)
{
    for (const char *name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const QByteArray value = valueOf(environment, name);
        if (!value.isEmpty())
            return value;
    }
    return QByteArrayLiteral("C");
}

bool isLocaleVariable(const QByteArray &entry)
{
    static const char *const names[] = {"LC_ALL=",     "LC_CTYPE=",          "LC_COLLATE=",  "LC_MESSAGES=",
                                        "LC_MONETARY=", "LC_NUMERIC=",        "LC_TIME=",     "LC_PAPER=",
                                        "LC_NAME=",     "LC_ADDRESS=",        "LC_TELEPHONE=", "LC_MEASUREMENT=",
                                        "LC_IDENTIFICATION=", "LANG="};
    for (const char *name : names) {
        if (entry.startsWith(name))
            return true;
    }
    return false;
}

bool isUtf8Locale(const QByteArray &name)
{
    const locale_t locale = newlocale(LC_CTYPE_MASK, name.constData(), locale_t(nullptr));
    if (!locale)
        return false;
    const bool utf8 = std::strcmp(nl_langinfo_l(CODESET, locale), "UTF-8") == 0;
    freelocale(locale);
    return utf8;
}

// "ru_RU.KOI8-R@mod" -> "ru_RU.UTF-8@mod"
QByteArray utf8Variant(const QByteArray &name)
{
    const qsizetype at = name.indexOf('@');
    const QByteArray modifier = at < 0 ? QByteArray() : name.mid(at);
    QByteArray base = at < 0 ? name : name.left(at);
    const qsizetype dot = base.indexOf('.');
    if (dot >= 0)
        base.truncate(dot);
    return base + ".UTF-8" + modifier;
}

} // namespace

bool HasUtf8CharacterType(const QByteArrayList &environment)
{
    return isUtf8Locale(characterTypeLocale(environment));
}

QByteArrayList WithUtf8CharacterType(const QByteArrayList &environment)
{
    const QByteArray current = characterTypeLocale(environment);
    if (isUtf8Locale(current))
        return environment;
    const QByteArray sameLanguage = utf8Variant(current);
    const QByteArray characterType = isUtf8Locale(sameLanguage) ? sameLanguage : QByteArrayLiteral("C.UTF-8");

    // With LC_ALL set, no other LC_ variable had any effect: dropping them all
    // and handing LC_ALL's locale to LANG keeps every category as it was.
    const QByteArray all = valueOf(environment, "LC_ALL");
    QByteArrayList result;
    for (const QByteArray &entry : environment) {
        const bool dropped = all.isEmpty() ? entry.startsWith("LC_CTYPE=") : isLocaleVariable(entry);
        if (!dropped)
            result.append(entry);
    }
    if (!all.isEmpty())
        result.append("LANG=" + all);
    result.append("LC_CTYPE=" + characterType);
    return result;
}

QByteArrayList ProcessEnvironment()
{
    QByteArrayList entries;
    for (char **entry = environ; *entry; ++entry)
        entries.append(QByteArray(*entry));
    return entries;
}
