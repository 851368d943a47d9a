#!/usr/bin/env bash
# desktop.sh: ./run.sh --vm32. Starts the 32-bit desktop program, the build a
# user gets, in the 32-bit guest (image.sh, boot.sh) on the simulated boards
# of sim/default.cfg, and saves a screenshot of the guest's display as
# build/run/orrin-vm32.png. The guest runs tools/run-sim.sh, which there
# finds 32-bit programs running and so takes the win32 build.
set -u -o pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
jobs=$(nproc)
for preset in linux win32; do
    cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$jobs" >/dev/null ||
        { echo "run: the $preset build failed; see cmake --build --preset $preset"; exit 1; }
done
# The image is made from the package sources: before the network goes.
image=$(bash tools/vm32/image.sh) || { echo "run: no 32-bit guest could be made"; exit 1; }
shot=$root/build/run/orrin.png
rm -f "$shot"
# The guest has no network device; qemu itself runs without one too.
unshare -n env KOR_VM32_IMAGE="$image" KOR_RUN_SECONDS="${KOR_RUN_SECONDS:-20}" \
    bash tools/vm32/boot.sh bash tools/run-sim.sh
rc=$?
if [ -f "$shot" ]; then
    mv "$shot" "$root/build/run/orrin-vm32.png"
    echo "screenshot of the guest's display: build/run/orrin-vm32.png"
else
    echo "run: the guest made no screenshot"
    [ $rc = 0 ] && rc=1
fi
exit $rc
