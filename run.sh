#!/usr/bin/env bash
# Runs the suite on the simulated boards: installs what is missing, builds
# what is not built yet, and runs what exists in a private network namespace.
set -eu
cd "$(dirname "$0")"
bash tools/install-deps.sh
exec bash tools/run-all.sh "$@"
