#pragma once

#include <QString>

// Points the Firebird client library at the suite's private engine root
// before anything loads it; call it first thing in every main(), before any
// QSqlDatabase exists.
//
// Unless FIREBIRD is already set, it builds (once, safely when several
// processes start together) ${XDG_CACHE_HOME:-$HOME/.cache}/courtmail/firebird3:
// links to the packaged engine files and a firebird.conf that lets several
// processes open one database file (ServerMode = SuperClassic) and gives up
// on an unreachable server after 10 s. Then it sets FIREBIRD.
// scripts/fbenv.sh builds the same root for shell scripts. On failure it
// warns and leaves the environment alone, and the packaged configuration
// applies.
//
// The lock folder is not private: every process that opens one database
// file without a server must share one lock manager, whichever user runs it,
// so all use the engine's usual folder (firebirdLockFolder()). The engine
// keeps its lock files there readable and writable by group firebird only,
// which is where the server package puts the folder too (0770,
// firebird:firebird): clerks who open one file without a server must be
// members of that group. Clerks on several machines use a server.
void prepareFirebirdEnvironment();

// $FIREBIRD_LOCK if set, else the engine's own default, /tmp/firebird.
QString firebirdLockFolder();

// Whether a DBNAME opens the database in the program itself (a plain path)
// rather than through a server ("host:path", "host/port:path",
// "inet://host/path").
bool isEmbeddedDatabaseName(const QString &name);

// For the engine's text of a failed embedded attach: when it failed because
// this user may not use the lock folder, what the clerk should know and do;
// otherwise empty.
QString lockFolderRefusal(const QString &engineText);

// Keeps the client library from ending every attachment, from a thread of
// its own, when the process gets SIGINT or SIGTERM: the programs end on those
// signals by closing their windows, and an exit racing that shutdown thread
// crashed. Call with the client library loaded and before the first attach;
// later calls, and calls without the library, do nothing.
void keepAttachmentsOnSignals();
