#!/usr/bin/env bash
# Fails on an include across layers. Each folder of SOURCE_DIR (default: the project's src) may
# include its own headers and those of the folders its library links; src/analysis includes no
# Qt; the reusable controls include nothing above platform (only the control panel, control_view,
# reaches the application's state). Usage: check_layers.sh [SOURCE_DIR]
set -uo pipefail
src="${1:-$(cd "$(dirname "$0")/../../src" && pwd)}"
declare -A allowed=(
  [analysis]="analysis"
  [platform]="platform analysis"
  [acquisition]="acquisition platform"
  [chart]="chart platform analysis"
  [view]="view analysis chart acquisition platform"
  [controls]="controls platform"
  [features]="features view controls analysis chart acquisition platform"
  [shell]="shell features view controls analysis chart acquisition platform"
  [resources]="resources"
)
# The control panel is a view of the application, above the reusable controls.
panel_allowed="controls acquisition platform"
status=0
for layer in "${!allowed[@]}"; do
  [ -d "$src/$layer" ] || continue
  # A feature's folder is part of the features layer.
  for file in "$src/$layer"/*.h "$src/$layer"/*.cpp "$src/$layer"/*/*.h "$src/$layer"/*/*.cpp; do
    [ -f "$file" ] || continue
    ok="${allowed[$layer]}"
    case "$(basename "$file")" in control_view.*) ok="$panel_allowed" ;; esac
    while IFS=: read -r line text; do
      inc="$(sed -E 's/.*#include[[:space:]]*"([^"]*)".*/\1/' <<<"$text")"
      case "$inc" in
        */*) target="${inc%%/*}" ;;
        *) target="$layer" ;;
      esac
      if [[ "$inc" == *..* ]] || ! grep -qw -- "$target" <<<"$ok"; then
        echo "FAIL: ${file#$src/}:$line includes \"$inc\"; $layer may include only: $ok"
        status=1
      elif [ "$layer" = controls ] && [ "$ok" != "$panel_allowed" ] && [[ "$inc" == controls/control_view.h ]]; then
        echo "FAIL: ${file#$src/}:$line includes the control panel; the reusable controls sit below it"
        status=1
      fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
    if [ "$layer" = analysis ] && grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(Q|qt)' "$file" >/dev/null; then
      echo "FAIL: ${file#$src/} includes Qt; analysis is standard C++ only: $(grep -nE '#[[:space:]]*include[[:space:]]*<(Q|qt)' "$file" | head -1)"
      status=1
    fi
  done
done
[ $status -eq 0 ] && echo "layers: no include crosses a layer in $src"
exit $status
