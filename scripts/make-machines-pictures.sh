#!/bin/sh
# Rebuilds the machine panels' placeholder pictures in src/resources/machines/
# from tools/machines-pictures (run after changing that program; the pictures are committed).
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build --target machines-pictures -j"$(nproc)"
./build/tools/machines-pictures src/resources/machines
