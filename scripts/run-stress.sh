#!/usr/bin/env bash
# The stress run: a 1,000,000-row table (made once under build/stress by the
# benchmark's table generator) loaded, sorted, searched and emptied through
# the real window under Wine on a virtual display. Prints the time and memory
# of each step; fails when the run crashes, hangs or ends in a wrong state.
# Usage: run-stress.sh [ROWS] (or STRESS_ROWS in the environment)
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
exe="$top/build/mingw64/varnel_ui_tests.exe"

if [ "${1:-}" = "--inside-display" ]; then
    table="$2"
    wine_prepare_prefix
    wine_start_server
    cd "$top/build/mingw64"
    timeout -k 5 1800 wine "$exe" --stress "$(winepath -w "$table" 2>/dev/null)" </dev/null \
        2>"$top/build/stress.stderr"
    rc=$?
    [ $rc -ne 0 ] && grep -v "FS volume label" "$top/build/stress.stderr" | tail -n 40
    wineserver -k >/dev/null 2>&1
    exit $rc
fi

rows="${1:-${STRESS_ROWS:-1000000}}"
gen="$top/build/native/varnel-gen-table"
for f in "$exe" "$gen"; do
    [ -x "$f" ] || [ -f "$f" ] || { echo "run-stress: $f is missing (make stress builds it)" >&2; exit 1; }
done
mkdir -p "$top/build/stress"
table="$top/build/stress/table-$rows.csv"
if [ ! -f "$table" ]; then
    "$gen" --rows "$rows" --out "$table.part" || exit 1
    mv "$table.part" "$table"
    rm -f "$table.part.meta.json"
fi
log="$top/build/stress.log"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" --inside-display "$table" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
if [ "$rc" -ne 0 ] || ! grep -q '^stress: passed' "$log"; then
    echo "run-stress: failed (exit code $rc)" >&2
    exit 1
fi
