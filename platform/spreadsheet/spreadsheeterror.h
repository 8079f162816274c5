#pragma once

// The one error every step of the spreadsheet layer throws: the office is
// missing or died, a file cannot be opened or written, an address is wrong,
// printing failed. message() is a complete Russian sentence for the
// critical "Ошибка" box; what() holds the same text in UTF-8.

#include <QString>

#include <stdexcept>

class SpreadsheetError : public std::runtime_error
{
public:
    explicit SpreadsheetError(const QString &message);

    QString message() const;
};
