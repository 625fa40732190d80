#!/bin/sh
# Builds the Windows side with mingw-w64 into build-windows/ and runs its unit
# tests under Wine, printing how long each phase took.
# Usage: scripts/windows-test.sh [ctest arguments...]
set -eu
cd "$(dirname "$0")/.."
BUILD=build-windows
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}"
LAUNCHER=""
command -v ccache >/dev/null && LAUNCHER="-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"

timings=""
phase_start=0
start_phase() {
  echo "== $1"
  phase_name=$1
  phase_start=$(date +%s)
}
end_phase() {
  timings="$timings$(printf '%-10s %4ss' "$phase_name" $(($(date +%s) - phase_start)))
"
}
report() {
  printf '\nWindows build and tests:\n%s' "$timings"
}
trap report EXIT

start_phase install
scripts/install-windows-deps.sh "$BUILD/sources"
end_phase

start_phase configure
# shellcheck disable=SC2086  # LAUNCHER is two words or none
cmake -S . -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/x86_64-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo $LAUNCHER >/dev/null
end_phase

start_phase build
cmake --build "$BUILD" -j2
end_phase

start_phase test
ctest --test-dir "$BUILD" -V --timeout 600 "$@"
end_phase
