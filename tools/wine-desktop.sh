#!/usr/bin/env bash
# wine-desktop.sh BUILD: starts wine's desktop process for the prefix of BUILD
# (win32 or win64, as tools/wine-run) without output, and keeps it for as
# long as the calling run: the desktop process wine starts for a prefix's
# first window inherits that program's output and lives while any program of
# the prefix runs, so ctest would wait for it after the program passed.
# The keeper, a command interpreter reading a pipe no one writes to, ends
# with the prefix's wineserver -k and leaves nothing behind.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
fifo=$(mktemp -u "${TMPDIR:-/tmp}/kor-wine-desktop.XXXXXX")
mkfifo "$fifo" || exit 1
exec 3<>"$fifo"
rm -f "$fifo"
"$root/tools/wine-run" "$1" cmd.exe <&3 >/dev/null 2>&1 &
exec 3<&-
"$root/tools/wine-run" "$1" rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1
exit 0
