#!/usr/bin/env bash
# The body of ./run.sh, inside a private network namespace (loopback only).
set -u -o pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ "${KOR_IN_NETNS:-}" != 1 ]; then
    exec unshare -n env KOR_IN_NETNS=1 bash "$0" "$@"
fi
ip link set lo up
jobs=$(nproc)
for preset in linux win64; do
    cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$jobs" >/dev/null ||
        { echo "run: the $preset build failed; see cmake --build --preset $preset"; exit 1; }
done

# Each piece runs when it has been built; the desktop program is not built yet.
if [ -x tools/run-sim.sh ]; then
    exec bash tools/run-sim.sh "$@"
fi
echo "The desktop program is not built yet."
echo "Built so far: the OS-abstraction library; its bench:"
bench=$(ls build/linux/bin/yorl_bench 2>/dev/null || true)
[ -n "$bench" ] && "$bench"
