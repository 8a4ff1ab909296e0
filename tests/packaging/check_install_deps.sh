#!/usr/bin/env bash
# The set-up never removes a package. Usage: check_install_deps.sh SOURCE_DIR
#  1. asks this machine's apt (apt-get -s, nothing is changed) what installing the run and the test
#     packages would do, and fails when it would remove anything (skips, 77, when apt cannot say);
#  2. runs the install step against a stand-in apt-get, dpkg-query and pactl, and checks that a
#     removal stops it before anything is installed, and that a machine with a sound server is
#     not given pulseaudio.
set -uo pipefail
src="$1"
deps="$src/tools/install_deps.sh"
status=0
fail() { echo "FAIL: $*"; status=1; }

skipped=0
for purpose in run test; do
  out="$("$deps" --simulate "$purpose" 2>&1)"
  code=$?
  echo "$out"
  case $code in
    0) ;;
    77) skipped=1 ;;
    *) fail "installing the $purpose packages on this machine would remove packages" ;;
  esac
done

fake="$(mktemp -d)"
trap 'rm -rf "$fake"' EXIT
mkdir -p "$fake/bin"
# apt-get: the simulation answers from $FAKE_REMOVE (one removal line when set) and every call is
# logged; dpkg-query: installed are the packages in $FAKE_INSTALLED; pactl: no server answers.
cat >"$fake/bin/apt-get" <<'SH'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE_LOG"
if [ "$1" = "-s" ]; then
  for p in "$@"; do case "$p" in -*|install) ;; *) echo "Inst $p (1.0 Debian:12)";; esac; done
  [ -n "${FAKE_REMOVE:-}" ] && echo "Remv $FAKE_REMOVE [0.3.65-3]"
fi
exit 0
SH
cat >"$fake/bin/dpkg-query" <<'SH'
#!/usr/bin/env bash
p="${!#}"
for i in $FAKE_INSTALLED; do [ "$i" = "$p" ] && { printf 'install ok installed'; exit 0; }; done
exit 1
SH
printf '#!/bin/sh\nexit 1\n' >"$fake/bin/pactl"
printf '#!/bin/sh\nexec "$@"\n' >"$fake/bin/sudo"
chmod +x "$fake/bin/"*

# name | purpose | installed | apt would remove | expected status | installs? | pulseaudio asked for?
cases=(
  "clean machine, run|run|||0|yes|no"
  "clean machine, test|test|||0|yes|yes"
  "PipeWire desktop, test|test|pipewire-pulse pipewire-audio||0|yes|no"
  "PulseAudio desktop, test|test|pulseaudio||0|yes|no"
  "install would remove the desktop's sound|test|pipewire-audio|pipewire-audio|1|no|no"
  "install would remove a metapackage|run||gnome-core|1|no|no"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name purpose inst remove want installs pulse <<<"$c"
  log="$fake/log"
  : >"$log"
  out="$(PATH="$fake/bin:$PATH" FAKE_LOG="$log" FAKE_INSTALLED="$inst" FAKE_REMOVE="$remove" \
    "$deps" "$purpose" 2>&1)"
  got=$?
  [ "$got" = "$want" ] || fail "$name: status $got, expected $want ($out)"
  if grep -q "install -y" "$log"; then did=yes; else did=no; fi
  [ "$did" = "$installs" ] || fail "$name: installed '$did', expected '$installs'"
  if grep -q "install -y" "$log" && ! grep "install -y" "$log" | grep -q -- "--no-remove"; then
    fail "$name: the install itself may remove packages (no --no-remove)"
  fi
  if grep -- "-s install" "$log" | grep -qE "(^| )pulseaudio( |$)"; then asked=yes; else asked=no; fi
  [ "$asked" = "$pulse" ] || fail "$name: pulseaudio asked for: $asked, expected $pulse"
  if [ -n "$remove" ] && ! grep -q "$remove" <<<"$out"; then
    fail "$name: the refusal does not name $remove"
  fi
done

[ $status -eq 0 ] && [ $skipped = 1 ] && { echo "SKIP: apt cannot simulate here"; exit 77; }
[ $status -eq 0 ] && echo "the install step removes nothing; ${#cases[@]} stand-in cases hold"
exit $status
