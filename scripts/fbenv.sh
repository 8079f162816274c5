# Source this file (". scripts/fbenv.sh") before running isql-fb, gbak or one of
# our programs from a shell script. It points Firebird at the same private root
# that prepareFirebirdEnvironment() builds for the programs, so that scripts and
# programs share one engine configuration.
#
# Why a private root: the packaged configuration runs the embedded engine as
# SuperServer, which lets only one process at a time open a database file.
# The clerks' programs must open the same file side by side.
#
# The lock folder stays the engine's usual one, /tmp/firebird (or
# $FIREBIRD_LOCK), for every user: processes on one file must share one lock
# manager. The engine keeps its lock files there for group firebird only.
#
# The root is built in a scratch folder and renamed into place in one step, so
# two processes starting at once both end up with a complete root.
# An already set FIREBIRD is respected as it is.

courtmail_prepare_firebird() {
    if [ -n "${FIREBIRD:-}" ]; then
        return 0
    fi
    _cm_system=/usr/lib/x86_64-linux-gnu/firebird/3.0
    _cm_root="${XDG_CACHE_HOME:-$HOME/.cache}/courtmail/firebird3"
    if [ ! -f "$_cm_root/firebird.conf" ]; then
        mkdir -p "$(dirname "$_cm_root")" || return 1
        _cm_tmp=$(mktemp -d "$_cm_root.XXXXXX") || return 1
        for _cm_entry in "$_cm_system"/*; do
            case "${_cm_entry##*/}" in
                firebird.conf|intl) ;;
                *) ln -s "$_cm_entry" "$_cm_tmp/${_cm_entry##*/}" ;;
            esac
        done
        # The character-set module looks for its configuration beside itself
        # after resolving links; a linked intl/ folder fails with
        # "CHARACTER SET ... is not installed", so it gets real copies.
        mkdir "$_cm_tmp/intl"
        cp "$_cm_system/intl/libfbintl.so" "$_cm_tmp/intl/" &&
            cp /etc/firebird/3.0/fbintl.conf "$_cm_tmp/intl/" &&
            cp "$_cm_system/firebird.conf" "$_cm_tmp/firebird.conf" &&
            printf '\n# Added for the court mail suite: several processes on one file,\n# and an unreachable server must not hold a connection attempt for minutes.\nServerMode = SuperClassic\nConnectionTimeout = 10\n' \
                >> "$_cm_tmp/firebird.conf" || { rm -rf "$_cm_tmp"; return 1; }
        chmod 755 "$_cm_tmp"
        # rename() refuses to replace a non-empty folder: whoever comes second
        # keeps the first one's root and drops its own.
        mv -T "$_cm_tmp" "$_cm_root" 2>/dev/null || rm -rf "$_cm_tmp"
        unset _cm_tmp _cm_entry
    fi
    export FIREBIRD="$_cm_root"
    unset _cm_system _cm_root
}

courtmail_prepare_firebird
