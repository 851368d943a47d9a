#!/bin/sh
# usbwine.sh KORSIMS CONFIG WINE-RUN BUILD PROGRAM
# KORSIMS: candidate paths of korsim separated by ':', the first one found is used.
# Starts the simulator (a Linux program) on CONFIG, runs the Windows test
# PROGRAM under wine with KOR_SIM set to its address, and ends the simulator.
set -u
korsims=$1 cfg=$2 winerun=$3 build=$4 prog=$5
korsim=
IFS=:
for k in $korsims; do
    if [ -n "$k" ] && [ -x "$k" ]; then korsim=$k; break; fi
done
unset IFS
if [ -z "$korsim" ]; then
    echo "usbwine.sh: no korsim in $korsims (build a Linux tree's korsim first)" >&2
    exit 1
fi
dir=$(mktemp -d)
"$korsim" --config "$cfg" --port 0 --port-file "$dir/port" >"$dir/log" 2>&1 &
pid=$!
i=0
while [ ! -s "$dir/port" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
if [ ! -s "$dir/port" ]; then
    echo "usbwine.sh: korsim did not start" >&2; cat "$dir/log" >&2
    kill "$pid" 2>/dev/null; rm -rf "$dir"; exit 1
fi
KOR_SIM=127.0.0.1:$(head -n 1 "$dir/port")
export KOR_SIM
"$winerun" "$build" "$prog"
rc=$?
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
rm -rf "$dir"
exit $rc
