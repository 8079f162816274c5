#include "database/fbclient.h"

#include <QLibrary>
#include <QtGlobal>

namespace {

template<typename Function>
bool resolve(QLibrary &library, const char *name, Function &function)
{
    function = reinterpret_cast<Function>(library.resolve(name));
    return function != nullptr;
}

const FbClient *load()
{
    static FbClient client;
    // The driver links libfbclient.so.2; the development link without the
    // version need not be installed.
    QLibrary library(QStringLiteral("fbclient"), 2);
    const bool ok = library.load() && resolve(library, "isc_start_transaction", client.isc_start_transaction)
                    && resolve(library, "isc_dsql_execute_immediate", client.isc_dsql_execute_immediate)
                    && resolve(library, "isc_commit_transaction", client.isc_commit_transaction)
                    && resolve(library, "isc_rollback_transaction", client.isc_rollback_transaction)
                    && resolve(library, "isc_sqlcode", client.isc_sqlcode)
                    && resolve(library, "fb_interpret", client.fb_interpret)
                    && resolve(library, "fb_cancel_operation", client.fb_cancel_operation)
                    && resolve(library, "fb_shutdown_callback", client.fb_shutdown_callback);
    if (!ok) {
        qWarning("Firebird client library: %s", qPrintable(library.errorString()));
        return nullptr;
    }
    // Never unloaded: the driver keeps using it.
    return &client;
}

} // namespace

const FbClient *FbClient::get()
{
    static const FbClient *const client = load();
    return client;
}
