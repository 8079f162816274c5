#pragma once

#include <QString>

// The suite's places on the web. The driver page is offered by the connection
// of every program when no database driver is found and by the about box,
// the home page by the about box; the update server answers its version check.

// The database driver's download page.
extern const QString kDriverDownloadPage;

// The suite's home page.
extern const QString kHomePage;

// The update server: a host name, optionally followed by ":" and a port.
QString UpdateServer();

// Points the version check at another server (tests run one of their own);
// an empty text restores the suite's server.
void setUpdateServer(const QString &server);
