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
[ -z "$missing" ] && exit 0
echo "install-deps: installing$missing"
SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing >/dev/null
