#!/usr/bin/env bash
# with-display.sh BUILD PROGRAM [ARGS...]
# Runs a Windows program of BUILD under wine (tools/wine-run) on the display
# in DISPLAY, or on a private Xvfb started for it when there is none (wine
# creates no top-level window without a display). Exit code: the program's.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 120 160); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=:$n
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
        break
    done
fi
"$root/tools/wine-run" "$@"
rc=$?
if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
fi
exit $rc
