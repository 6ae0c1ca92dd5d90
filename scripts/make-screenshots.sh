#!/usr/bin/env bash
# Remakes the README's pictures under docs/: the screenshot driver starts the
# real program under Wine on a virtual display, works it step by step and
# takes a picture at each step; the pictures are then turned into PNG files.
# Fails when a window the driver waits for does not come up.
# Usage: make-screenshots.sh (after `make screenshots` has built the driver)
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"

if [ "${1:-}" = "--inside-display" ]; then
    dir="$2"
    shots="$3"
    wine_prepare_prefix || exit 1
    wine_start_server
    # The program and the samples in a folder of drive C:, so that the
    # pictures show a path as a Windows user has it.
    stage="$WINEPREFIX/drive_c/Varnel"
    rm -rf "$stage"
    mkdir -p "$stage"
    cp "$dir/varnel.exe" "$top"/samples/* "$stage"/
    cd "$stage"
    timeout -k 5 300 wine "$dir/varnel_screenshots.exe" "$(winepath -w "$shots" 2>/dev/null)" </dev/null \
        2>"$top/build/screenshots.stderr"
    rc=$?
    [ $rc -ne 0 ] && grep -v "FS volume label" "$top/build/screenshots.stderr" | tail -n 40
    wineserver -k >/dev/null 2>&1
    exit $rc
fi

dir="$(wine_build_dir x86_64)" || exit 2
for f in "$dir/varnel.exe" "$dir/varnel_screenshots.exe"; do
    [ -f "$f" ] || { echo "make-screenshots: $f is missing (make screenshots builds it)" >&2; exit 1; }
done
command -v convert >/dev/null || { echo "make-screenshots: ImageMagick's convert is missing" >&2; exit 1; }
shots="$top/build/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
log="$top/build/screenshots.log"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" --inside-display "$dir" "$shots" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
if [ "$rc" -ne 0 ] || ! grep -q '^screenshots: [0-9]* pictures taken' "$log"; then
    echo "make-screenshots: failed (exit code $rc); docs/ is unchanged" >&2
    exit 1
fi
made=()
for bmp in "$shots"/*.bmp; do
    png="$top/docs/$(basename "$bmp" .bmp).png"
    # No time stamps in the file: the same picture gives the same bytes.
    convert "$bmp" -strip -define png:exclude-chunks=date,time "$png" || exit 1
    made+=("$png")
done
echo "make-screenshots: ${#made[@]} pictures written to $top/docs:"
printf '  %s\n' "${made[@]}"
