#include "workbookfilecheck.h"

#include <QFile>
#include <QFileInfo>

#include <vector>

namespace {

const QString kEmpty = QStringLiteral("файл пуст");
const QString kNotExcel97 = QStringLiteral("это не книга Excel 97");
const QString kDamaged = QStringLiteral("книга обрезана или повреждена");

// Special values of the compound file's sector tables.
constexpr quint32 FreeSector = 0xFFFFFFFF;
constexpr quint32 EndOfChain = 0xFFFFFFFE;
constexpr quint32 LastRegularSector = 0xFFFFFFF9;

constexpr int HeaderSize = 512;
constexpr int HeaderFatEntries = 109;
constexpr int DirectoryEntrySize = 128;
constexpr int MiniSectorSize = 64;

// Record types of the BIFF stream.
constexpr quint16 RecordBof = 0x0809;
constexpr quint16 RecordEof = 0x000A;
constexpr quint16 RecordBoundSheet = 0x0085;
constexpr quint16 BofWorkbookGlobals = 0x0005;

struct Broken
{
    QString why;
};

quint16 u16(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at + 2 > b.size())
        throw Broken{kDamaged};
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

quint32 u32(const QByteArray &b, qsizetype at)
{
    return quint32(u16(b, at)) | quint32(u16(b, at + 2)) << 16;
}

// A compound file (the container of an Excel 97 workbook) read only as far
// as needed to get one stream out, every table checked against the file's
// length on the way.
class CompoundFile
{
public:
    explicit CompoundFile(const QByteArray &bytes)
        : m_bytes(bytes)
    {
        static const char signature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
        if (m_bytes.size() < 8 || !m_bytes.startsWith(QByteArray(signature, 8)))
            throw Broken{kNotExcel97};
        if (m_bytes.size() < HeaderSize)
            throw Broken{kDamaged};
        const quint16 major = u16(m_bytes, 0x1A);
        const quint16 sectorShift = u16(m_bytes, 0x1E);
        if (u16(m_bytes, 0x1C) != 0xFFFE || !((major == 3 && sectorShift == 9) || (major == 4 && sectorShift == 12))
            || u16(m_bytes, 0x20) != 6)
            throw Broken{kDamaged};
        m_sectorSize = 1 << sectorShift;
        // The header takes the first sector's room; sector 0 follows it.
        m_wholeSectors = m_bytes.size() < m_sectorSize ? 0 : quint32((m_bytes.size() - m_sectorSize) / m_sectorSize);
        m_miniCutoff = u32(m_bytes, 0x38);

        readFat();
        // Every sector the table says is in use must be in the file: a cut
        // file loses its last sectors, which the office would quietly skip.
        for (quint32 i = 0; i < m_fat.size(); ++i)
            if (m_fat[i] != FreeSector && i >= m_wholeSectors)
                throw Broken{kDamaged};

        m_directory = chainBytes(u32(m_bytes, 0x30));
        if (m_directory.size() < DirectoryEntrySize || entryType(0) != 5)
            throw Broken{kDamaged};
        const quint32 miniFatStart = u32(m_bytes, 0x3C);
        if (u32(m_bytes, 0x40) > 0) {
            const QByteArray table = chainBytes(miniFatStart);
            for (qsizetype at = 0; at + 4 <= table.size(); at += 4)
                m_miniFat.push_back(u32(table, at));
        }
    }

    // The named stream, or a null array when the file has none of that name.
    QByteArray stream(const QString &name) const
    {
        for (qsizetype e = 0; e < m_directory.size() / DirectoryEntrySize; ++e) {
            if (entryType(e) != 2 || entryName(e).compare(name, Qt::CaseInsensitive) != 0)
                continue;
            const qsizetype base = e * DirectoryEntrySize;
            const quint32 start = u32(m_directory, base + 116);
            const quint32 size = u32(m_directory, base + 120);
            QByteArray data;
            if (size < m_miniCutoff) {
                const QByteArray miniStream = chainBytes(u32(m_directory, 116));
                for (const quint32 mini : chain(m_miniFat, start)) {
                    const qsizetype at = qsizetype(mini) * MiniSectorSize;
                    if (at + MiniSectorSize > miniStream.size())
                        throw Broken{kDamaged};
                    data += miniStream.mid(at, MiniSectorSize);
                }
            } else {
                data = chainBytes(start);
            }
            if (data.size() < qsizetype(size))
                throw Broken{kDamaged};
            data.truncate(size);
            return data;
        }
        return QByteArray();
    }

private:
    void readFat()
    {
        const quint32 fatSectors = u32(m_bytes, 0x2C);
        if (fatSectors > m_wholeSectors)
            throw Broken{kDamaged};
        std::vector<quint32> where;
        for (int i = 0; i < HeaderFatEntries && where.size() < fatSectors; ++i)
            where.push_back(u32(m_bytes, 0x4C + 4 * i));
        quint32 difat = u32(m_bytes, 0x44);
        const quint32 difatSectors = u32(m_bytes, 0x48);
        const int perDifat = m_sectorSize / 4 - 1;
        for (quint32 k = 0; k < difatSectors && where.size() < fatSectors; ++k) {
            if (difat >= m_wholeSectors)
                throw Broken{kDamaged};
            const qsizetype base = offsetOf(difat);
            for (int i = 0; i < perDifat && where.size() < fatSectors; ++i)
                where.push_back(u32(m_bytes, base + 4 * i));
            difat = u32(m_bytes, base + 4 * perDifat);
        }
        if (where.size() != fatSectors)
            throw Broken{kDamaged};
        m_fat.reserve(size_t(fatSectors) * (m_sectorSize / 4));
        for (const quint32 sector : where) {
            if (sector >= m_wholeSectors)
                throw Broken{kDamaged};
            const qsizetype base = offsetOf(sector);
            for (int i = 0; i < m_sectorSize / 4; ++i)
                m_fat.push_back(u32(m_bytes, base + 4 * i));
        }
    }

