#!/usr/bin/env bash
# Fails when the manual page and the program's --help drift apart: every long option of --help
# must be in the man page and every option of the man page in --help; every AURIVUE_* variable
# the program reads (found in SOURCE_DIR) must be under ENVIRONMENT, and every one there must be
# read somewhere. Usage: check_man_page.sh PROGRAM MAN_PAGE SOURCE_DIR
set -uo pipefail
program="$1"; man="$2"; src="$3"
help="$("$program" --help)" || { echo "FAIL: $program --help did not succeed"; exit 1; }
# The roff source spells a dash in an option as \-.
man_text="$(sed 's/\\-/-/g' "$man")"
options() { grep -oE -- '--[a-z][a-z0-9-]*' | sort -u; }
help_opts="$(options <<<"$help")"
man_opts="$(options <<<"$man_text")"
status=0
for o in $help_opts; do
  grep -qx -- "$o" <<<"$man_opts" ||
    { echo "FAIL: option $o is in '$program --help' but missing from $man (add a .TP entry under OPTIONS)"; status=1; }
done
for o in $man_opts; do
  grep -qx -- "$o" <<<"$help_opts" ||
    { echo "FAIL: option $o is in $man but missing from '$program --help' (add it to the usage text or drop it from the man page)"; status=1; }
done
env_section="$(sed -n '/^\.SH ENVIRONMENT/,/^\.SH /p' "$man")"
read_vars="$(grep -rhoE '"AURIVUE_[A-Z_]+"' "$src" --include='*.cpp' --include='*.h' | tr -d '"' | sort -u)"
for v in $read_vars $(grep -oE 'AURIVUE_[A-Z_]+' <<<"$help" | sort -u); do
  grep -q -- "^\.B $v\$" <<<"$env_section" ||
    { echo "FAIL: environment variable $v is read by the program but missing from the ENVIRONMENT section of $man"; status=1; }
done
for v in $(grep -oE '^\.B AURIVUE_[A-Z_]+' <<<"$env_section" | cut -d' ' -f2); do
  grep -qx -- "$v" <<<"$read_vars" ||
    { echo "FAIL: environment variable $v is in $man but the program never reads it"; status=1; }
done
[ $status -eq 0 ] && echo "man page and --help agree: $(wc -w <<<"$help_opts") options, $(wc -w <<<"$read_vars") variables"
exit $status
