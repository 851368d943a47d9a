#!/bin/bash
# The design files in boardsupport/images are the ones images.txt lists, as
# tools/mkbsimages.sh writes them now (no file missing, none stale or extra).
set -euo pipefail
bitgen=$1 root=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
bash "$root/tools/mkbsimages.sh" "$bitgen" "$tmp"
cd "$root/boardsupport/images"
status=0
for f in *.bit; do
    [ -e "$tmp/$f" ] || { echo "not listed in images.txt: $f"; status=1; }
done
cd "$tmp"
for f in *.bit; do
    if ! cmp -s "$f" "$root/boardsupport/images/$f"; then
        echo "missing or stale: $f (run tools/mkbsimages.sh)"; status=1
    fi
done
[ $status = 0 ] && echo "$(ls "$tmp" | wc -l) design files current"
exit $status
