#!/bin/sh
# Configures the checked build in build-check/ (Clang, AddressSanitizer,
# UndefinedBehaviorSanitizer and the libFuzzer targets) and builds the given
# targets, or everything. Used by scripts/test.sh and scripts/fuzz.sh.
set -eu
cd "$(dirname "$0")/.."
if [ ! -f build-check/CMakeCache.txt ]; then
  launcher=""
  command -v ccache >/dev/null && launcher="-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  # shellcheck disable=SC2086
  cmake -S . -B build-check -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 \
    -DCMAKE_CXX_COMPILER=clang++-14 -DZEL_FUZZ=ON $launcher >/dev/null
fi
if [ $# -eq 0 ]; then
  cmake --build build-check -j2
else
  for target in "$@"; do set -- "$@" --target "$target"; shift; done
  cmake --build build-check -j2 "$@"
fi
