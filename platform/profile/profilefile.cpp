#include "profile/profilefile.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QTemporaryFile>
#include <QByteArray>
#include <QList>

#include <cstdio>
#include <unistd.h>

namespace {

// One physical line of the file: its text and its own line end, kept apart so
// that a rewrite can reproduce every untouched line byte for byte.
struct Line
{
    QByteArray text;
    QByteArray end; // "\r\n", "\n" or empty for a last line without one
};

const QByteArray Utf8Bom("\xEF\xBB\xBF");

QList<Line> splitLines(const QByteArray &bytes)
{
    QList<Line> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', start);
        if (lf < 0) {
            lines.append({bytes.mid(start), QByteArray()});
            break;
        }
        const bool crlf = lf > start && bytes.at(lf - 1) == '\r';
        const qsizetype textEnd = crlf ? lf - 1 : lf;
        lines.append({bytes.mid(start, textEnd - start), crlf ? QByteArray("\r\n") : QByteArray("\n")});
        start = lf + 1;
    }
    return lines;
}

QByteArray joinLines(const QList<Line> &lines)
{
    QByteArray out;
    for (const Line &l : lines)
        out += l.text + l.end;
    return out;
}

// Where a section lives in the file: its header line and the line after its
// last line. A missing section has header -1.
struct SectionSpan
{
    int header = -1;
    int end = -1;
};

QString lineText(const QList<Line> &lines, int i)
{
    QByteArray text = lines.at(i).text;
    if (i == 0 && text.startsWith(Utf8Bom))
        text.remove(0, Utf8Bom.size());
    return QString::fromUtf8(text).trimmed();
}

bool isSectionHeader(const QString &trimmed, QString *name)
{
    if (!trimmed.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype close = trimmed.lastIndexOf(QLatin1Char(']'));
    const QString inner = close > 0 ? trimmed.mid(1, close - 1) : trimmed.mid(1);
    *name = inner.trimmed();
    return true;
}

// Only the first section of a name counts, as with the original profile API;
// later duplicates are never read nor written.
SectionSpan findSection(const QList<Line> &lines, const QString &section)
{
    SectionSpan span;
    const QString wanted = section.trimmed();
    for (int i = 0; i < lines.size(); ++i) {
        QString name;
        if (!isSectionHeader(lineText(lines, i), &name))
            continue;
        if (span.header >= 0) {
            span.end = i;
            return span;
        }
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            span.header = i;
    }
    if (span.header >= 0)
        span.end = int(lines.size());
    return span;
}

// Splits a "key = value" line; comment lines and lines without "=" are not
// keys.
bool splitKeyLine(const QString &trimmed, QString *key, QString *value)
{
    if (trimmed.startsWith(QLatin1Char(';')))
        return false;
    const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    *key = trimmed.left(eq).trimmed();
    *value = trimmed.mid(eq + 1).trimmed();
    return true;
}

int findKey(const QList<Line> &lines, const SectionSpan &span, const QString &key, QString *value)
{
    const QString wanted = key.trimmed();
    for (int i = span.header + 1; i < span.end; ++i) {
        QString k, v;
        if (splitKeyLine(lineText(lines, i), &k, &v) && k.compare(wanted, Qt::CaseInsensitive) == 0) {
            if (value)
                *value = v;
            return i;
        }
    }
    return -1;
}

QString unquote(const QString &value)
{
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        return value.mid(1, value.size() - 2);
    return value;
}

// A reader drops blanks around a value and one pair of double quotes around
// it; a value that would lose something that way is written in quotes, so it
// reads back as it was given. Any other value is written as it is.
QString storedValue(const QString &value)
{
    const bool wrapped = value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'));
    if (!wrapped && value.trimmed().size() == value.size())
        return value;
    return QLatin1Char('"') + value + QLatin1Char('"');
}

bool readFile(const QString &fileName, QByteArray *bytes)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    *bytes = f.readAll();
    return f.error() == QFileDevice::NoError;
}

