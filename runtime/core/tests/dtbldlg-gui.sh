#!/usr/bin/env bash
# dtbldlg-gui.sh BUILD DRIVER.exe ARTIFACT-DIR
# Runs the device-table dialog's driver under wine on the display in
# DISPLAY, or on a private Xvfb when there is none; screenshots are kept
# in ARTIFACT-DIR.
set -u
build=$1 driver=$2 artifacts=$3
root=$(cd "$(dirname "$0")/../../.." && pwd)
mkdir -p "$artifacts"
rm -f "$artifacts"/*.png

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 161 199); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=:$n
        trap 'kill $xvfb_pid 2>/dev/null' EXIT
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
        break
    done
fi

winpath() { echo "Z:${1//\//\\}"; }
"$root/tools/wine-run" "$build" "$driver" "$artifacts" "$(winpath "$artifacts/devtbl.txt")"
