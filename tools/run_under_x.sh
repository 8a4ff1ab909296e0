#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb), optionally with a window manager, so that tests
# can click with a real pointer. Usage: tools/run_under_x.sh [--wm] [--screen WxH] -- COMMAND [ARGS...]
# Exits 77 (skipped) when Xvfb, xdotool or the window manager is missing outside CI.
set -uo pipefail
wm=0
screen=1280x1024
while [ $# -gt 0 ]; do
  case "$1" in
    --wm) wm=1; shift ;;
    --screen) screen="$2"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done

missing() {
  echo "run_under_x: $1 is not installed (tools/install_deps.sh installs it)"
  if [ "${CI:-}" = "true" ]; then exit 1; fi
  exit 77
}
command -v Xvfb >/dev/null || missing Xvfb
command -v xdotool >/dev/null || missing xdotool
if [ "$wm" = 1 ]; then
  command -v openbox >/dev/null || missing openbox
  command -v xprop >/dev/null || missing xprop
fi

xdir="$(mktemp -d /tmp/aurivue-x-XXXXXX)"
cleanup() {
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null
  [ -n "${x_pid:-}" ] && kill "$x_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$xdir"
}
trap cleanup EXIT

# The server picks a free display number itself and writes it to the pipe.
mkfifo "$xdir/display"
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$xdir/display" 2>"$xdir/xvfb.log" &
x_pid=$!
if ! read -r -t 20 number <"$xdir/display"; then
  echo "run_under_x: Xvfb did not start"; cat "$xdir/xvfb.log"; exit 1
fi
export DISPLAY=":$number"
if [ "$wm" = 1 ]; then
  openbox >"$xdir/wm.log" 2>&1 &
  wm_pid=$!
  # The manager owns the screen's selection once it runs.
  for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
    sleep 0.1
  done
  # It announces itself before it has finished taking over the screen.
  sleep 1
fi
export QT_QPA_PLATFORM=xcb
export AURIVUE_X_TEST=$([ "$wm" = 1 ] && echo wm || echo bare)
"$@"
