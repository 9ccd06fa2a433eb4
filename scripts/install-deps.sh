#!/usr/bin/env bash
# Installs what the station needs to build, run and test on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-odbc qt6-serialport-dev
  libsqlite3-dev libzint-dev mdbtools-dev
  mdbtools sqlite3
  unixodbc unixodbc-dev odbcinst odbc-postgresql libsqliteodbc postgresql
  cups cups-client cups-bsd printer-driver-cups-pdf
  zbar-tools poppler-utils xvfb xauth socat python3
  fonts-dejavu-core fonts-liberation
  clang-14 libclang-rt-14-dev
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "All packages are installed."
  exit 0
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
