#!/usr/bin/env bash
# Installs what the station needs on Debian 12, in three lists:
#   run    what a station PC needs to run the programs (what the package depends on)
#   build  compilers, headers and packaging tools
#   test   what the tests use: a PostgreSQL server, a print server with a PDF
#          printer, barcode and PDF readers, a virtual screen and serial pair, clang,
#          the mdbtools commands (the reference reading of Jet files)
# Usage: install-deps.sh [run] [build] [test] [package…]   (no argument: all three lists)
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
RUN=(
  libqt6sql6-sqlite libqt6sql6-odbc libqt6sql6-psql qt6-qpa-plugins qt6-translations-l10n
  unixodbc odbcinst odbc-postgresql fonts-liberation fonts-dejavu-core libmdb3
)
BUILD=(
  build-essential cmake ninja-build pkg-config file dpkg-dev
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
  libsqlite3-dev libzint-dev unixodbc-dev mdbtools-dev libpq-dev
)
TEST=(
  postgresql libsqliteodbc sqlite3 desktop-file-utils mdbtools
  cups cups-client cups-bsd printer-driver-cups-pdf
  zbar-tools poppler-utils xvfb xauth socat python3
  clang-14 libclang-rt-14-dev
)
lists=("$@")
[ ${#lists[@]} -eq 0 ] && lists=(run build test)
wanted=()
for list in "${lists[@]}"; do
  case "$list" in
    run) wanted+=("${RUN[@]}") ;;
    build) wanted+=("${BUILD[@]}") ;;
    test) wanted+=("${TEST[@]}") ;;
    *) wanted+=("$list") ;;
  esac
done
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "All ${#wanted[@]} packages (${lists[*]}) are installed."
  exit 0
fi
echo "Installing ${#missing[@]} of ${#wanted[@]} packages (${lists[*]}), with what they need: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# The package manager's own progress, one line per package fetched and set up.
$SUDO apt-get install -y --no-install-recommends -o Dpkg::Use-Pty=0 "${missing[@]}" |
  grep -E '^(Get:|Setting up|[0-9]+ upgraded|Need to get|After this)' || true
