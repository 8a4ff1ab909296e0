#!/usr/bin/env bash
# Installs what is missing, builds Aurivue and starts it. Arguments pass through to the program,
# for example: ./run.sh --input tone:1000
set -euo pipefail
cd "$(dirname "$0")"
echo "== Aurivue: checking packages"
tools/install_deps.sh run
echo "== Aurivue: building"
# Without the test tools (./test.sh installs them) the folder is configured for the program only.
if tools/install_deps.sh --check test; then
  tools/build.sh build -- aurivue
else
  tools/build.sh build -DAURIVUE_BUILD_TESTS=OFF -DAURIVUE_BUILD_BENCH=OFF -- aurivue
fi
echo "== Aurivue: starting build/src/aurivue $*"
exec build/src/aurivue "$@"
