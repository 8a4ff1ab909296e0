#!/usr/bin/env bash
# Configures (once) and builds one build tree. Usage: tools/build.sh BUILD_DIR [cmake args...] [-- targets...]
# Builds are serialised through a lock so that two never run at once on this machine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
cfg=(); targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; targets=("$@"); break; fi
  cfg+=("$1"); shift
done
gen=()
command -v ninja >/dev/null && gen=(-G Ninja)
# Compiler cache entries name the sources relative to the checkout, so that another checkout of
# the same tree (a worktree, a clean clone) finds them.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
exec 9>/tmp/aurivue-build.lock
flock 9
# A folder configured for another checkout (one since moved or removed) would build that one:
# configure it afresh for this one.
if [ -f "$dir/CMakeCache.txt" ] &&
  ! grep -qxF "CMAKE_HOME_DIRECTORY:INTERNAL=$root" "$dir/CMakeCache.txt"; then
  echo "[build] $dir was configured for another source tree; configuring it for $root"
  rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
fi
if [ ! -f "$dir/CMakeCache.txt" ]; then
  echo "[build] configuring $dir"
  cmake -S "$root" -B "$dir" "${gen[@]}" "${cfg[@]}" >/dev/null
elif [ ${#cfg[@]} -gt 0 ]; then
  cmake "$dir" "${cfg[@]}" >/dev/null
fi
echo "[build] building $dir ${targets[*]:-(all)}"
if [ ${#targets[@]} -gt 0 ]; then
  cmake --build "$dir" --parallel 2 --target "${targets[@]}"
else
  cmake --build "$dir" --parallel 2
fi
