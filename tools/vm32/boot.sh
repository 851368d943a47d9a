#!/usr/bin/env bash
# boot.sh [--display] COMMAND [ARGS...]
# Runs COMMAND in the 32-bit guest (see image.sh) and exits with its exit
# code. The checkout is shared with the guest by 9p at its own path, so the
# builds, the scripts and the paths in them are the same inside; COMMAND runs
# in the current folder (which must be inside the checkout) as root, and its
# output comes back here while it runs.
#
# --display: the guest first starts Xvfb (DISPLAY exported) and makes the
# wine prefixes of both builds (KOR_WINEPREFIX_WIN32 / _WIN64), as the test
# driver does on the host.
#
# The guest has no network device. Its disk is the cached image opened as a
# snapshot: nothing a run does is kept. KVM is used where it works (below),
# otherwise qemu's software emulation.
#
# Environment: KOR_VM32_IMAGE (the image folder; default: made or found by
# image.sh), KOR_VM32_CPUS (default: the host's cores, at most 4),
# KOR_VM32_MEM (MiB, default 4096), KOR_VM32_TIMEOUT (seconds, default 3600),
# KOR_VM32_ACCEL (kvm or tcg).
# KOR_VM32_SHARES: more folders (separated by ':') shared read-only at
# their own paths, for files outside the checkout that tests read.
# KOR_* and YORL_* variables pass into the guest, except the host's wine
# prefixes. Exit code 125: the guest did not run the command to its end.
set -u -o pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

display=0
if [ "${1:-}" = --display ]; then display=1; shift; fi
[ $# -ge 1 ] || { echo "usage: boot.sh [--display] COMMAND [ARGS...]" >&2; exit 2; }
case $PWD/ in
    "$root"/*) ;;
    *) echo "vm32: run from inside $root" >&2; exit 2 ;;
esac

command -v qemu-system-x86_64 >/dev/null || { echo "vm32: qemu-system-x86_64 is not installed" >&2; exit 125; }
image=${KOR_VM32_IMAGE:-}
if [ -z "$image" ]; then
    image=$(bash "$here/image.sh") || exit 125
fi
[ -f "$image/ready" ] || { echo "vm32: no guest image in $image" >&2; exit 125; }

job=$(mktemp -d "${TMPDIR:-/tmp}/kor-vm32.XXXXXX")
qemu_pid=
cleanup() {
    [ -n "$qemu_pid" ] && kill "$qemu_pid" 2>/dev/null && wait "$qemu_pid" 2>/dev/null
    rm -rf "$job"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "$root" >"$job/tree"
echo "$PWD" >"$job/cwd"
echo "$display" >"$job/display"
printf '%q ' "$@" >"$job/cmd"
while IFS= read -r name; do
    case $name in KOR_WINEPREFIX_*|KOR_IN_NETNS|KOR_VM32_*) continue ;; esac
    printf 'export %s=%q\n' "$name" "${!name}"
done < <(compgen -e | grep -E '^(KOR|YORL)_') >"$job/env"
: >"$job/out"
shares=()
n=0
IFS=: read -r -a extra <<<"${KOR_VM32_SHARES:-}"
for dir in "${extra[@]}"; do
    [ -d "$dir" ] || continue
    dir=$(cd "$dir" && pwd)
    case $dir/ in "$root"/*) continue ;; esac
    n=$((n + 1))
    shares+=(-virtfs "local,path=$dir,mount_tag=korshare$n,security_model=none,readonly=on,id=korshare$n")
    echo "korshare$n $dir" >>"$job/shares"
done

cpus=${KOR_VM32_CPUS:-$(nproc)}
[ "$cpus" -gt 4 ] && [ -z "${KOR_VM32_CPUS:-}" ] && cpus=4
# KVM where the processor offers virtualisation and /dev/kvm opens (a /dev/kvm
# without vmx/svm in the processor's flags was seen to hang the guest at
# its first instruction); KOR_VM32_ACCEL=kvm|tcg decides instead.
accel=${KOR_VM32_ACCEL:-}
if [ -z "$accel" ]; then
    accel=tcg
    if grep -qwE 'vmx|svm' /proc/cpuinfo && (exec 3<>/dev/kvm) 2>/dev/null; then accel=kvm; fi
fi
if [ "$accel" = kvm ]; then
    accel=(-accel kvm -cpu host)
else
    # The guest kernel faults on an iret of 32-bit wine with SMAP emulated.
    accel=(-accel tcg,thread=multi -cpu max,smap=off)
fi

qemu-system-x86_64 "${accel[@]}" -smp "$cpus" -m "${KOR_VM32_MEM:-4096}" \
    -nodefaults -no-reboot -display none -nic none \
    -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
    -append "root=/dev/vda rw console=ttyS0 quiet init=/sbin/kor-init panic=-1" \
    -drive "file=$image/root.img,format=raw,if=virtio,snapshot=on" \
    -virtfs "local,path=$root,mount_tag=kortree,security_model=none,id=kortree" \
    -virtfs "local,path=$job,mount_tag=korjob,security_model=none,id=korjob" "${shares[@]}" \
    -serial "file:$job/console.log" -serial "file:$job/out" \
    </dev/null >"$job/qemu.log" 2>&1 &
qemu_pid=$!

tail -n +1 -f --pid="$qemu_pid" "$job/out" &
tail_pid=$!
timeout=${KOR_VM32_TIMEOUT:-3600}
t0=$SECONDS
while kill -0 "$qemu_pid" 2>/dev/null; do
    if [ $((SECONDS - t0)) -ge "$timeout" ]; then
        echo "vm32: the guest ran past ${timeout}s; stopping it" >&2
        kill "$qemu_pid" 2>/dev/null
        break
    fi
    sleep 1
done
wait "$qemu_pid" 2>/dev/null
qemu_pid=
wait "$tail_pid" 2>/dev/null

if [ ! -s "$job/rc" ]; then
    echo "vm32: the guest stopped before the command ended; its console:" >&2
    tail -n 30 "$job/console.log" >&2
    cat "$job/qemu.log" >&2
    exit 125
fi
exit "$(cat "$job/rc")"
