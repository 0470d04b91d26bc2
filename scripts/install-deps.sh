#!/usr/bin/env bash
# Installs what building, running and testing need, from Debian's packages.
# Idempotent: asks apt only for packages that are missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config          # compiler and build
    qt6-base-dev qt6-base-dev-tools           # Qt 6: Core, Gui, Widgets, Sql, PrintSupport
    libqt6sql6-sqlite libqt6sql6-psql         # Qt's SQLite and PostgreSQL drivers
    libgl-dev                                 # needed by Qt6Gui's CMake files
    libgtest-dev libgmock-dev                 # GoogleTest and GoogleMock
    libbenchmark-dev                          # Google Benchmark, for bench/
    postgresql                                # server for the PostgreSQL test run
    unrtf poppler-utils                       # RTF and PDF readers used by tests
    fonts-liberation fonts-dejavu-core        # fonts for printing and offscreen windows
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        SUDO=sudo
    else
        SUDO=
    fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
