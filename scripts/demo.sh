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

# Where prints go. A fresh machine has no printer, and every print would end
# in an error; then they become PDF files in demo/prints/. A value of
# COURTMAIL_PRINT_TO_PDF_DIR given by the caller wins, an empty one meaning
# the default printer.
default_printer() {
  # lpstat comes with the CUPS client tools, which a fresh machine may lack;
  # without them nothing here can tell that a printer is set up.
  command -v lpstat >/dev/null 2>&1 || return 1
  LC_ALL=C lpstat -d 2>/dev/null | sed -n 's/^system default destination: *//p' | grep .
}
if [ -n "${COURTMAIL_PRINT_TO_PDF_DIR+set}" ]; then
  if [ -n "$COURTMAIL_PRINT_TO_PDF_DIR" ]; then
    mkdir -p "$COURTMAIL_PRINT_TO_PDF_DIR"
    echo "Prints go to PDF files in $COURTMAIL_PRINT_TO_PDF_DIR (COURTMAIL_PRINT_TO_PDF_DIR)."
  else
    echo "Prints go to the default printer (COURTMAIL_PRINT_TO_PDF_DIR is empty)."
  fi
elif printer=$(default_printer); then
  echo "Prints go to the default printer: $printer."
else
  export COURTMAIL_PRINT_TO_PDF_DIR="$top/demo/prints"
  mkdir -p "$COURTMAIL_PRINT_TO_PDF_DIR"
  echo "No default printer: prints go to PDF files in demo/prints/."
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
