# The one Wine set-up, sourced by every script that runs our Windows programs
# under Wine: the demo, the start-up measurement and, through
# scripts/in-wine-session, the end-to-end suite.
#
#   start_wine_session ARCH PREFIX
#
# ARCH is win32, or win64 for 64-bit Windows, where our 32-bit programs run
# under WoW64. It exports WINEARCH, WINEPREFIX and WINEDEBUG, uses $DISPLAY
# when it is usable and starts Xvfb otherwise, makes the prefix unless an
# earlier session finished making it, and keeps one wineserver running until
# the calling script exits. `xvfb` is the virtual display's process id, empty
# when a real display is used.

start_wine_session() {
    # Wine takes only an absolute prefix.
    export WINEARCH=$1 WINEPREFIX=$(realpath -m "$2") WINEDEBUG=-all
    xvfb=
    trap end_wine_session EXIT
    # Every Wine process of a prefix must see the same display, so it comes
    # before the first of them starts.
    use_display
    make_wine_prefix
    # One server for the whole session, so that no program pays for starting it.
    wineserver -p
}

end_wine_session() {
    wineserver -k 2>/dev/null || true
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
}

use_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return
    fi
    # Xvfb picks a free display itself and writes its number once it is ready.
    local announced
    announced=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$announced" 2>/dev/null &
    xvfb=$!
    for _ in $(seq 50); do
        [ -s "$announced" ] && break
        sleep 0.2
    done
    export DISPLAY=:$(cat "$announced")
    rm -f "$announced"
    [ "$DISPLAY" != : ] || { echo "Xvfb did not start" >&2; exit 1; }
}

make_wine_prefix() {
    local ready=$WINEPREFIX/tellwick-prefix-ready
    [ -e "$ready" ] && return
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    # Mono and Gecko would be offered for download; our programs need neither.
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i
    # A new prefix lacks Wine's own fonts, and dialogs would be drawn without
    # their "MS Sans Serif" and caption buttons without Marlett.
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    # Without a window manager each captioned window would wait two seconds
    # on closing for one to answer; a crash ends the program instead of
    # waiting in a dialog.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
    wineserver -w
    touch "$ready"
}
