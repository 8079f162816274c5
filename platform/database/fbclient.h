#pragma once

#include <cstdint>

// The few calls of the Firebird client library that Qt's driver does not
// offer: a transaction with parameters of our own (a bounded lock wait), the
// readable text of a failure, cancelling a running statement from another
// thread, and a say in the library's shutdown on a signal. They are looked up at run time in the
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
    Status (*fb_cancel_operation)(Status *status, Handle *attachment, unsigned short option) = nullptr;
    using ShutdownCallback = int (*)(int reason, int mask, void *arg);
    Status (*fb_shutdown_callback)(Status *status, ShutdownCallback callback, int mask, void *arg) = nullptr;

    // Length of a status vector (ISC_STATUS_LENGTH).
    static constexpr int StatusLength = 20;
};
