#!/bin/sh
# The whole test suite: installs what is needed, builds, and runs unit,
# command-line and end-to-end tests through CTest, then a short run of every
# fuzz target in the checked build.
#   scripts/test.sh             what CI runs
#   scripts/test.sh --sanitize  the unit, engine, window and command-line tests
#                               and the fuzz targets, all built with
#                               AddressSanitizer and UndefinedBehaviorSanitizer
#                               (build-check/; too slow for CI, run it before
#                               each submission)
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
case "${1:-}" in
  "")
    scripts/build.sh
    ctest --test-dir build -j2 --output-on-failure --timeout 300
    scripts/checked-build.sh zel_fuzz_all
    ctest --test-dir build-check -j2 --output-on-failure -L fuzz
    ;;
  --sanitize)
    scripts/checked-build.sh
    # Libraries below zel (fontconfig, WebKit) keep memory for the process's
    # life, and hand objects to code of ours that cannot check their types.
    export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
    export ASAN_OPTIONS="detect_stack_use_after_return=1:strict_string_checks=1"
    export UBSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/ubsan.supp:print_stacktrace=1:halt_on_error=1"
    ctest --test-dir build-check -j2 --output-on-failure --timeout 600 -E '^e2e\.'
    ;;
  *)
    echo "usage: scripts/test.sh [--sanitize]" >&2
    exit 2
    ;;
esac
