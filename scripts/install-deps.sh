#!/usr/bin/env bash
# Installs what the suite needs to build, run and test on Debian 12.
# Runs as root (or through sudo); does nothing when everything is present.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libqt6sql6-ibase libgl-dev
  firebird3.0-server-core firebird3.0-utils firebird3.0-server
  libzint-dev libzint2.11
  libreoffice-calc libreoffice-dev
  fonts-liberation2 fonts-crosextra-carlito fonts-dejavu-core
  poppler-utils xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

echo "Installing: ${missing[*]}"
# The server package asks for the SYSDBA password on first install; the test
# server uses this one (tests reset it anyway).
echo "firebird3.0-server shared/firebird/sysdba_password/first_install password masterkey" \
  | $SUDO debconf-set-selections
export DEBIAN_FRONTEND=noninteractive
timeout -k 10 600 $SUDO apt-get update -qq
timeout -k 10 1500 $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
