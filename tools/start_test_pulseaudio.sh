#!/usr/bin/env bash
# Starts (once) a private PulseAudio daemon with a null sink "testsink" for the real-capture tests
# and prints the environment that reaches it, ready for eval:
#   eval "$(tools/start_test_pulseaudio.sh)"
# Capture then reads PULSE_SOURCE=testsink.monitor through ALSA's default device; play into the
# sink with `paplay -d testsink FILE`. Safe to call again: a running daemon is reused.
# Where pulseaudio is not installed but a sound server already serves the PulseAudio protocol
# (PipeWire's pulse server), the null sink is loaded into that one instead.
# When this call started the daemon or loaded the sink, it also prints
# AURIVUE_TEST_PULSE_OWNED=1; `tools/start_test_pulseaudio.sh --stop` then ends that daemon
# (only ours, found by its pid file) or unloads that sink.
set -euo pipefail
runtime="${AURIVUE_PULSE_DIR:-/tmp/aurivue-pulse-$(id -u)}"
mkdir -p "$runtime"
chmod 700 "$runtime"
module_file="$runtime/testsink.module"

if [ "${1:-}" = "--stop" ]; then
  module="$(cat "$module_file" 2>/dev/null || true)"
  case "$module" in
    '' | *[!0-9]*) ;;
    *) pactl unload-module "$module" 2>/dev/null || true; rm -f "$module_file" ;;
  esac
  pid="$(cat "$runtime/pulse/pid" 2>/dev/null || true)"
  case "$pid" in '' | *[!0-9]*) exit 0 ;; esac
  if [ "$(ps -o comm= -p "$pid" 2>/dev/null)" = "pulseaudio" ] &&
     [ "$(ps -o uid= -p "$pid" 2>/dev/null | tr -d ' ')" = "$(id -u)" ]; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$runtime/pulse/pid" "$runtime/pulse/native"
  exit 0
fi

if ! command -v pulseaudio >/dev/null; then
  # The machine's own server, reached the way any client of this user reaches it.
  server="$(pactl info 2>/dev/null | sed -n 's/^Server String: //p')"
  if [ -z "$server" ]; then
    echo "start_test_pulseaudio: pulseaudio is not installed and no sound server answers" >&2
    exit 1
  fi
  case "$server" in /*) server="unix:$server" ;; esac
  owned=0
  if ! pactl list short sinks | awk '{print $2}' | grep -qx testsink; then
    pactl load-module module-null-sink sink_name=testsink rate=44100 channels=2 >"$module_file"
    owned=1
  fi
  echo "export PULSE_SERVER='$server'"
  echo "export PULSE_SOURCE=testsink.monitor"
if [ "$owned" = 1 ]; then echo "export AURIVUE_TEST_PULSE_OWNED=1"; fi
  [ "$owned" = 1 ] && echo "export AURIVUE_TEST_PULSE_OWNED=1"
  exit 0
fi

export XDG_RUNTIME_DIR="$runtime"
export PULSE_RUNTIME_PATH="$runtime/pulse"
export HOME="${HOME:-$runtime}"
server="unix:$runtime/pulse/native"

reachable() { PULSE_SERVER="$server" pactl info >/dev/null 2>&1; }

# Ends the daemon whose pid our pid file holds, when that process still is a pulseaudio of ours.
stop_stale() {
  local pid
  pid="$(cat "$runtime/pulse/pid" 2>/dev/null || true)"
  case "$pid" in '' | *[!0-9]*) return 0 ;; esac
  if [ "$(ps -o comm= -p "$pid" 2>/dev/null)" = "pulseaudio" ] &&
     [ "$(ps -o uid= -p "$pid" 2>/dev/null | tr -d ' ')" = "$(id -u)" ]; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
}

owned=0
if ! reachable; then
  owned=1
  args=(-D --exit-idle-time=-1 -n --disallow-exit --use-pid-file=yes
        --load=module-native-protocol-unix
        --load="module-null-sink sink_name=testsink rate=44100 channels=2")
  # As root the daemon only warns in per-user mode; --system would need a pulse user and policy.
  # A daemon that was killed leaves its pid file and socket behind, and a start right after such a
  # kill sometimes fails: end what the pid file names (only our own daemon, never another found
  # by its command line), clear them and try a few times.
  stop_stale
  rm -f "$runtime/pulse/pid" "$runtime/pulse/native"
  for attempt in 1 2 3 4 5; do
    pulseaudio "${args[@]}" >>"$runtime/daemon.log" 2>&1 || true
    for _ in $(seq 1 50); do
      reachable && break 2
      sleep 0.1
    done
    echo "start_test_pulseaudio: attempt $attempt failed, retrying" >&2
    stop_stale
    rm -f "$runtime/pulse/pid" "$runtime/pulse/native"
    sleep 0.5
  done
fi
if ! reachable; then
  echo "start_test_pulseaudio: no daemon came up; see $runtime/daemon.log" >&2
  exit 1
fi
echo "export XDG_RUNTIME_DIR='$runtime'"
echo "export PULSE_RUNTIME_PATH='$runtime/pulse'"
echo "export PULSE_SERVER='$server'"
echo "export PULSE_SOURCE=testsink.monitor"
if [ "$owned" = 1 ]; then echo "export AURIVUE_TEST_PULSE_OWNED=1"; fi
