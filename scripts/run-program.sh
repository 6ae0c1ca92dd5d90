#!/usr/bin/env bash
# Starts the Windows program under Wine.
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
exe="$top/build/mingw64/varnel.exe"
if [ ! -f "$exe" ]; then
    echo "run-program: the window program is not built yet (no $exe); only the libraries exist so far" >&2
    exit 1
fi
echo "run-program: not implemented yet" >&2
exit 1
