#!/usr/bin/env bash
# The 32-bit command-line driver built twice, with the x87 flags and with
# -msse2 -mfpmath=sse, timed in paired, alternating runs under Wine on the
# benchmark table. Usage: bench-i686.sh [pairs] [sse2]
# With "sse2" only the adopted SSE2 build is made and timed, pairs runs each.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
pairs="${1:-5}"
only="${2:-}"
variants="x87:OFF sse2:ON"
[ "$only" = sse2 ] && variants="sse2:ON"
for variant in $variants; do
    name="${variant%%:*}"
    dir="$top/build/bench-i686-$name"
    cmake -S "$top" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DVARNEL_I686_SSE2="${variant##*:}" >/dev/null
    cmake --build "$dir" --target varnel-bench -j 2 >/dev/null
done
table="$top/build/bench/table-1000000.csv"
if [ ! -f "$table" ]; then
    mkdir -p "$top/build/bench"
    "$top/build/native/varnel-gen-table" --rows 1000000 --out "$table.part"
    mv "$table.part.meta.json" "$table.meta.json"
    mv "$table.part" "$table"
fi
wine_prepare_prefix
wine_start_server
if [ "$only" = sse2 ]; then
    python3 "$top/scripts/bench-i686.py" --a "$top/build/bench-i686-sse2" --names sse2 --table "$table" --pairs "$pairs"
else
    python3 "$top/scripts/bench-i686.py" --a "$top/build/bench-i686-x87" --b "$top/build/bench-i686-sse2" \
        --names x87,sse2 --table "$table" --pairs "$pairs"
fi
wineserver -k >/dev/null 2>&1 || true
