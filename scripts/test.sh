#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, then the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the database suite against a private
# PostgreSQL server. Warnings are errors here.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen

echo "== build"
cmake -S . -B build -G Ninja -DQZ_WERROR=ON >/dev/null
cmake --build build -j"$jobs"

echo "== sanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQZ_SANITIZE=ON -DQZ_WERROR=ON \
      -DQZ_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"

echo "== tests under the sanitizers"
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest --output-on-failure -j"$jobs")

echo "== database tests against PostgreSQL"
scripts/with-postgres.sh bash -c 'cd build && ctest --output-on-failure -L db'

echo "== tests"
(cd build && ctest --output-on-failure -j"$jobs")
