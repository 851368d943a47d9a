#!/usr/bin/env bash
# Installs the Debian packages the builds, the simulator and the test suites
# need. Safe to run again: it only installs what is missing.
set -eu
pkgs="cmake ninja-build ccache g++ clang libclang-rt-14-dev googletest
      g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
      wine wine64 wine32:i386 xvfb x11-apps imagemagick
      libusb-1.0-0-dev pkg-config
      iproute2 util-linux procps psmisc
      libssl-dev tshark"
missing=""
for p in $pkgs; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
if [ -n "$missing" ]; then
    echo "install-deps: installing$missing"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing >/dev/null
fi

# Where this kernel cannot run 32-bit programs (tried: wine's 32-bit loader),
# the win32 suites run in an emulated guest made with these (tools/vm32).
# Without them that stage says so and the rest still runs.
if [ "${KOR_VM32:-}" = 1 ] || ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    vm=""
    for p in qemu-system-x86 debootstrap e2fsprogs; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || vm="$vm $p"
    done
    if [ -n "$vm" ]; then
        echo "install-deps: installing$vm (the 32-bit guest)"
        { $SUDO apt-get update -qq &&
          DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $vm >/dev/null; } ||
            echo "install-deps: the guest's packages are not to be had; the win32 suites will not run"
    fi
fi
