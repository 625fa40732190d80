#!/bin/sh
# Configures and builds everything into build/ (two parallel jobs).
set -eu
cd "$(dirname "$0")/.."
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
