#pragma once

#include "database/dberror.h"

#include <stdexcept>

// Thrown by Command::Execute, the transaction calls of Connection and the
// field reads of Recordset when the engine refuses a statement or a call is
// made in the wrong state. Windows catch it and show its Description in a
// critical message box; what() carries the same text in UTF-8.
class DbException : public std::runtime_error
{
public:
    explicit DbException(const DbError &error);

    const DbError &error() const { return m_error; }
    // See DbError::ConnectionLost.
    bool ConnectionLost() const { return m_error.ConnectionLost; }

private:
    DbError m_error;
};
