#!/usr/bin/env bash
# Sets up a fresh machine, builds the station twice (warnings as errors; and with
# AddressSanitizer and UndefinedBehaviorSanitizer), runs every test in both builds,
# then builds the Debian package, installs it and tries the installed programs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DTOPKAR_WERROR=ON -DTOPKAR_BUILD_TESTS=ON -DTOPKAR_BUILD_BENCH=ON
bash scripts/build.sh build-asan -DTOPKAR_WERROR=ON -DTOPKAR_SANITIZE=ON -DTOPKAR_BUILD_TESTS=ON -DTOPKAR_BUILD_BENCH=OFF
status=0
for dir in build build-asan; do
  echo "== Tests in $dir"
  (cd "$dir" && ctest --output-on-failure --timeout 600 -j 2) || status=1
done
echo "== Debian package"
bash scripts/package-check.sh build || status=1
exit $status
