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

winpath() { echo "Z:${1//\//\\}"; }
bash "$root/tools/wine-gui/with-display.sh" "$build" "$driver" "$artifacts" "$(winpath "$artifacts/devtbl.txt")"
