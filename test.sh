#!/usr/bin/env bash
# Runs every test suite: installs what is missing, builds linux, win32 and
# win64, and runs the suites natively and under wine in a private network
# namespace. Needs root (apt-get, unshare).
set -eu
cd "$(dirname "$0")"
bash tools/install-deps.sh
exec bash tools/test-all.sh "$@"
