#!/usr/bin/env bash
# Runs the Windows UI test program under Wine on a virtual display.
# The test program prints "N passed, N failed" last; a run without that line
# fails whatever the exit code (a 32-bit exe under wine64 exits 0 silently).
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
exe="$top/build/mingw64/varnel_ui_tests.exe"
if [ ! -f "$exe" ]; then
    echo "run-ui-tests: no UI test program was built; nothing to run"
    exit 0
fi
log="$top/build/ui-tests.log"
inner() {
    wine_prepare_prefix
    wineserver -p 30 >/dev/null 2>&1
    wine wineboot >/dev/null 2>&1
    cd "$top/build/mingw64"
    timeout -k 5 900 wine "$exe" "$@" </dev/null
    local rc=$?
    wineserver -k >/dev/null 2>&1
    return $rc
}
export -f inner wine_prepare_prefix
export top exe
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash -c 'inner "$@"' inner "$@" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
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
