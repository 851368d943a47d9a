#!/bin/bash
# Writes the boards' design files listed in boardsupport/images/images.txt
# into OUTDIR with bitgen (small files: a short run of frame data carrying
# the design tag; the simulated FPGA starts the design the tag names).
#   tools/mkbsimages.sh BITGEN OUTDIR
set -euo pipefail
bitgen=$1 out=$2
list="$(dirname "$0")/../boardsupport/images/images.txt"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
while IFS='|' read -r file part design; do
    case "$file" in ''|'#'*) continue ;; esac
    "$bitgen" "$part" "$design" "$tmp/img" --words 1024 >/dev/null
    mv "$tmp/img.bit" "$out/$file"
done < "$list"
