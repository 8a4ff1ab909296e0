#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under CTest.
#   ./test.sh                 normal build and all tests
#   AURIVUE_SANITIZERS=1 ./test.sh   also the AddressSanitizer/UBSan and ThreadSanitizer runs
#                                   and short fuzz runs (on by default when CI=true)
set -euo pipefail
cd "$(dirname "$0")"

echo "== Aurivue: checking packages"
tools/install_deps.sh test

sanitizers="${AURIVUE_SANITIZERS:-}"
if [ -z "$sanitizers" ] && [ "${CI:-}" = "true" ]; then sanitizers=1; fi

status=0

# The real-capture tests play into a PulseAudio null sink and record its monitor.
if pulse_env="$(tools/start_test_pulseaudio.sh)"; then
  eval "$pulse_env"
  # A daemon (or a null sink) this run started ends with it, however the run ends.
  if [ "${AURIVUE_TEST_PULSE_OWNED:-}" = 1 ]; then trap 'tools/start_test_pulseaudio.sh --stop' EXIT; fi
  echo "== Aurivue: PulseAudio test daemon ready ($PULSE_SERVER)"
else
  echo "== Aurivue: no PulseAudio test daemon; the real-capture tests will say why they skip"
fi
if [ "$sanitizers" = "1" ]; then
  echo "== Aurivue: sanitizer builds of the unit tests"
  tools/build.sh build-asan -DAURIVUE_SANITIZE=address -DAURIVUE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug \
    -- test_analysis test_acquisition
  ASAN_OPTIONS=detect_leaks=0 build-asan/tests/test_analysis --gtest_brief=1 || status=1
  ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen build-asan/tests/test_acquisition \
    --gtest_brief=1 --gtest_filter='-*Pulse*' || status=1
  tools/build.sh build-tsan -DAURIVUE_SANITIZE=thread -DAURIVUE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug \
    -- test_acquisition test_platform test_e2e
  TSAN_OPTIONS="suppressions=$PWD/tests/support/tsan.supp halt_on_error=1" QT_QPA_PLATFORM=offscreen \
    build-tsan/tests/test_platform --gtest_brief=1 --gtest_filter='CaptureRing*:WaveIn*:Tone*:FileInput*:RingRecorder*:-*WriterLeftBehind*' || status=1
  TSAN_OPTIONS="suppressions=$PWD/tests/support/tsan.supp halt_on_error=1" QT_QPA_PLATFORM=offscreen \
    build-tsan/tests/test_acquisition --gtest_brief=1 --gtest_filter='WaveIn*:Capture*:-*Pulse*' || status=1
  # The whole program under use: the two short soaks (16 s each) and the recordings end to end,
  # each in a process of its own: after one test has run, ThreadSanitizer stops seeing the main
  # thread's locks in the next test of the same process and reports races on memory that only
  # those locks order. The tests start sox from a process with threads (die_after_fork=0).
  for test in 'ReliabilityTest.ShortSoak*' 'ReliabilityTest.ShortLiveSoak*' \
    $(build-tsan/tests/test_e2e --gtest_list_tests --gtest_filter='RecordingE2eTest.*' 2>/dev/null |
      awk '/^[^ ]/ { suite = $1 } /^  / { print suite $1 }'); do
    AURIVUE_SOAK_SECONDS=16 \
      TSAN_OPTIONS="suppressions=$PWD/tests/support/tsan.supp halt_on_error=1 die_after_fork=0" \
      QT_QPA_PLATFORM=offscreen build-tsan/tests/test_e2e --gtest_brief=1 --gtest_filter="$test" ||
      status=1
  done
  echo "== Aurivue: short fuzz runs of the settings reader, the input SPEC and the command line"
  tools/fuzz.sh 5 || status=1
fi

if [ "${CI:-}" = "true" ]; then
  # Once outside the source tree, so that nothing the program needs is found only because the
  # build folder sits inside the checkout (the guide beside the program, the help file).
  outside="${AURIVUE_OUTSIDE_BUILD:-/tmp/aurivue-outside-build}"
  echo "== Aurivue: a build outside the source tree ($outside)"
  tools/build.sh "$outside" -DAURIVUE_BUILD_BENCH=OFF -- aurivue test_controls
  [ -f "$outside/src/docs/index.html" ] && [ -f "$outside/src/Aurivue.hlp" ] ||
    { echo "the guide or the help file is missing beside $outside/src/aurivue"; status=1; }
  QT_QPA_PLATFORM=offscreen "$outside/tests/test_controls" --gtest_brief=1 || status=1
fi

if [ "${CI:-}" = "true" ]; then
  # The Debian package, unpacked into a clean folder: the installed program must start and
  # measure from there. Its folder may not be writable, so its files go to a private user folder.
  echo "== Aurivue: the Debian package"
  if deb="$(tools/build_deb.sh "${AURIVUE_DEB_BUILD:-/tmp/aurivue-deb-build}" | tail -1)"; then
    unpacked="$(mktemp -d)"
    dpkg -x "$deb" "$unpacked/root"
    sox -n -r 44100 -b 16 -c 2 "$unpacked/take.wav" synth 2 sine 1000 sine 1500
    if "$unpacked/root/usr/bin/aurivue" --version | grep -q "Aurivue Version" &&
      XDG_CONFIG_HOME="$unpacked/config" AURIVUE_INSTANCE_DIR="$unpacked" QT_QPA_PLATFORM=offscreen \
        timeout 120 "$unpacked/root/usr/bin/aurivue" --splash-ms 0 --input "file:$unpacked/take.wav" \
        --power --frames 2 --export "$unpacked/out.txt" --quit &&
      [ "$(wc -l <"$unpacked/out.txt")" -gt 400 ] &&
      [ -f "$unpacked/root/usr/share/aurivue/Aurivue.hlp" ] &&
      [ -f "$unpacked/root/usr/share/aurivue/docs/index.html" ] &&
      [ -f "$unpacked/root/usr/share/man/man1/aurivue.1.gz" ] &&
      [ -f "$unpacked/root/usr/share/doc/aurivue/copyright" ] &&
      [ ! -e "$unpacked/root/usr/bin/Aurivue.ini" ] &&
      [ -f "$unpacked/root/usr/share/icons/hicolor/scalable/apps/aurivue.svg" ] &&
      [ "$(ls "$unpacked"/root/usr/share/icons/hicolor/*x*/apps/aurivue.png | wc -l)" -eq 8 ]; then
      echo "   $deb: unpacked, --version and a headless measurement work"
    else
      echo "the unpacked package $deb did not start or measure"; status=1
    fi
    rm -rf "$unpacked"
    # The package as the archive's checker sees it: any error fails the run.
    if lintian_out="$(lintian --tag-display-limit 0 "$deb" 2>&1)"; then :; fi
    echo "$lintian_out" | sed 's/^/   lintian: /'
    if grep -q '^E: ' <<<"$lintian_out"; then
      echo "lintian reports errors in $deb"; status=1
    fi
  else
    echo "the Debian package could not be built"; status=1
  fi
fi

echo "== Aurivue: building"
tools/build.sh build -DAURIVUE_BUILD_TESTS=ON -DAURIVUE_BUILD_BENCH=ON
echo "== Aurivue: running the tests"
(cd build && ctest --output-on-failure -j2 --timeout 600) || status=1
exit $status
