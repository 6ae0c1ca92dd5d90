# Sourced by the scripts that run Windows programs under Wine: a private
# prefix under build/, no debug output, code page 1252 from an English locale.
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="$top/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8

# Makes the prefix once, with the two settings a display without a window
# manager needs: unmanaged windows (no 2 s wait on every hide) and no crash
# dialog (a crash ends the run at once with a backtrace).
wine_prepare_prefix() {
    if [ ! -f "$WINEPREFIX/.varnel-ready" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.varnel-ready"
    fi
}

# A persistent wine server for this run (ended by `wineserver -k`), warmed up
# with all output discarded so that no helper process holds our stderr.
wine_start_server() {
    wineserver -p 30 >/dev/null 2>&1
    wine wineboot >/dev/null 2>&1
}
