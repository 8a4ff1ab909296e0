#!/usr/bin/env bash
# Short libFuzzer runs (AddressSanitizer and UndefinedBehaviorSanitizer) of the settings reader,
# the input SPEC parser and the command line parser, built with clang in build-fuzz.
#   tools/fuzz.sh            5 seconds each
#   tools/fuzz.sh 60         a minute each
# The corpora in tests/fuzz/corpus are read, never written; new inputs and any crash go to a
# temporary folder, which is kept and named when a run fails. Exit status 1 when one failed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-5}"
targets=(settings input_spec command_line)
fuzzers=()
for t in "${targets[@]}"; do fuzzers+=("fuzz_$t"); done
tools/build.sh build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DAURIVUE_BUILD_FUZZ=ON \
  -DAURIVUE_BUILD_TESTS=OFF -DAURIVUE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug -- "${fuzzers[@]}"
status=0
for t in "${targets[@]}"; do
  work="$(mktemp -d "${TMPDIR:-/tmp}/aurivue-fuzz-$t-XXXXXX")"
  if build-fuzz/tests/fuzz/fuzz_$t -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$work/" "$work" "tests/fuzz/corpus/$t" >"$work/log" 2>&1; then
    echo "[fuzz] $t: $(grep -o 'Done [0-9]* runs' "$work/log" || echo 'done'), nothing found"
    rm -rf "$work"
  else
    status=1
    tail -n 40 "$work/log"
    echo "[fuzz] $t FAILED; its log and the input that failed are in $work"
  fi
done
exit $status
