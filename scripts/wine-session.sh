# Sourced by the scripts that run our Windows programs under Wine: a virtual
# display when there is no usable one, and a 32-bit Wine prefix made once.

# Starts Xvfb on a free display unless $DISPLAY is usable, and exports
# DISPLAY. Sets `xvfb` to its process id (empty when none was started) for the
# caller's clean-up. Every Wine process of a prefix must see the same display,
# so this comes before the first one starts.
use_display() {
    local state=$1
    xvfb=
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return
    fi
    # Xvfb picks a free display itself and writes its number once it is ready.
    mkdir -p "$state"
    rm -f "$state/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$state/display" 2>/dev/null &
    xvfb=$!
    for _ in $(seq 50); do
        [ -s "$state/display" ] && break
        sleep 0.2
    done
    [ -s "$state/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=:$(cat "$state/display")
}

# Makes the 32-bit prefix $WINEPREFIX unless the file $1 says it is ready.
make_wine_prefix() {
    local ready=$1
    [ -e "$ready" ] && return
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    # Mono and Gecko would be offered for download; our programs need neither.
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i
    # A new prefix lacks Wine's own fonts, and dialogs would be drawn without
    # their "MS Sans Serif" and caption buttons without Marlett.
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    # Windows drawn by Wine itself come up at once and alike on every display;
    # a crash ends the program instead of waiting in a dialog.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
    wineserver -w
    touch "$ready"
}
