#!/usr/bin/env bash
# The man page check must name an option that only one side has, and an unlisted variable.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tmp="$(mktemp -d)"; trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/src"
printf 'const char* e = std::getenv("AURIVUE_NEW_THING");\n' >"$tmp/src/a.cpp"
printf '#!/bin/sh\necho "  --input SPEC  x"\necho "  --expect FILE  y"\n' >"$tmp/prog"
chmod +x "$tmp/prog"
printf '.SH OPTIONS\n.TP\n.BI \\-\\-input " SPEC"\n.TP\n.B \\-\\-gone\n.SH ENVIRONMENT\n.TP\n.B AURIVUE_OLD\n.SH FILES\n' >"$tmp/p.1"
out="$("$here/check_man_page.sh" "$tmp/prog" "$tmp/p.1" "$tmp/src")" && { echo "FAIL: the check passed pages that drifted"; exit 1; }
status=0
for expect in 'option --expect is in' 'option --gone is in' 'AURIVUE_NEW_THING is read' 'AURIVUE_OLD is in'; do
  grep -qF -- "$expect" <<<"$out" || { echo "FAIL: no report of: $expect"; status=1; }
done
grep -qF -- 'option --input' <<<"$out" && { echo "FAIL: --input is on both sides but was reported"; status=1; }
echo "$out"
exit $status
