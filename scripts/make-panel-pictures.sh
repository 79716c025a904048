#!/bin/sh
# Rebuilds the camera panel's placeholder pictures in src/resources/campanel/ from
# tools/panel-pictures (run after changing that program; the pictures are committed).
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build --target panel-pictures -j"$(nproc)"
./build/tools/panel-pictures src/resources/campanel
