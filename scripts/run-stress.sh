#!/usr/bin/env bash
# The stress run: a big table (made once under build/stress by the
# benchmark's table generator, with its meta file) loaded, sorted, searched
# and emptied through the real window under Wine on a virtual display. Prints
# one line per step with its time and memory; fails when the run crashes,
# hangs or a check after a step does not hold.
# Usage: run-stress.sh [x86_64|i686] [ROWS]
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"

if [ "${1:-}" = "--inside-display" ]; then
    dir="$2"
    table="$3"
    wine_prepare_prefix || exit 1
    wine_start_server
    cd "$dir"
    timeout -k 5 3600 wine "$dir/varnel_ui_tests.exe" --stress "$(winepath -w "$table" 2>/dev/null)" </dev/null \
        2>"$top/build/stress.stderr"
    rc=$?
    [ $rc -ne 0 ] && grep -v "FS volume label" "$top/build/stress.stderr" | tail -n 40
    wineserver -k >/dev/null 2>&1
    exit $rc
fi

arch="${1:-${STRESS_ARCH:-x86_64}}"
rows="${2:-${STRESS_ROWS:-1000000}}"
dir="$(wine_build_dir "$arch")" || exit 2
exe="$dir/varnel_ui_tests.exe"
gen="$top/build/native/varnel-gen-table"
for f in "$exe" "$gen"; do
    [ -f "$f" ] || { echo "run-stress: $f is missing (make stress builds it)" >&2; exit 1; }
done
mkdir -p "$top/build/stress"
table="$top/build/stress/table-$rows.csv"
# The meta file beside the table holds the needle count the run checks against.
if [ ! -f "$table" ] || [ ! -f "$table.meta.json" ]; then
    "$gen" --rows "$rows" --out "$table.part" || exit 1
    mv "$table.part.meta.json" "$table.meta.json"
    mv "$table.part" "$table"
fi
echo "stress: $arch build, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $(date -u '+%Y-%m-%d %H:%M UTC')"
log="$top/build/stress-$arch-$rows.log"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" --inside-display "$dir" "$table" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
if [ "$rc" -ne 0 ] || ! grep -q '^stress: passed' "$log"; then
    echo "run-stress: failed (exit code $rc)" >&2
    exit 1
fi
# Steps over their target, beside the same build's driver for the same work.
base="$top/build/stress-$arch-1000000.log"
[ -f "$base" ] && [ "$rows" != 1000000 ] || base=-
if [ -f "$dir/varnel-bench.exe" ]; then
    wine_start_server
    python3 "$top/scripts/stress-compare.py" "$log" "$base" "$rows" "wine $dir/varnel-bench.exe" \
        "$(winepath -w "$table" 2>/dev/null)"
    wineserver -k >/dev/null 2>&1
fi
