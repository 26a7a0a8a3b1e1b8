# Sourced by the scripts that run Windows programs: one Wine prefix for the project, created and
# configured on first use, a private X display (Xvfb) when none is given, and one persistent
# wineserver so each run does not wait for Wine's helpers.
here_dir=$(pwd) # every script that sources this file runs from the top of the tree
WINEPREFIX=${WINEPREFIX:-$here_dir/build/wineprefix}
WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX WINEDEBUG
wine_xvfb_pid=""

# Fonts the dialogs of every language need, copied into the prefix (Wine then finds them
# whether or not it uses the system's font configuration).
wine_fonts="/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf
/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
/usr/share/fonts/truetype/nanum/NanumMyeongjo.ttf
/usr/share/fonts/truetype/nanum/NanumGothic.ttf
/usr/share/fonts/truetype/tlwg/Loma.ttf
/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf
/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf
/usr/share/wine/fonts/tahoma.ttf
/usr/share/wine/fonts/tahomabd.ttf
/usr/share/wine/fonts/marlett.ttf"

wine_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    n=77
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    wine_xvfb_pid=$!
    i=0
    until [ -e "/tmp/.X11-unix/X$n" ]; do
        i=$((i + 1))
        [ $i -lt 100 ] || { echo "Xvfb did not start"; return 1; }
        sleep 0.1
    done
    DISPLAY=":$n"
    export DISPLAY
}

wine_configure() {
    marker="$WINEPREFIX/.halvard-configured"
    [ -f "$marker" ] && [ "$marker" -nt "$here_dir/scripts/wine-fonts.reg" ] &&
        [ "$marker" -nt "$here_dir/scripts/wine-env.sh" ] && return 0
    fonts="$WINEPREFIX/drive_c/windows/Fonts"
    mkdir -p "$fonts"
    for f in $wine_fonts; do
        if [ -f "$f" ]; then cp -f "$f" "$fonts/"; fi
    done
    # regedit reads UTF-16 with a byte-order mark; the file in the tree is UTF-8.
    reg="$WINEPREFIX/drive_c/halvard-settings.reg"
    { printf '\377\376'; iconv -f UTF-8 -t UTF-16LE "$here_dir/scripts/wine-fonts.reg"; } >"$reg"
    # regedit returns once the server holds the values; the server saves them when it ends.
    wine regedit /S 'C:\halvard-settings.reg' >/dev/null 2>&1 </dev/null
    rm -f "$reg"
    touch "$marker"
}

wine_start() {
    wine_display || return 1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix (first run only)..."
        mkdir -p "$WINEPREFIX"
        wine wineboot -i >/dev/null 2>&1 </dev/null
        # Bounded: a persistent server left by hand would never end. It answers non-zero when
        # the server is already gone, which callers under "set -e" must not take for a failure.
        timeout 120 wineserver -w || true
    fi
    wine_configure
    # Detaches by itself; answers non-zero when a server (say regedit's) is still running.
    wineserver -p >/dev/null 2>&1 </dev/null || true
    # The first program of a server session starts Wine's background services, which would
    # inherit (and hold open) the output pipe of whoever ran it: start them here, detached.
    wine cmd /c exit >/dev/null 2>&1 </dev/null
}

wine_stop() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$wine_xvfb_pid" ]; then
        kill "$wine_xvfb_pid" 2>/dev/null || true
        wine_xvfb_pid=""
    fi
}
