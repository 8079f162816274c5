#!/usr/bin/env bash
# Sets everything up and starts Lettrix on an embedded demo database.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/install-deps.sh
bash scripts/build.sh

mkdir -p demo
db="$top/demo/demo.fdb"
if [ ! -f "$db" ]; then
  bash scripts/make-db.sh "$db" 300
fi

# The programs read their connection settings from options.ini beside them.
ini="$top/build/bin/options.ini"
if [ ! -f "$ini" ]; then
  umask 077
  printf '[Main]\r\nConnectionString=%s\r\nUser=SYSDBA\r\nPass=masterkey\r\n' "$db" > "$ini"
fi

# The office works with Russian regional settings (dates as dd.MM.yyyy).
case "${LC_ALL:-${LANG:-}}" in
  ""|C|C.*|POSIX) export LANG=ru_RU.UTF-8 LC_ALL= ;;
esac

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting Lettrix under Xvfb."
  exec xvfb-run -a -s "-screen 0 1366x768x24" "$top/build/bin/Lettrix"
fi
exec "$top/build/bin/Lettrix"
