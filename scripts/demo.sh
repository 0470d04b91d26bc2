#!/usr/bin/env bash
# Builds the programs and runs the main job in a fresh demo program folder, with the link
# set to the built-in simulated instruments.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)"

demo=$(mktemp -d /tmp/qz55xx-demo.XXXXXX)
cp -a build/program/. "$demo/"
echo "Demo program folder: $demo"
echo
echo "== a simulated instrument decodes a device float"
"$demo/qz55xx-cli" float decode 16 88 00 00
