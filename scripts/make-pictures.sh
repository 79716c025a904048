#!/bin/sh
# Rebuilds the placeholder pictures under src/gui/resources/ from tools/make-pictures
# (run after changing that program; the pictures are committed). Names of sets
# (keyboard mainwin campanel tooling machines dnc postpro rfid) limit it to those; none: all.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build --target make-pictures -j"$(nproc)"
./build/tools/make-pictures src/gui/resources "$@"
