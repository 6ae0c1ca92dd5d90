# Sourced by the scripts that run Windows programs under Wine: a private
# prefix under build/, no debug output, code page 1252 from an English locale.
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="$top/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8

# The build folder of an architecture name: x86_64 (the default) or i686,
# the 32-bit release.
wine_build_dir() {
    case "${1:-x86_64}" in
        x86_64|mingw64|64) echo "$top/build/mingw64" ;;
        i686|mingw32|32) echo "$top/build/mingw32" ;;
        *) echo "unknown architecture \"$1\" (x86_64 or i686)" >&2; return 1 ;;
    esac
}

# Makes the prefix once, with the two settings a display without a window
# manager needs: unmanaged windows (no 2 s wait on every hide) and no crash
# dialog (a crash ends the run at once with a backtrace). A prefix made
# before the 32-bit Wine was installed has no syswow64 folder and cannot run
# the i686 programs: it is made anew.
wine_prepare_prefix() {
    if [ -f "$WINEPREFIX/.varnel-ready" ] && [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
        echo "wine: the prefix $WINEPREFIX lacks the 32-bit half; making it anew" >&2
        wineserver -k >/dev/null 2>&1
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/.varnel-ready" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        wineserver -w
        if [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
            echo "wine: the new prefix has no syswow64 folder: is wine32:i386 installed?" >&2
            return 1
        fi
        touch "$WINEPREFIX/.varnel-ready"
    fi
}

# A persistent wine server for this run (ended by `wineserver -k`), warmed up
# with all output discarded so that no helper process holds our stderr.
wine_start_server() {
    wineserver -p 30 >/dev/null 2>&1
    wine wineboot >/dev/null 2>&1
}
