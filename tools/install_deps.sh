#!/usr/bin/env bash
# Installs, with apt-get, what is missing for one purpose, and never removes a package.
#   tools/install_deps.sh [run]          building and running the program (./run.sh)
#   tools/install_deps.sh test           also the test, packaging and audio-test tools (./test.sh)
#   tools/install_deps.sh --check PURPOSE        status 0 when nothing is missing; installs nothing
#   tools/install_deps.sh --simulate PURPOSE     asks apt (apt-get -s) what installing the whole
#                                                list would do; status 1 when it would remove
#                                                anything, 77 when apt cannot tell
# Before installing, apt is asked what it would do; when the answer removes any package (a
# desktop's sound system, a metapackage), nothing is installed and the removals are listed.
set -euo pipefail

mode=install
case "${1:-}" in
  --check) mode=check; shift ;;
  --simulate) mode=simulate; shift ;;
esac
purpose="${1:-run}"

RUN_PACKAGES=(
  cmake g++ make ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  portaudio19-dev libsndfile1-dev
  fonts-liberation2 fontconfig
)
TEST_PACKAGES=(
  libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev
  pulseaudio-utils libasound2-plugins alsa-utils sox
  poppler-utils xvfb xauth xdotool openbox x11-utils
  clang libclang-rt-14-dev
  dpkg-dev file appstream desktop-file-utils lintian man-db
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# A machine that already has a sound server keeps it: PipeWire serves the PulseAudio protocol and
# the test daemon's null sink is loaded into it. Only a machine without one gets pulseaudio.
sound_server_present() {
  local p
  for p in pipewire-pulse pipewire-audio pulseaudio; do installed "$p" && return 0; done
  command -v pactl >/dev/null && pactl info >/dev/null 2>&1 && return 0
  return 1
}

case "$purpose" in
  run) PACKAGES=("${RUN_PACKAGES[@]}") ;;
  test)
    PACKAGES=("${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}")
    sound_server_present || PACKAGES+=(pulseaudio)
    ;;
  *) echo "usage: $0 [--check|--simulate] [run|test]" >&2; exit 2 ;;
esac

# The lines of an apt-get -s answer that remove a package, one package a line.
removals() { sed -n 's/^Remv \([^ ]*\).*/\1/p'; }

simulate() {
  apt-get -s install --no-install-recommends "$@" 2>&1
}

missing=()
for p in "${PACKAGES[@]}"; do installed "$p" || missing+=("$p"); done

if [ "$mode" = check ]; then
  [ ${#missing[@]} -eq 0 ]
  exit
fi

if [ "$mode" = simulate ]; then
  if ! answer="$(simulate "${PACKAGES[@]}")"; then
    echo "[deps] apt cannot say what installing would do (no package lists?):"
    echo "$answer" | tail -5
    exit 77
  fi
  removed="$(removals <<<"$answer")"
  if [ -n "$removed" ]; then
    echo "[deps] installing the $purpose packages would REMOVE:" $removed
    exit 1
  fi
  echo "[deps] installing the $purpose packages removes nothing (${#PACKAGES[@]} packages," \
    "${#missing[@]} missing)"
  exit 0
fi

if [ ${#missing[@]} -eq 0 ]; then
  echo "[deps] all packages present"
  exit 0
fi

echo "[deps] installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
answer="$(simulate "${missing[@]}")" || { echo "$answer" | tail -5; exit 1; }
removed="$(removals <<<"$answer")"
if [ -n "$removed" ]; then
  echo "[deps] refusing: installing ${missing[*]} would remove:" $removed >&2
  echo "[deps] install what is missing by hand in a way that keeps them, then run again" >&2
  exit 1
fi
# --no-remove: should apt change its mind between the question and the install, it stops.
$SUDO apt-get install -y -qq --no-remove --no-install-recommends "${missing[@]}"
echo "[deps] done"
