#!/bin/sh
# The whole test suite: installs what is needed, builds, and runs unit,
# command-line and end-to-end tests through CTest.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
ctest --test-dir build -j2 --output-on-failure --timeout 300
