#!/usr/bin/env bash
# run-gui-test.sh BUILD SCENARIO DRIVER.exe PROGRAM.exe ARTIFACT-ROOT
# Runs one GUI scenario of the desktop program under wine: the driver starts
# the program in the build's prefix (tools/wine-run) on the display in
# DISPLAY, or on a private Xvfb when there is none. Screenshots are kept in
# ARTIFACT-ROOT/SCENARIO.
set -u
build=$1 scenario=$2 driver=$3 program=$4 artifacts=$5/$2
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$artifacts"
rm -f "$artifacts"/*.png

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 120 160); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=:$n
        trap 'kill $xvfb_pid 2>/dev/null' EXIT
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
        break
    done
fi

winpath() { echo "Z:${1//\//\\}"; }
"$root/tools/wine-run" "$build" "$driver" "$scenario" "$(winpath "$program")" "$artifacts"
