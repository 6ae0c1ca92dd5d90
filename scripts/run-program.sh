#!/usr/bin/env bash
# Starts the Windows program under Wine. With a display it simply runs it.
# Without one it runs it on a virtual display, takes a screenshot of the
# screen to build/screenshot.png, closes the program and exits 0.
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
# Usage: run-program.sh [x86_64|i686]
if [ "${1:-}" != "--inside-display" ]; then
    export VARNEL_ARCH="${1:-x86_64}"
fi
dir="$(wine_build_dir "${VARNEL_ARCH:-x86_64}")" || exit 2
exe="$dir/varnel.exe"
shot="$top/build/screenshot.png"

if [ ! -f "$exe" ]; then
    echo "run-program: the program is not built yet (no $exe)" >&2
    exit 1
fi

if [ "${1:-}" = "--inside-display" ]; then
    wine_prepare_prefix
    wine_start_server
    cd "$dir"
    wine "$exe" >/dev/null 2>&1 &
    pid=$!
    # Wait for the main window (title "Varnel") to be mapped.
    for _ in $(seq 1 100); do
        xwininfo -root -tree 2>/dev/null | grep -q '"Varnel' && break
        sleep 0.2
    done
    sleep 1
    if ! xwininfo -root -tree 2>/dev/null | grep -q '"Varnel'; then
        echo "run-program: the main window did not appear" >&2
        wineserver -k >/dev/null 2>&1
        exit 1
    fi
    import -window root "$shot"
    echo "run-program: screenshot saved to $shot"
    # A close request, as from the close box: the program ends by itself.
    wine taskkill /im varnel.exe >/dev/null 2>&1
    for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.2
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "run-program: the program did not close; ending it" >&2
        wineserver -k >/dev/null 2>&1
        exit 1
    fi
    wineserver -k >/dev/null 2>&1
    echo "run-program: the program was closed"
    exit 0
fi

if [ -n "${DISPLAY:-}" ]; then
    wine_prepare_prefix
    cd "$dir"
    exec wine "$exe"
fi
command -v xvfb-run >/dev/null || { echo "run-program: no display and no xvfb-run" >&2; exit 1; }
xvfb-run -a -s "-screen 0 1024x600x24 -nolisten tcp" "$0" --inside-display
