#!/bin/sh
# Rebuilds the tooling-table panels' placeholder pictures in src/resources/tooling/
# from tools/tooling-pictures (run after changing that program; the pictures are committed).
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build --target tooling-pictures -j"$(nproc)"
./build/tools/tooling-pictures src/resources/tooling
