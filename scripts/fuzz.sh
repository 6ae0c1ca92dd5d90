#!/usr/bin/env bash
# Runs every fuzz target with libFuzzer (clang, ASan, UBSan) for a while and
# merges what it finds into the committed corpus, minimised.
#   scripts/fuzz.sh [seconds per target] [target ...]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for f in "$top"/fuzz/fuzz_*.cpp; do t=$(basename "$f" .cpp); targets+=("${t#fuzz_}"); done
fi
out="$top/build/fuzz"
mkdir -p "$out"
sources=("$top"/src/core/*.cpp "$top"/src/search/*.cpp)
for t in "${targets[@]}"; do
    exe="$out/fuzz_$t"
    echo "fuzz: building $t"
    clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        -I"$top/src" -I"$top" "$top/fuzz/fuzz_$t.cpp" "${sources[@]}" -o "$exe"
    corpus="$top/fuzz/corpus/$t"
    work="$out/work_$t"
    rm -rf "$work" && mkdir -p "$work" "$corpus"
    echo "fuzz: running $t for ${seconds}s"
    "$exe" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$out/crash_${t}_" -print_final_stats=1 "$work" "$corpus" 2>&1 | grep -E '(DONE|stat::)' 
    # Keep the committed corpus small: only inputs that add coverage.
    merged="$out/merged_$t"
    rm -rf "$merged" && mkdir -p "$merged"
    "$exe" -merge=1 "$merged" "$corpus" "$work" >/dev/null 2>&1
    rm -rf "$corpus" && mv "$merged" "$corpus"
    echo "fuzz: $t corpus now $(ls "$corpus" | wc -l) inputs"
done