bool hasLineBreak(const QString &s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

// Replaces the file through a temporary sibling and rename(), so that a crash
// leaves either the old or the new file, never a half-written one. The new
// file is readable by its owner only whatever the old one allowed: it may now
// hold a password.
bool replaceFile(const QString &target, const QByteArray &bytes)
{
    const QFileInfo info(target);
    QTemporaryFile tmp(info.absolutePath() + QLatin1String("/.") + info.fileName() + QLatin1String(".XXXXXX"));
    if (!tmp.open()) // created 0600
        return false;
    if (tmp.write(bytes) != bytes.size() || !tmp.flush() || ::fsync(tmp.handle()) != 0)
        return false;
    // Stated again rather than trusted to the temporary file's defaults.
    if (!tmp.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
        return false;
    tmp.close();
    if (::rename(QFile::encodeName(tmp.fileName()).constData(), QFile::encodeName(target).constData()) != 0)
        return false;
    tmp.setAutoRemove(false);
    return true;
}

} // namespace

int ReadProfileString(const QString &section, const QString &key,
                      const QString &defaultValue, QString &out,
                      int bufferSize, const QString &fileName)
{
    QString value = defaultValue;
    QByteArray bytes;
    if (!section.trimmed().isEmpty() && !key.trimmed().isEmpty() && readFile(fileName, &bytes)) {
        const QList<Line> lines = splitLines(bytes);
        const SectionSpan span = findSection(lines, section);
        QString found;
        if (span.header >= 0 && findKey(lines, span, key, &found) >= 0)
            value = unquote(found);
    }

    if (bufferSize < 1) {
        out.clear();
        return 0;
    }
    qsizetype n = qMin<qsizetype>(value.size(), bufferSize - 1);
    // Never hand out half of a surrogate pair.
    if (n > 0 && n < value.size() && value.at(n - 1).isHighSurrogate())
        --n;
    out = value.left(n);
    return int(n);
}

bool WriteProfileString(const QString &section, const QString &key,
                        const QString &value, const QString &fileName)
{
    const QString sectionName = section.trimmed();
    const QString keyName = key.trimmed();
    if (sectionName.isEmpty() || keyName.isEmpty() || hasLineBreak(sectionName) || hasLineBreak(keyName)
        || hasLineBreak(value) || sectionName.contains(QLatin1Char(']'))
        || keyName.contains(QLatin1Char('=')) || keyName.startsWith(QLatin1Char(';'))
        || keyName.startsWith(QLatin1Char('[')))
        return false;

    // Through a symbolic link, the file it points to is the one to change.
    QFileInfo info(fileName);
    const QString target = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    info = QFileInfo(target);
    const bool existed = info.exists();
    QByteArray old;
    if (existed) {
        // A file marked read-only stays untouched, even for root.
        if (!info.isFile() || !(info.permissions() & QFile::WriteOwner) || !info.isWritable())
            return false;
        if (!readFile(target, &old))
            return false;
    }

    QList<Line> lines = splitLines(old);
    QByteArray eol("\r\n");
    for (const Line &l : lines) {
        if (!l.end.isEmpty()) {
            eol = l.end;
            break;
        }
    }
    const QByteArray keyLine = (keyName + QLatin1Char('=') + storedValue(value)).toUtf8();

    const SectionSpan span = findSection(lines, sectionName);
    if (span.header < 0) {
        if (!lines.isEmpty() && lines.last().end.isEmpty())
            lines.last().end = eol;
        lines.append({(QLatin1Char('[') + sectionName + QLatin1Char(']')).toUtf8(), eol});
        lines.append({keyLine, eol});
    } else {
        const int at = findKey(lines, span, keyName, nullptr);
        if (at >= 0) {
            lines[at].text = keyLine;
        } else {
            // After the section's last non-blank line, so that blank lines
            // separating it from the next section stay where they are.
            int anchor = span.end - 1;
            while (anchor > span.header && lineText(lines, anchor).isEmpty())
                --anchor;
            if (lines.at(anchor).end.isEmpty())
                lines[anchor].end = eol;
            lines.insert(anchor + 1, {keyLine, eol});
        }
    }

    const QByteArray bytes = joinLines(lines);
    if (existed && bytes == old) {
        // Nothing to rewrite, but what is already there may be a password
        // that others could read.
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        return true;
    }
    return replaceFile(target, bytes);
}
