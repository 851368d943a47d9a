# xvfb.sh - sourced by the wrappers that run windows under wine (POSIX sh).
#
# private_display FIRST LAST PREFIX-ROOT: when DISPLAY is empty, starts Xvfb on
# the first free display number of FIRST..LAST (each wrapper its own range),
# exports DISPLAY and sets xvfb_pid. The wine programs then run in prefixes of
# their own below PREFIX-ROOT, one per display number: wine's desktop process,
# shared by every program of a prefix, keeps the display of the program that
# started it, so a shared prefix would put these windows on another display,
# or on none. Does nothing when a display is there.
private_display() {
    xvfb_pid=
    [ -n "${DISPLAY:-}" ] && return 0
    for _n in $(seq "$1" "$2"); do
        if [ -e /tmp/.X11-unix/X$_n ] || [ -e /tmp/.X$_n-lock ]; then continue; fi
        Xvfb :$_n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        DISPLAY=:$_n
        export DISPLAY
        _i=0
        while [ ! -e /tmp/.X11-unix/X$_n ] && [ $_i -lt 50 ]; do sleep 0.1; _i=$((_i + 1)); done
        mkdir -p "$3"
        KOR_WINEPREFIX_WIN64=$3/wine-x$_n-win64 KOR_WINEPREFIX_WIN32=$3/wine-x$_n-win32
        export KOR_WINEPREFIX_WIN64 KOR_WINEPREFIX_WIN32
        return 0
    done
    echo "no free display number in $1..$2" >&2
    return 1
}

# private_display_end: ends the wine servers of the private prefixes and the
# Xvfb that private_display started.
private_display_end() {
    if [ -n "${xvfb_pid:-}" ]; then
        for _pfx in "$KOR_WINEPREFIX_WIN64" "$KOR_WINEPREFIX_WIN32"; do
            [ -d "$_pfx" ] && WINEPREFIX=$_pfx wineserver -k 2>/dev/null
        done
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
        xvfb_pid=
    fi
}
