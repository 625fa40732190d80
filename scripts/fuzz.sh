#!/bin/sh
# Runs one fuzz target for SECONDS (default 300) in the checked build:
#   scripts/fuzz.sh NAME [SECONDS]
# NAME is one of settings, image_end, package, bridge_message, base64,
# registry_path, mime_lists, call_message, exe_resources, or "all" for each
# in turn. The target starts from its seeds (tests/fuzz/corpus/NAME) and kept
# crash inputs (tests/fuzz/regressions/NAME); the inputs it finds collect in
# build-check/tests/fuzz/corpus/NAME. A crash stops it and leaves the input in
# build-check/tests/fuzz/artifacts/: fix the fault, then keep the input in
# tests/fuzz/regressions/NAME/ so that every build replays it.
set -eu
cd "$(dirname "$0")/.."
TARGETS="settings image_end package bridge_message base64 registry_path mime_lists call_message exe_resources"
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: scripts/fuzz.sh NAME [SECONDS]   (NAME: $TARGETS, or all)" >&2
  exit 2
fi
name=$1
seconds=${2:-300}
if [ "$name" = all ]; then
  for target in $TARGETS; do "$0" "$target" "$seconds"; done
  exit 0
fi
case " $TARGETS " in
  *" $name "*) ;;
  *) echo "scripts/fuzz.sh: no fuzz target '$name' (one of: $TARGETS)" >&2; exit 2 ;;
esac
scripts/install-deps.sh
scripts/checked-build.sh "zel_fuzz_$name"
work=build-check/tests/fuzz/corpus/$name
artifacts=build-check/tests/fuzz/artifacts
mkdir -p "$work" "$artifacts"
set -- "$work" "tests/fuzz/corpus/$name"
[ -d "tests/fuzz/regressions/$name" ] && set -- "$@" "tests/fuzz/regressions/$name"
[ -f "tests/fuzz/$name.dict" ] && set -- "-dict=tests/fuzz/$name.dict" "$@"
exec "build-check/bin/zel_fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$artifacts/$name-" "$@"
