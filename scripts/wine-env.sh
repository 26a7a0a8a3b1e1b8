# Sourced by the scripts that run Windows programs: one Wine prefix for the project, created on
# first use, and one persistent wineserver so each run does not wait for Wine's helpers.
WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/wineprefix}
WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX WINEDEBUG

wine_start() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix (first run only)..."
        mkdir -p "$WINEPREFIX"
        xvfb-run -a -s "-screen 0 1024x768x24" sh -c 'wine wineboot -i >/dev/null 2>&1 </dev/null; wineserver -w'
    fi
    wineserver -p >/dev/null 2>&1 </dev/null # detaches by itself
    # The first program of a server session starts Wine's background services, which would
    # inherit (and hold open) the output pipe of whoever ran it: start them here, detached.
    wine cmd /c exit >/dev/null 2>&1 </dev/null
}

wine_stop() {
    wineserver -k >/dev/null 2>&1 || true
}
