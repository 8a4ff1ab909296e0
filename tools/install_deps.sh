#!/usr/bin/env bash
# Installs, with apt-get, whatever the build, the tests and the audio tests need and is missing.
set -euo pipefail

PACKAGES=(
  cmake g++ make ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  portaudio19-dev libsndfile1-dev
  libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev
  fonts-liberation2 fontconfig
  pulseaudio pulseaudio-utils libasound2-plugins alsa-utils sox
  poppler-utils xvfb xauth xdotool openbox x11-utils
  clang libclang-rt-14-dev
  dpkg-dev file appstream desktop-file-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "[deps] all packages present"
  exit 0
fi

echo "[deps] installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "[deps] done"