    // Follows a chain to its end mark; a chain that leaves the table, loops
    // or ends in anything but the end mark is damage.
    static std::vector<quint32> chain(const std::vector<quint32> &table, quint32 start)
    {
        std::vector<quint32> sectors;
        quint32 s = start;
        while (s <= LastRegularSector) {
            if (s >= table.size() || sectors.size() >= table.size())
                throw Broken{kDamaged};
            sectors.push_back(s);
            s = table[s];
        }
        if (s != EndOfChain)
            throw Broken{kDamaged};
        return sectors;
    }

    QByteArray chainBytes(quint32 start) const
    {
        QByteArray data;
        for (const quint32 s : chain(m_fat, start)) {
            if (s >= m_wholeSectors)
                throw Broken{kDamaged};
            data += m_bytes.mid(offsetOf(s), m_sectorSize);
        }
        return data;
    }

    qsizetype offsetOf(quint32 sector) const { return qsizetype(sector + 1) * m_sectorSize; }

    int entryType(qsizetype entry) const
    {
        return quint8(m_directory.at(entry * DirectoryEntrySize + 66));
    }

    QString entryName(qsizetype entry) const
    {
        const qsizetype base = entry * DirectoryEntrySize;
        const int bytes = qBound(0, int(u16(m_directory, base + 64)) - 2, 62);
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(m_directory.constData() + base),
                                  bytes / 2);
    }

    QByteArray m_bytes;
    int m_sectorSize = HeaderSize;
    quint32 m_wholeSectors = 0;
    quint32 m_miniCutoff = 4096;
    std::vector<quint32> m_fat;
    std::vector<quint32> m_miniFat;
    QByteArray m_directory;
};

// The workbook stream is a run of records: the workbook part, naming each
// sheet, then one part per sheet, each from its begin record to its end
// record (charts nest their own). A cut stream ends inside a record, inside
// a part, or before the last sheet's part.
void checkRecords(const QByteArray &stream)
{
    qsizetype at = 0;
    int depth = 0;
    int sheetsNamed = 0;
    int sheetParts = 0;
    bool globalsDone = false;
    while (at < stream.size()) {
        if (at + 4 > stream.size())
            throw Broken{kDamaged};
        const quint16 type = u16(stream, at);
        const quint16 length = u16(stream, at + 2);
        if (at + 4 + length > stream.size())
            throw Broken{kDamaged};
        if (at == 0 && (type != RecordBof || length < 4 || u16(stream, at + 6) != BofWorkbookGlobals))
            throw Broken{kDamaged};
        if (type == RecordBof) {
            if (depth == 0 && globalsDone)
                ++sheetParts;
            ++depth;
        } else if (type == RecordEof) {
            if (--depth < 0)
                throw Broken{kDamaged};
            if (depth == 0)
                globalsDone = true;
        } else if (type == RecordBoundSheet && depth == 1 && !globalsDone) {
            ++sheetsNamed;
        }
        at += 4 + length;
    }
    if (depth != 0 || !globalsDone || sheetsNamed == 0 || sheetParts != sheetsNamed)
        throw Broken{kDamaged};
}

} // namespace

QString WorkbookFileCheck::defect(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("файл не читается (%1)").arg(file.errorString());
    return defectOf(file.readAll(), QFileInfo(path).suffix());
}

QString WorkbookFileCheck::defectOf(const QByteArray &bytes, const QString &suffix)
{
    if (bytes.isEmpty())
        return kEmpty;
    if (suffix.compare(QLatin1String("xls"), Qt::CaseInsensitive) != 0)
        return QString();
    try {
        const CompoundFile file(bytes);
        QByteArray workbook = file.stream(QStringLiteral("Workbook"));
        if (workbook.isNull())
            workbook = file.stream(QStringLiteral("Book"));
        if (workbook.isNull())
            return kNotExcel97;
        checkRecords(workbook);
        return QString();
    } catch (const Broken &broken) {
        return broken.why;
    }
}
