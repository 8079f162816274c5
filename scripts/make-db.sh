#!/bin/bash
# Builds a demo or test case-file database:
#   scripts/make-db.sh <file.fdb> [parties] [--no-suite-tables] [--letters N] [--busy-day N]
# Creates the database (UTF8), the case-file tables of casefile.sql, then runs
# casefilegen: the suite's tables from the SQL scripts (unless
# --no-suite-tables) and the given number of synthetic parties (default 300);
# --letters and --busy-day go to casefilegen as they are.
# An existing <file.fdb> is replaced, but only once the new one is complete:
# the database is built beside it under a temporary name and renamed over it.
# casefilegen is taken from $CASEFILEGEN, else from build/bin of the checkout.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
usage() { echo "usage: $0 <file.fdb> [parties] [--no-suite-tables] [--letters N] [--busy-day N]" >&2; exit 2; }

target=""
parties=300
extra=()
while [ $# -gt 0 ]; do
    case "$1" in
        --no-suite-tables) extra+=(--no-suite-tables) ;;
        --letters|--busy-day) [ $# -ge 2 ] || usage; extra+=("$1" "$2"); shift ;;
        -*) usage ;;
        *)
            if [ -z "$target" ]; then target=$1
            elif [[ "$1" =~ ^[0-9]+$ ]]; then parties=$1
            else usage
            fi ;;
    esac
    shift
done
[ -n "$target" ] || usage

. "$here/fbenv.sh"
generator=${CASEFILEGEN:-$here/../build/bin/casefilegen}
[ -x "$generator" ] || { echo "$0: casefilegen not found at $generator (build it or set CASEFILEGEN)" >&2; exit 1; }

mkdir -p "$(dirname "$target")"
target=$(cd "$(dirname "$target")" && pwd)/$(basename "$target")
scratch="$target.building.$$"
trap 'rm -f "$scratch"' EXIT
rm -f "$scratch"

# The engine catches SIGTERM, so every call is bounded with a hard kill.
{
    echo "CREATE DATABASE '$scratch' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;"
    cat "$here/casefile.sql"
} | timeout -k 5 60 isql-fb -q -bail -ch UTF8

timeout -k 5 600 "$generator" "$scratch" --parties "$parties" "${extra[@]}"

chmod 644 "$scratch"
mv -f "$scratch" "$target"
trap - EXIT
echo "$target: ready"
