#pragma once

// Looks at a workbook file before the office is asked to open it. The office
// reads a damaged file as best it can: given the Excel 97 filter it opens an
// empty file as an empty workbook and half a workbook as whatever survived,
// and a print from either comes out as if nothing were wrong. So an Excel 97
// file (".xls") is read here the way its own format allows: the compound
// file's sector tables, its directory and the "Workbook" stream must all lie
// inside the file, and that stream must be a complete run of records, every
// part that begins also ending. Other formats are left to the office's filter.
//
// Pure file reading, no office; nothing is kept between calls.

#include <QByteArray>
#include <QString>

class WorkbookFileCheck
{
public:
    // Empty when the file can be handed to the office; otherwise why not, in
    // Russian, for the clerk. A file that cannot be read is a defect too.
    static QString defect(const QString &path);
    // The same for bytes already read; `suffix` is the file name's, without
    // the dot, in any case.
    static QString defectOf(const QByteArray &bytes, const QString &suffix);
};
