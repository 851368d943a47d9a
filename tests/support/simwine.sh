#!/bin/sh
# simwine.sh KORSIMS CONFIG TAG PROGRAM [ARGS...]
# Runs a test program against simulated boards, natively or under wine
# (PROGRAM is then e.g. "tools/wine-run win64 prog.exe").
# KORSIMS: candidate paths of korsim separated by ':', the first one found is
# used (the simulator is a Linux program, also for the Windows builds).
# Starts korsim on CONFIG, gives the program KOR_SIM and a private runtime
# name space, device table and firmware folder -- before it starts, because
# the shipped runtime reads them when it is loaded -- and ends korsim after it.
# KOR_SIM_DISPLAY=xvfb: a program that shows windows gets a private Xvfb when
# there is no display, and then a wine prefix of its own below KOR_TEST_TMP
# (wine's desktop process, shared by every program of a prefix, keeps the
# display of the program that started it).
set -u
korsims=$1 cfg=$2 tag=$3
shift 3
korsim=
IFS=:
for k in $korsims; do
    if [ -n "$k" ] && [ -x "$k" ]; then korsim=$k; break; fi
done
unset IFS
if [ -z "$korsim" ]; then
    echo "simwine.sh: no korsim in $korsims (build a Linux tree's korsim first)" >&2
    exit 1
fi
root=${KOR_TEST_TMP:-${TMPDIR:-/tmp}}
mkdir -p "$root"
dir=$(mktemp -d "$root/simenv-$tag-XXXXXX") || exit 1
"$korsim" --config "$cfg" --port 0 --port-file "$dir/port" >"$dir/korsim.log" 2>&1 &
pid=$!
xpid=
trap 'kill "$pid" $xpid 2>/dev/null; rm -rf "$dir"; exit 143' TERM INT HUP
i=0
while [ ! -s "$dir/port" ] && [ $i -lt 100 ] && kill -0 "$pid" 2>/dev/null; do sleep 0.1; i=$((i + 1)); done
if [ ! -s "$dir/port" ]; then
    echo "simwine.sh: korsim did not start" >&2; cat "$dir/korsim.log" >&2
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$dir"; exit 1
fi
KOR_SIM=127.0.0.1:$(head -n 1 "$dir/port")
YORL_NAMESPACE=simt-$tag-$$
YORL_DEVTBL=$dir/dvctbl.txt
YORL_FWDIR=$dir/fw/
mkdir -p "$YORL_FWDIR"
export KOR_SIM YORL_NAMESPACE YORL_DEVTBL YORL_FWDIR
if [ "${KOR_SIM_DISPLAY:-}" = xvfb ] && [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 200 239); do
        if [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; then continue; fi
        Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        xpid=$!
        DISPLAY=:$n
        export DISPLAY
        i=0
        while [ ! -e /tmp/.X11-unix/X$n ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
        break
    done
    KOR_WINEPREFIX_WIN64=$root/wine-gui-win64 KOR_WINEPREFIX_WIN32=$root/wine-gui-win32
    export KOR_WINEPREFIX_WIN64 KOR_WINEPREFIX_WIN32
fi
"$@"
rc=$?
if [ -n "$xpid" ]; then
    for pfx in "$KOR_WINEPREFIX_WIN64" "$KOR_WINEPREFIX_WIN32"; do
        [ -d "$pfx" ] && WINEPREFIX=$pfx wineserver -k 2>/dev/null
    done
fi
kill "$pid" $xpid 2>/dev/null
wait "$pid" $xpid 2>/dev/null
rm -rf "$dir"
exit $rc
