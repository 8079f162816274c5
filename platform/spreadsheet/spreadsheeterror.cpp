#include "spreadsheeterror.h"

SpreadsheetError::SpreadsheetError(const QString &message)
    : std::runtime_error(message.toStdString())
{
}

QString SpreadsheetError::message() const
{
    return QString::fromUtf8(what());
}
