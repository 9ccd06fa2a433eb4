#!/usr/bin/env bash
# Configures and builds into the folder given (default build/). Extra arguments go
# to CMake, e.g. -DTOPKAR_SANITIZE=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build}
shift || true
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
