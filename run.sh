#!/usr/bin/env bash
# Installs what is missing, builds Aurivue and starts it. Arguments pass through to the program,
# for example: ./run.sh --input tone:1000
set -euo pipefail
cd "$(dirname "$0")"
echo "== Aurivue: checking packages"
tools/install_deps.sh
echo "== Aurivue: building"
tools/build.sh build -- aurivue
echo "== Aurivue: starting build/src/aurivue $*"
exec build/src/aurivue "$@"
