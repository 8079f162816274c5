#!/bin/bash
# Starts and stops a Firebird server on 127.0.0.1:3050 for the server tests:
#   scripts/fbserver.sh start|stop|status
# Runs as root with the packaged configuration (/etc/firebird/3.0), not the
# suite's private root: a server and embedded programs cannot share a file,
# and the tests give the server copies of their own.
#
# Several test runs may overlap (different build folders), so the server is
# shared: "start" counts a user and starts the server only when none of ours
# runs; "stop" drops a user and stops the server with the last one. A server
# that someone else started on the port is used and never stopped.
# On start, while no server runs, SYSDBA's password is reset to "masterkey".
set -uo pipefail

state=/tmp/courtmail-fbserver
pidfile=$state/firebird.pid
users=$state/users
log=$state/firebird.log
security=/var/lib/firebird/3.0/system/security3.fdb

listening() {
    (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null
}

our_server_running() {
    [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null
}

start() {
    if our_server_running; then
        echo $(( $(cat "$users" 2>/dev/null || echo 0) + 1 )) > "$users"
        echo "firebird server already running (pid $(cat "$pidfile"))"
        return 0
    fi
    rm -f "$pidfile" "$users"
    if listening; then
        echo "a firebird server not started by us listens on 3050; using it"
        return 0
    fi
    if [ "$(id -u)" != 0 ]; then
        echo "$0: starting the server needs root" >&2
        return 1
    fi
    # The engine catches SIGTERM: bound it with a hard kill. The packaged
    # root, not ours, so that the server sees the password just set.
    echo "CREATE OR ALTER USER SYSDBA PASSWORD 'masterkey';" |
        env -u FIREBIRD -u FIREBIRD_LOCK timeout -k 5 60 isql-fb -q -bail -user SYSDBA "$security" ||
        { echo "$0: could not reset the SYSDBA password" >&2; return 1; }
    # fd 9 holds our lock: the server must not inherit it.
    env -u FIREBIRD -u FIREBIRD_LOCK setsid /usr/sbin/firebird > "$log" 2>&1 < /dev/null 9>&- &
    echo $! > "$pidfile"
    for _ in $(seq 100); do
        if listening; then
            echo 1 > "$users"
            echo "firebird server started (pid $(cat "$pidfile")), log in $log"
            return 0
        fi
        our_server_running || break
        sleep 0.1
    done
    echo "$0: the server did not come up; log:" >&2
    cat "$log" >&2
    stop_now
    return 1
}

stop_now() {
    local pid
    pid=$(cat "$pidfile" 2>/dev/null) || return 0
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    rm -f "$pidfile" "$users"
}

stop() {
    if ! our_server_running; then
        rm -f "$pidfile" "$users"
        return 0
    fi
    local count
    count=$(( $(cat "$users" 2>/dev/null || echo 1) - 1 ))
    if [ "$count" -gt 0 ]; then
        echo "$count" > "$users"
        echo "firebird server left running for $count other user(s)"
        return 0
    fi
    stop_now
    echo "firebird server stopped"
}

mkdir -p "$state"
exec 9> "$state.lock"
flock -w 120 9 || { echo "$0: another start/stop is stuck" >&2; exit 1; }
case "${1:-}" in
    start) start ;;
    stop) stop ;;
    status) if listening; then echo running; else echo stopped; exit 1; fi ;;
    *) echo "usage: $0 start|stop|status" >&2; exit 2 ;;
esac
