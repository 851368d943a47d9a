#!/usr/bin/env bash
# guest-job.sh: run by the 32-bit guest's init (see image.sh) with the job
# folder boot.sh shares at /kor/job: runs the job's command in its folder,
# with the job's KOR_*/YORL_* variables, and exits with its exit code.
set -u
job=/kor/job
export HOME=/root TMPDIR=/tmp LANG=C.UTF-8
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
# shellcheck disable=SC1091
. "$job/env"
cd "$(cat "$job/cwd")" || exit 125
if [ -f "$job/shares" ]; then
    while read -r tag dir; do
        mkdir -p "$dir"
        mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,cache=loose,ro "$tag" "$dir" ||
            echo "vm32 guest: $dir is not shared" >&2
    done <"$job/shares"
fi

xvfb_pid=
if [ "$(cat "$job/display")" = 1 ]; then
    echo "vm32 guest: starting Xvfb and the win32 wine prefix"
    export DISPLAY=:0
    Xvfb :0 -screen 0 1280x1024x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -e /tmp/.X11-unix/X0 ] && break; sleep 0.1; done
    # The 64-bit prefix is made by tools/wine-run when a program needs it.
    export KOR_WINEPREFIX_WIN32=/tmp/wine/win32 KOR_WINEPREFIX_WIN64=/tmp/wine/win64
    mkdir -p /tmp/wine
    # Made before the command: the services wine starts in a new prefix
    # inherit the output of the program that started them.
    WINEPREFIX=$KOR_WINEPREFIX_WIN32 WINEARCH=win32 WINEDEBUG=-all /usr/lib/wine/wine wineboot -i >/dev/null 2>&1
    # One wine server for the whole job.
    WINEPREFIX=$KOR_WINEPREFIX_WIN32 wineserver -p 2>/dev/null
    bash "$(cat "$job/tree")/tools/wine-desktop.sh" win32
fi

# Through a pipe: the guest's serial line is a terminal, and programs (ctest)
# would colour their output for it.
eval "$(cat "$job/cmd")" 2>&1 | cat
rc=${PIPESTATUS[0]}

if [ -n "$xvfb_pid" ]; then
    WINEPREFIX=$KOR_WINEPREFIX_WIN32 wineserver -k 2>/dev/null
    [ -d "$KOR_WINEPREFIX_WIN64" ] && WINEPREFIX=$KOR_WINEPREFIX_WIN64 wineserver -k 2>/dev/null
    kill "$xvfb_pid" 2>/dev/null
fi
exit $rc
