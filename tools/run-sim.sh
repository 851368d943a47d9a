#!/usr/bin/env bash
# Starts the simulator with the default boards and the desktop program under
# wine on them. With no DISPLAY the program runs on a private Xvfb and a
# screenshot is written to build/run/orrin.png. Called by tools/run-all.sh
# (inside the private network namespace) after the builds.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
run=$root/build/run
mkdir -p "$run/data" "$run/firmware"
cp "$root/data/briseldvclist.txt" "$run/data/"
cp -r "$root/data/xbr" "$run/data/"    # the CPLDs' map files

# 32-bit Windows programs need a kernel that runs 32-bit code; where it does
# not, the program's 64-bit build stands in for its 32-bit deliverable.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then build=win32; else build=win64; fi
program=$root/build/$build/bin/Orrin.exe
[ -f "$program" ] || { echo "run: $program is not built"; exit 1; }
# The board-support plug-ins of the same build, where the program looks for them.
rm -rf "$run/data/BoardSupport"
cp -r "$root/build/$build/data/BoardSupport" "$run/data/BoardSupport"
rm -f "$run/data/BoardSupport/0AA - Probe.dll"   # the test plug-in is not installed
export KOR_WINEPREFIX_WIN32=$run/wine-win32 KOR_WINEPREFIX_WIN64=$run/wine-win64
prefix=$run/wine-$build

. "$root/tests/support/korsim-start.sh"
. "$root/tools/xvfb.sh"
prog_pid=
cleanup() {
    WINEPREFIX=$prefix wineserver -k 2>/dev/null
    [ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null
    korsim_stop
    private_display_end
}
trap cleanup EXIT

if korsim_start "$root/build/linux/bin/korsim" "$root/sim/default.cfg" "$run"; then
    echo "simulator: boards of sim/default.cfg on $KOR_SIM (log: $run/korsim.log)"
fi

headless=0
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    private_display 93 119 "$run" || exit 1
    # The run keeps its own prefixes (stopped at the end), whatever display.
    export KOR_WINEPREFIX_WIN32=$run/wine-win32 KOR_WINEPREFIX_WIN64=$run/wine-win64
fi

reg() { "$root/tools/wine-run" "$build" reg add "$@" /f >/dev/null 2>&1; }
reg 'HKLM\Software\Korvanel\Shared' /v DataPath /t REG_SZ /d "Z:${run//\//\\}\\data"
reg 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvanel Software\Components' /v VErareDiruzavavid /t REG_DWORD /d 0x01000000
reg 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvanel Software\Components' /v VOrariVezevod /t REG_DWORD /d 0x01000000

export YORL_DATADIR="Z:${run//\//\\}\\data\\"
export YORL_DEVTBL="Z:${run//\//\\}\\dvctbl.txt"
export YORL_FWDIR="Z:${run//\//\\}\\firmware\\"
echo "program: $program ($build build) on display $DISPLAY"
"$root/tools/wine-run" "$build" "$program" &
prog_pid=$!

if [ $headless = 1 ]; then
    sleep "${KOR_RUN_SECONDS:-15}"
    import -window root "$run/orrin.png" 2>/dev/null && echo "screenshot: $run/orrin.png"
    if [ -t 0 ]; then read -r -p "Press Enter to close the program. " _; fi
else
    wait "$prog_pid"
fi
