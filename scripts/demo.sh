#!/usr/bin/env bash
# Sets up a fresh machine and starts the station on a ready-to-use demo company.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  bash scripts/install-deps.sh run build
else
  bash scripts/install-deps.sh run build xvfb xauth # a virtual screen
fi
echo "Building (a few minutes the first time)..."
bash scripts/build.sh build -DTOPKAR_BUILD_TESTS=OFF -DTOPKAR_BUILD_BENCH=OFF
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting the station on the demo company (settings and data in ~/.local/share/Topkar-demo)."
  exec ./build/app/topkar --demo "$@"
fi
# No display: run the window on a virtual one, keep a picture of it, and say so.
shot="$PWD/build/demo-screenshot.png"
echo "No display found: the station runs under Xvfb (a virtual screen) and its window is saved as $shot."
xvfb-run -a -s "-screen 0 1280x1024x24" ./build/app/topkar --demo --screenshot "$shot" "$@"
echo "Done. Open $shot to see the window; run this command on a desktop to use the station."
