#pragma once

#include <cstdint>

// The few calls of the Firebird client library that Qt's driver does not
// offer: a transaction with parameters of our own (a bounded lock wait), and
// the readable text of a failure. They are looked up at run time in the
// client library that the driver has already loaded, so the build needs no
// Firebird headers and the programs no second link to the library.
//
// Handles are those of the client's interface: the attachment handle comes
// from QSqlDriver::handle().
class FbClient
{
public:
    using Status = intptr_t;
    using Handle = unsigned int;

    // The resolved calls, or nullptr (with a warning once) when the client
    // library or one of its calls cannot be found.
    static const FbClient *get();

    Status (*isc_start_transaction)(Status *status, Handle *transaction, short count, ...) = nullptr;
    Status (*isc_dsql_execute_immediate)(Status *status, Handle *attachment, Handle *transaction,
                                         unsigned short length, const char *statement, unsigned short dialect,
                                         const void *parameters) = nullptr;
    Status (*isc_commit_transaction)(Status *status, Handle *transaction) = nullptr;
    Status (*isc_rollback_transaction)(Status *status, Handle *transaction) = nullptr;
    int (*isc_sqlcode)(const Status *status) = nullptr;
    int (*fb_interpret)(char *buffer, unsigned int length, const Status **status) = nullptr;
};
