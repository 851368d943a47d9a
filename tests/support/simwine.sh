#!/bin/sh
# simwine.sh KORSIMS CONFIG TAG PROGRAM [ARGS...]
# Runs a test program against simulated boards, natively or under wine
# (PROGRAM is then e.g. "tools/wine-run win64 prog.exe").
# KORSIMS: candidate paths of korsim separated by ':' (korsim-start.sh).
# Starts korsim on CONFIG, gives the program KOR_SIM and a private runtime
# name space, device table and firmware folder -- before it starts, because
# the shipped runtime reads them when it is loaded -- and ends korsim after it.
# KOR_SIM_DISPLAY=xvfb: a program that shows windows gets a private Xvfb and
# wine prefix when there is no display (tools/xvfb.sh).
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/korsim-start.sh"
. "$here/../../tools/xvfb.sh"
korsims=$1 cfg=$2 tag=$3
shift 3
root=${KOR_TEST_TMP:-${TMPDIR:-/tmp}}
mkdir -p "$root"
dir=$(mktemp -d "$root/simenv-$tag-XXXXXX") || exit 1
xvfb_pid=
trap 'korsim_stop; private_display_end; rm -rf "$dir"; exit 143' TERM INT HUP
if ! korsim_start "$korsims" "$cfg" "$dir"; then
    rm -rf "$dir"
    exit 1
fi
YORL_NAMESPACE=simt-$tag-$$
YORL_DEVTBL=$dir/dvctbl.txt
YORL_FWDIR=$dir/fw/
mkdir -p "$YORL_FWDIR"
export YORL_NAMESPACE YORL_DEVTBL YORL_FWDIR
if [ "${KOR_SIM_DISPLAY:-}" = xvfb ]; then
    private_display 200 239 "$root" || exit 1
fi
"$@"
rc=$?
korsim_stop
private_display_end
rm -rf "$dir"
exit $rc
