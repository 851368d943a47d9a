#!/usr/bin/env bash
# Runs the suite on the simulated boards: installs what is missing, builds
# what is not built yet, and runs what exists in a private network namespace.
# --vm32: the 32-bit desktop program in an emulated 32-bit guest, with a
# screenshot of its display (tools/vm32/desktop.sh).
set -eu
cd "$(dirname "$0")"
if [ "${1:-}" = --vm32 ]; then
    shift
    KOR_VM32=1 bash tools/install-deps.sh
    exec bash tools/vm32/desktop.sh "$@"
fi
bash tools/install-deps.sh
exec bash tools/run-all.sh "$@"
