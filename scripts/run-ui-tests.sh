#!/usr/bin/env bash
# Runs the Windows UI test program under Wine on a virtual display.
# The test program prints "N passed, N failed" last; a run without that line
# fails whatever the exit code (a 32-bit exe under wine64 exits 0 silently).
# Arguments are passed to the test program (a name filter).
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
exe="$top/build/mingw64/varnel_ui_tests.exe"

if [ "${1:-}" = "--inside-display" ]; then
    shift
    wine_prepare_prefix
    wine_start_server
    cd "$top/build/mingw64"
    # Wine's own notes go to a file; shown only when the run fails.
    timeout -k 5 600 wine "$exe" "$@" </dev/null 2>"$top/build/ui-tests.stderr"
    rc=$?
    [ $rc -ne 0 ] && grep -v "FS volume label" "$top/build/ui-tests.stderr" | tail -n 40
    wineserver -k >/dev/null 2>&1
    exit $rc
fi

if [ ! -f "$exe" ]; then
    echo "run-ui-tests: no UI test program was built; nothing to run"
    exit 0
fi
log="$top/build/ui-tests.log"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" --inside-display "$@" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
[ "${1:-}" = "--bench" ] && exit "$rc"
summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)
if [ -z "$summary" ]; then
    echo "run-ui-tests: the UI test program printed no summary line (exit code $rc)" >&2
    exit 1
fi
case "$summary" in
    *" 0 failed"*) [ "$rc" -eq 0 ] && exit 0 ;;
esac
echo "run-ui-tests: failed ($summary, exit code $rc)" >&2
exit 1
