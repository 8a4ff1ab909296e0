#!/usr/bin/env bash
# Builds the Debian package aurivue_<version>_amd64.deb. Usage: tools/build_deb.sh [BUILD_DIR]
# (default build-deb). The package lands in BUILD_DIR; its path is the last line printed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build-deb}"
"$root/tools/build.sh" "$dir" -DAURIVUE_BUILD_TESTS=OFF \
  -DAURIVUE_BUILD_BENCH=OFF -- aurivue
(cd "$dir" && cpack -G DEB >/dev/null)
ls -t "$dir"/aurivue_*_amd64.deb | head -1
