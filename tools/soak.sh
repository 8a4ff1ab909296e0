#!/usr/bin/env bash
# The reliability run of the whole program: builds tool_soak_run and runs it headless.
#   tools/soak.sh                  ten minutes (600 s) of capture
#   tools/soak.sh --seconds 30     a short one
#   tools/soak.sh --live           ten minutes of the live display
# Further options: --warmup S, --rss-bound-mib M, --input SPEC, --late-ms MS, --live, --quiet (see
# tools/soak_run.cpp). The report ends with the lost count and the time of each loss.
# Exit status 0 when no buffer was lost, memory stayed within the bound after the warm-up, no
# thread outlived POWER off and nothing hung.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh build -- tool_soak_run >/dev/null
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
exec build/tools/tool_soak_run "$@"
