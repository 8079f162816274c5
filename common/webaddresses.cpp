#include "webaddresses.h"

const QString kDriverDownloadPage = QStringLiteral("https://courtmail.example/drivers/firebird-odbc/");
const QString kHomePage = QStringLiteral("https://courtmail.example/");

namespace {

const QString kSuiteUpdateServer = QStringLiteral("updates.courtmail.example");

QString &updateServerOverride()
{
    static QString server;
    return server;
}

} // namespace

QString UpdateServer()
{
    const QString &server = updateServerOverride();
    return server.isEmpty() ? kSuiteUpdateServer : server;
}

void setUpdateServer(const QString &server)
{
    updateServerOverride() = server;
}
