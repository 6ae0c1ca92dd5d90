#!/usr/bin/env bash
# Runs the Windows UI test programs under Wine on a virtual display, one per
# build: x86_64 and i686 (the 32-bit release) by default.
#   run-ui-tests.sh [--arch x86_64|i686] [name filter | --bench [rows|wide|line|tall]]
# Each program prints "N passed, N failed" last; a build whose program is
# missing, or whose run ends without that line, fails (a 32-bit exe under a
# Wine without its 32-bit half exits 0 silently).
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"

if [ "${1:-}" = "--inside-display" ]; then
    shift
    arch="$1"
    shift
    dir="$(wine_build_dir "$arch")" || exit 2
    wine_prepare_prefix || exit 1
    wine_start_server
    cd "$dir"
    # Wine's own notes go to a file; shown only when the run fails.
    timeout -k 5 900 wine "$dir/varnel_ui_tests.exe" "$@" </dev/null 2>"$top/build/ui-tests-$arch.stderr"
    rc=$?
    [ $rc -ne 0 ] && grep -v "FS volume label" "$top/build/ui-tests-$arch.stderr" | tail -n 40
    wineserver -k >/dev/null 2>&1
    exit $rc
fi

arches=(x86_64 i686)
if [ "${1:-}" = "--arch" ]; then
    arches=("$2")
    shift 2
fi

failed=0
summaries=()
for arch in "${arches[@]}"; do
    dir="$(wine_build_dir "$arch")" || exit 2
    exe="$dir/varnel_ui_tests.exe"
    if [ ! -f "$exe" ]; then
        summaries+=("UI tests ($arch): FAILED: $exe was not built")
        failed=1
        continue
    fi
    log="$top/build/ui-tests-$arch.log"
    echo "== UI tests ($arch): $exe"
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" --inside-display "$arch" "$@" 2>&1 | tee "$log"
    rc=${PIPESTATUS[0]}
    if [ "${1:-}" = "--bench" ]; then
        [ "$rc" -eq 0 ] || failed=1
        continue
    fi
    summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)
    if [ -z "$summary" ]; then
        summaries+=("UI tests ($arch): FAILED: no summary line (exit code $rc)")
        failed=1
    elif [ "$rc" -ne 0 ] || [[ "$summary" != *" 0 failed"* ]]; then
        summaries+=("UI tests ($arch): FAILED: $summary (exit code $rc)")
        failed=1
    else
        summaries+=("UI tests ($arch): $summary")
    fi
done
for line in "${summaries[@]}"; do echo "$line"; done
exit $failed
