#!/usr/bin/env bash
# Builds the Debian package from a release build folder (default build/), installs it
# on this machine and tries the installed programs from their installed paths:
# --version, a backup of a demo company checked through the installed SQLite
# extension, and the desktop entry.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=$(realpath "${1:-build}")
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

rm -f "$BUILD_DIR"/topkar_*.deb
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
deb=$(ls "$BUILD_DIR"/topkar_*.deb)
echo "== Package $(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get install -y -qq --no-install-recommends "$deb" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TOPKAR_HOME="$work/home"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
# --version and --help (in Qt's Turkish) without a display.
for program in topkar topkar-exchange; do
  "/usr/bin/$program" --version
  help=$("/usr/bin/$program" --help)
  [[ $help == Kullanım:* ]] || { echo "$program --help: not in Turkish: $help" >&2; exit 1; }
done
/usr/bin/topkar --demo --backup "$work/yedek"
copy=$(ls -d "$work"/yedek/Topkar-*)
load=".load /usr/lib/topkar/trnocase"
for f in Kumas.Mdb 01Cari.Mdb 01Stok.Mdb; do
  result=$(sqlite3 -batch -cmd "$load" "$copy/$f" "PRAGMA integrity_check")
  if [ "$result" != ok ]; then
    echo "integrity_check of the backup of $f: $result" >&2
    exit 1
  fi
done
echo "Backup checked: $(sqlite3 -batch -cmd "$load" "$copy/Kumas.Mdb" "SELECT count(*) FROM Siparis") rolls"
desktop-file-validate /usr/share/applications/topkar.desktop
for f in /usr/share/icons/hicolor/scalable/apps/topkar.svg /usr/share/icons/hicolor/48x48/apps/topkar.png \
  /usr/share/topkar/central_schema.sql /usr/share/topkar/virtual-scale.py; do
  [ -f "$f" ] || { echo "missing: $f" >&2; exit 1; }
done
echo "== The installed package works"
