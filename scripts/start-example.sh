#!/bin/sh
# Installs what is needed, builds zel, packages the example application and
# shows what the package holds.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
mkdir -p build/examples
build/bin/zel build examples/showcase -o build/examples/showcase
build/bin/zel inspect build/examples/showcase
