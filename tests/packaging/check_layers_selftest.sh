#!/usr/bin/env bash
# The layer check must fail on a tree that breaks the rule, and name the file and include.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tree="$(mktemp -d)"; trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{analysis,chart,controls,platform}
printf '#include "platform/x.h"\n' >"$tree/chart/a.cpp"
printf '#include <QString>\n' >"$tree/analysis/b.cpp"
printf '#include "chart/a.h"\n' >"$tree/platform/c.h"
printf '#include "acquisition/app_state.h"\n' >"$tree/controls/rotary_switch.cpp"
printf '#include "acquisition/app_state.h"\n' >"$tree/controls/control_view.cpp"
out="$("$here/check_layers.sh" "$tree")" && { echo "FAIL: the check passed a tree that breaks the rule"; exit 1; }
status=0
for expect in 'analysis/b.cpp includes Qt' 'platform/c.h:1 includes "chart/a.h"' \
              'controls/rotary_switch.cpp:1 includes "acquisition/app_state.h"'; do
  grep -qF -- "$expect" <<<"$out" || { echo "FAIL: no report of: $expect"; status=1; }
done
for clean in 'chart/a.cpp' 'control_view.cpp'; do
  grep -qF -- "$clean" <<<"$out" && { echo "FAIL: a permitted include was reported: $clean"; status=1; }
done
echo "$out"
exit $status
