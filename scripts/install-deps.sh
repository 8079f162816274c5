#!/usr/bin/env bash
# Installs what the suite needs to build, run and test on Debian 12, and
# generates the locales the programs and tests run under (ru_RU.UTF-8 for the
# clerks, en_US.UTF-8 for the tests). Runs as root (or through sudo); does
# nothing when everything is present.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libqt6sql6-ibase libgl-dev qt6-translations-l10n
  firebird3.0-server-core firebird3.0-utils firebird3.0-server
  libzint-dev libzint2.11
  libreoffice-calc libreoffice-dev libreoffice-l10n-ru
  fonts-liberation2 fonts-crosextra-carlito fonts-dejavu-core
  poppler-utils xvfb xauth
  locales
)
locales=(ru_RU.UTF-8 en_US.UTF-8)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  # The server package asks for the SYSDBA password on first install; the test
  # server uses this one (tests reset it anyway).
  echo "firebird3.0-server shared/firebird/sysdba_password/first_install password masterkey" \
    | $SUDO debconf-set-selections
  export DEBIAN_FRONTEND=noninteractive
  timeout -k 10 600 $SUDO apt-get update -qq
  timeout -k 10 1500 $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# `locale -a` spells ru_RU.UTF-8 as ru_RU.utf8.
generated() {
  local name=${1%%.*} codeset=${1#*.}
  codeset=$(printf '%s' "$codeset" | tr -d '-' | tr '[:upper:]' '[:lower:]')
  locale -a 2>/dev/null | grep -qxF "$name.$codeset"
}

absent=()
for l in "${locales[@]}"; do
  generated "$l" || absent+=("$l")
done
[ ${#absent[@]} -eq 0 ] && exit 0

echo "Generating locales: ${absent[*]}"
for l in "${absent[@]}"; do
  entry="$l ${l#*.}"
  # Uncomment the line the package ships ("# ru_RU.UTF-8 UTF-8"), or add it.
  if grep -qE "^[[:space:]]*#?[[:space:]]*${entry//./\\.}[[:space:]]*\$" /etc/locale.gen 2>/dev/null; then
    $SUDO sed -i -E "s/^[[:space:]]*#?[[:space:]]*(${entry//./\\.})[[:space:]]*\$/\\1/" /etc/locale.gen
  else
    echo "$entry" | $SUDO tee -a /etc/locale.gen > /dev/null
  fi
done
timeout -k 10 600 $SUDO locale-gen > /dev/null
for l in "${absent[@]}"; do
  generated "$l" || { echo "install-deps: locale $l was not generated" >&2; exit 1; }
done
