#!/bin/sh
# Installs what is missing, builds everything and runs every test.
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
LAUNCHER=""
if command -v ccache >/dev/null 2>&1; then
  # Rebuilds (and other clones of the same sources) reuse earlier compiles.
  LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}"
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug $LAUNCHER
cmake --build build -j"$(nproc)"
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 300
