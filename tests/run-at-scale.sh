#!/usr/bin/env bash
# The crash tests at scale (ctest runs them shorter): the roll writer killed at random
# moments 1,000 times, then two stations recording 1,000 rolls each into one folder
# at once. They pass when no barcode number is in two rows, no row is half written,
# the counter is past every number given, and every roll of the two stations landed.
# Usage: tests/run-at-scale.sh [BUILD_DIR] [KILLS] [ROLLS_PER_STATION]
set -euo pipefail
build=${1:-build}
export TOPKAR_CRASH_ROUNDS=${2:-1000} TOPKAR_STATION_ROLLS=${3:-1000}
export QTEST_FUNCTION_TIMEOUT=7200000
"$build/tests/tst_orders_table" killedWritersLeaveWholeUniqueRows
exec "$build/tests/tst_server_orders" "stationsRecordAtOnce:one folder"
