#!/usr/bin/env bash
# run-gui-test.sh BUILD SCENARIO DRIVER.exe PROGRAM.exe ARTIFACT-ROOT [KORSIMS SIM-CONFIG [BOARDSUPPORT]]
# Runs one GUI scenario of the desktop program under wine: the driver starts
# the program in the build's prefix (tools/wine-run) on the display in
# DISPLAY, or on a private Xvfb when there is none (with-display.sh).
# Screenshots are kept in ARTIFACT-ROOT/SCENARIO.
# With KORSIMS (candidate paths of a Linux tree's korsim, separated by ':',
# the first one found is used) and SIM-CONFIG, the scenario runs on simulated
# boards: korsim serves SIM-CONFIG on a loopback port, and KOR_SIM and the
# runtime's folders (YORL_DATADIR, YORL_DEVTBL, YORL_FWDIR, private to this
# run) are exported to the programs under wine.
# With BOARDSUPPORT (the build's plug-in folder), the run's data folder gets
# the plug-ins (every one for the scenarios work-boardsupport* and work-memprog, the fallback and
# the test plug-in for the others; the test plug-in also in a sub-folder as
# "006 - Probe.dll", for boards identified as product 6) and KOR_GUI_DATAPATH
# names it.
set -u
build=$1 scenario=$2 driver=$3 program=$4 artifacts=$5/$2
korsims=${6:-} simcfg=${7:-} bsdir=${8:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$artifacts"
rm -f "$artifacts"/*.png

. "$root/tests/support/korsim-start.sh"
trap korsim_stop EXIT

winpath() { echo "Z:${1//\//\\}"; }

extra=()
if [ -n "$simcfg" ]; then
    simdir=$artifacts/sim
    rm -rf "$simdir"
    mkdir -p "$simdir/data" "$simdir/firmware"
    cp "$root/data/briseldvclist.txt" "$simdir/data/"
    cp -r "$root/data/xbr" "$simdir/data/"    # the CPLDs' map files
    korsim_start "$korsims" "$simcfg" "$simdir" || exit 1
    export YORL_DATADIR="$(winpath "$simdir/data")\\"
    export YORL_DEVTBL="$(winpath "$simdir/dvctbl.txt")"
    export YORL_FWDIR="$(winpath "$simdir/firmware")\\"
    # A private namespace for the runtime's shared objects of this run.
    export YORL_NAMESPACE=orringui-$$
    if [ -n "$bsdir" ]; then
        if [ "${scenario#work-boardsupport}" != "$scenario" ] || [ "$scenario" = work-memprog ] || [ "$scenario" = work-power ] || [ "${scenario#work-selftest}" != "$scenario" ] || [ "${scenario#bs-}" != "$scenario" ]; then
            cp -r "$bsdir" "$simdir/data/BoardSupport"
        else
            # The host's own scenarios run with the fallback and the test
            # plug-in only, whatever board plug-ins the build has.
            mkdir -p "$simdir/data/BoardSupport"
            cp "$bsdir/000 - Unknown.dll" "$bsdir/0AA - Probe.dll" "$simdir/data/BoardSupport/"
        fi
        mkdir -p "$simdir/data/BoardSupport/probe"
        cp "$bsdir/0AA - Probe.dll" "$simdir/data/BoardSupport/probe/006 - Probe.dll"
        export KOR_GUI_DATAPATH="$(winpath "$simdir/data")"
    fi
    extra+=("$(winpath "$simcfg")")
    echo "simulator: $simcfg on $KOR_SIM"
fi

bash "$root/tools/wine-gui/with-display.sh" "$build" "$driver" "$scenario" "$(winpath "$program")" "$artifacts" "${extra[@]}"
