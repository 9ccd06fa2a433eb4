#!/usr/bin/env bash
# The crash test at scale (ctest runs it shorter): the roll writer killed at random
# moments 1,000 times, then two stations recording 1,000 rolls each into one folder
# at once. Prints the figures: writers killed, rolls reported, rows, duplicate numbers,
# half rows, the counter against the highest number; rows and numbers of the two
# stations, and how often a station was told the file was busy.
# Usage: tests/run-at-scale.sh [BUILD_DIR] [KILLS] [ROLLS_PER_STATION]
set -euo pipefail
build=${1:-build}
export TOPKAR_CRASH_ROUNDS=${2:-1000} TOPKAR_STATION_ROLLS=${3:-1000}
export QTEST_FUNCTION_TIMEOUT=7200000
exec "$build/tests/tst_crash_safety"
