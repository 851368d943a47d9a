#!/usr/bin/env bash
# with-display.sh BUILD PROGRAM [ARGS...]
# Runs a Windows program of BUILD under wine (tools/wine-run) on the display
# in DISPLAY, or on a private Xvfb started for it when there is none (wine
# creates no top-level window without a display). Exit code: the program's.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/xvfb.sh"
private_display 120 160 "${KOR_TEST_TMP:-${TMPDIR:-/tmp}}" || exit 1
# The prefix's system processes (services, device host) outlive the program
# when the run keeps its wineserver: started here, by the program's first
# wine process, they would hold this test's output open and the test would
# never end. Started (or found running) first, with no output to hold.
"$root/tools/wine-run" "$1" wineboot </dev/null >/dev/null 2>&1
"$root/tools/wine-run" "$@"
rc=$?
private_display_end
exit $rc
