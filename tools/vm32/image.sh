#!/usr/bin/env bash
# image.sh: makes (once) the guest image the 32-bit Windows programs run in
# where this machine's kernel cannot run 32-bit code, and prints its folder.
#
# The guest is a Debian amd64 system of the host's own release (so the
# Linux tree's programs, korsim first, run in it unchanged) with wine and its
# 32-bit loader, Xvfb and ctest. It is made with debootstrap from the host's
# own package sources and kept OUTSIDE the checkout, in
#   ${KOR_VM32_CACHE:-/var/cache/korvanel-vm32}/<key>/
# where <key> is a hash of everything that goes into it (this script, the
# release, the package list). While those are unchanged the image is reused;
# a changed input makes a new one and the old ones are removed.
#
# The folder holds root.img (ext4, made with mke2fs -d from the tree, no
# mount needed), vmlinuz and initrd.img of the guest's kernel. The guest's
# /sbin/kor-init mounts the folders boot.sh shares and runs the job script of
# the shared tree (tools/vm32/guest-job.sh), so that script can change
# without a new image.
#
# Needs root, debootstrap and the package sources reachable (run it outside
# any network namespace). Exit code 0 with the folder on stdout; otherwise a
# reason on stderr. Progress goes to stderr and to <cache>/build.log.
set -u -o pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${KOR_VM32_CACHE:-/var/cache/korvanel-vm32}

# What goes into the guest. Wine's X11 driver loads the X extension
# libraries of its own word size at run time, so they are named for both.
xlibs="libxrender1 libxcursor1 libxi6 libxrandr2 libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1"
packages="linux-image-amd64 kmod util-linux procps psmisc iproute2 cmake
          xvfb x11-apps imagemagick libusb-1.0-0 fonts-wine fonts-liberation
          wine wine64 wine32:i386 $xlibs $(for p in $xlibs; do printf '%s:i386 ' "$p"; done)"

die() { echo "vm32 image: $*" >&2; exit 1; }

[ "$(id -u)" = 0 ] || die "needs root (debootstrap, chroot)"
command -v debootstrap >/dev/null || die "debootstrap is not installed"
command -v mke2fs >/dev/null || die "mke2fs is not installed"
. /etc/os-release
suite=${VERSION_CODENAME:-}
[ -n "$suite" ] || die "cannot tell the host's release"

# The host's package sources: the first archive (not the security one) for
# debootstrap, and every source list for the guest's apt.
mirror=$(sed -n -E 's/^URIs:[[:space:]]*([^[:space:]]+).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null |
         grep -v -- '-security' | head -n 1)
[ -n "$mirror" ] || mirror=$(sed -n -E 's/^deb[[:space:]]+(\[[^]]*\][[:space:]]+)?([^[:space:]]+)[[:space:]].*/\2/p' \
                             /etc/apt/sources.list 2>/dev/null | grep -v -- '-security' | head -n 1)
[ -n "$mirror" ] || die "no package source found in /etc/apt"

key=$( { cat "$0"; echo "$suite"; } | sha256sum | cut -c1-16)
dir=$cache/$key
if [ -f "$dir/ready" ]; then echo "$dir"; exit 0; fi

mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9            # one build at a time; a second caller waits and reuses it
if [ -f "$dir/ready" ]; then echo "$dir"; exit 0; fi

log=$cache/build.log
: >"$log"
step() { echo "vm32 image: $*" >&2; echo "== $*" >>"$log"; }
work=$cache/work.$$
trap 'rm -rf "$work"' EXIT
rm -rf "$cache"/work.*
mkdir -p "$work"
rootfs=$work/root
t0=$SECONDS

step "debootstrap $suite (log: $log)"
debootstrap --variant=minbase --arch=amd64 "$suite" "$rootfs" "$mirror" >>"$log" 2>&1 ||
    { tail -n 20 "$log" >&2; die "debootstrap failed"; }

step "installing wine, Xvfb, ctest and a kernel in the guest"
rm -f "$rootfs"/etc/apt/sources.list "$rootfs"/etc/apt/sources.list.d/*
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && cp "$f" "$rootfs$f"
done
# No service starts inside the chroot.
printf '#!/bin/sh\nexit 101\n' >"$rootfs/usr/sbin/policy-rc.d"
chmod +x "$rootfs/usr/sbin/policy-rc.d"
# The kernel's first RAM disk needs the virtio disk driver; the 9p modules
# are loaded from the root file system.
mkdir -p "$rootfs/etc/initramfs-tools"
printf 'virtio_pci\nvirtio_blk\next4\n' >>"$rootfs/etc/initramfs-tools/modules"
# shellcheck disable=SC2086
unshare -m --propagation private chroot "$rootfs" /bin/sh -c "
    set -e
    mount -t proc proc /proc
    mount -t sysfs sys /sys
    dpkg --add-architecture i386
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $(echo $packages)
    apt-get clean
" >>"$log" 2>&1 || { tail -n 30 "$log" >&2; die "installing the guest's packages failed"; }
rm -f "$rootfs/usr/sbin/policy-rc.d"
rm -rf "$rootfs"/var/lib/apt/lists/* "$rootfs"/usr/share/doc/* "$rootfs"/usr/share/man/*

# The guest's first process: mounts what boot.sh shares and runs the job.
cat >"$rootfs/sbin/kor-init" <<'EOF'
#!/bin/sh
# The guest's init: file systems, the shared folders, then the job script of
# the shared tree; powers off when it ends.
PATH=/usr/sbin:/usr/bin:/sbin:/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs -o size=3g tmpfs /tmp
mount -t tmpfs tmpfs /run
hostname korvm32
ip link set lo up
modprobe 9pnet_virtio; modprobe 9p
mkdir -p /kor/job
# Programs on the shared tree load as zero pages under wine without the
# page cache: cache=loose.
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 korjob /kor/job
tree=$(cat /kor/job/tree)
mkdir -p "$tree"
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,cache=loose kortree "$tree"
/bin/bash "$tree/tools/vm32/guest-job.sh" </dev/null >/dev/ttyS1 2>&1
echo $? >/kor/job/rc
sync
umount "$tree" /kor/job
echo o >/proc/sysrq-trigger
sleep 60
EOF
chmod +x "$rootfs/sbin/kor-init"

step "making the disk image"
mkdir -p "$work/out"
cp -L "$rootfs/vmlinuz" "$work/out/vmlinuz" && cp -L "$rootfs/initrd.img" "$work/out/initrd.img" ||
    die "the guest has no kernel or initrd"
size_mb=$(( $(du -sm "$rootfs" | cut -f1) + 512 ))
mke2fs -q -t ext4 -L korvm32 -d "$rootfs" "$work/out/root.img" "${size_mb}M" >>"$log" 2>&1 ||
    { tail -n 20 "$log" >&2; die "mke2fs failed"; }
echo "$packages" >"$work/out/packages"
touch "$work/out/ready"
rm -rf "$dir"
mv "$work/out" "$dir"
# Older images are of other inputs: remove them.
for old in "$cache"/*/; do
    [ "${old%/}" = "$dir" ] || rm -rf "$old"
done
step "ready in $((SECONDS - t0)) s: $dir"
echo "$dir"
