#include "database/dbexception.h"

DbException::DbException(const DbError &error)
    : std::runtime_error(error.Description.toStdString())
    , m_error(error)
{
}
