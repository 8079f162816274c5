#pragma once

// Points the Firebird client library at the suite's private engine root
// before anything loads it; call it first thing in every main(), before any
// QSqlDatabase exists.
//
// Unless FIREBIRD is already set, it builds (once, safely when several
// processes start together) ${XDG_CACHE_HOME:-$HOME/.cache}/courtmail/firebird3:
// links to the packaged engine files, a firebird.conf that lets several
// processes open one database file (ServerMode = SuperClassic) and gives up
// on an unreachable server after 10 s, and a private lock folder. Then it
// sets FIREBIRD and FIREBIRD_LOCK. scripts/fbenv.sh builds the same root for
// shell scripts. On failure it warns and leaves the environment alone, and
// the packaged configuration applies.
void prepareFirebirdEnvironment();
