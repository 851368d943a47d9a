#!/usr/bin/env bash
# Builds the three builds (and the sanitizer trees of the tests that ask for
# them) and runs every test suite, natively and under wine, inside a private
# network namespace with only loopback up. Prints the time of each stage and
# ends with one "N passed, N failed" line over all suites.
#
# For work on one area: KOR_STAGES="build linux,test linux" runs only the
# stages named (comma-separated, names as printed), KOR_CTEST_ARGS="-R x"
# is passed to every ctest run. Several runs may go on at once: each takes
# a free display number and wine prefixes of its own.
set -u -o pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# A 32-bit Windows program needs wine's 32-bit loader, a 32-bit Linux program:
# tried, not guessed. KOR_VM32=1 takes the guest even where it would run here.
can_run_32bit() { [ "${KOR_VM32:-}" != 1 ] && /usr/lib/wine/wine --version >/dev/null 2>&1; }

selected() { [ -z "${KOR_STAGES:-}" ] || [[ ",$KOR_STAGES," == *",$1,"* ]]; }

if [ "${KOR_IN_NETNS:-}" != 1 ]; then
    # Where 32-bit programs cannot run, the win32 suites run in a guest
    # (tools/vm32). Its image is made from the package sources, so before
    # the network goes away; made once and then reused.
    if selected "test win32 (wine)" && ! can_run_32bit; then
        echo "== vm32 image"
        t0=$SECONDS
        if KOR_VM32_IMAGE=$(bash tools/vm32/image.sh); then
            export KOR_VM32_IMAGE KOR_VM32_IMAGE_RESULT=ok
        else
            # Not a failure of the suite: this machine cannot make it.
            export KOR_VM32_IMAGE_RESULT="not made"
            echo "vm32: no guest image; the win32 suites will not run"
        fi
        export KOR_VM32_IMAGE_SECS=$((SECONDS - t0))
    fi
    exec unshare -n env KOR_IN_NETNS=1 bash "$0" "$@"
fi
ip link set lo up

jobs=$(nproc)
logdir=$root/build/logs
mkdir -p "$logdir"
declare -a stage_names stage_secs stage_results
passed=0; failed=0; status=0
if [ -n "${KOR_VM32_IMAGE_SECS:-}" ]; then   # made before the namespace
    stage_names+=("vm32 image"); stage_secs+=("$KOR_VM32_IMAGE_SECS")
    stage_results+=("$KOR_VM32_IMAGE_RESULT")
fi

stage() {   # stage NAME COMMAND... : runs and times one stage
    local name=$1; shift
    if [ -n "${KOR_STAGES:-}" ] && [[ ",$KOR_STAGES," != *",$name,"* ]]; then
        return 0
    fi
    local t0=$SECONDS
    echo "== $name"
    if "$@"; then stage_results+=(ok); else stage_results+=(FAILED); status=1; fi
    stage_names+=("$name"); stage_secs+=($((SECONDS - t0)))
}

build() {   # build PRESET [TARGET [CMAKE-ARGS...]]
    local preset=$1 target=${2:-all}
    shift $(( $# < 2 ? $# : 2 ))
    cmake --preset "$preset" "$@" >"$logdir/configure-$preset.log" 2>&1 ||
        { tail -n 40 "$logdir/configure-$preset.log"; return 1; }
    cmake --build --preset "$preset" --target "$target" -j "$jobs" >"$logdir/build-$preset.log" 2>&1 ||
        { grep -E -A5 'error|Error' "$logdir/build-$preset.log" | head -n 80; return 1; }
}

run_ctest() {   # run_ctest PRESET PARALLEL [RUNNER...]: RUNNER runs ctest elsewhere
    local preset=$1 par=$2 log=$logdir/ctest-$1.log
    shift 2
    # shellcheck disable=SC2086
    "$@" ctest --preset "$preset" -j "$par" --no-tests=ignore ${KOR_CTEST_ARGS:-} 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
    if [ -n "$line" ]; then
        local total nfail
        total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
        nfail=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
        passed=$((passed + total - nfail)); failed=$((failed + nfail))
    fi
    return "$rc"
}

start_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local n
    for n in $(seq 97 119); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
    done
    export DISPLAY=:$n
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >"$logdir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && return 0; sleep 0.1; done
    echo "Xvfb did not start"; return 1
}

make_prefixes() {
    export KOR_WINEPREFIX_WIN64=$wine_root/win64 KOR_WINEPREFIX_WIN32=$wine_root/win32
    WINEPREFIX=$KOR_WINEPREFIX_WIN64 WINEDEBUG=-all /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || return 1
    if can_run_32bit; then
        WINEPREFIX=$KOR_WINEPREFIX_WIN32 WINEARCH=win32 WINEDEBUG=-all /usr/lib/wine/wine wineboot -i >/dev/null 2>&1 || return 1
    fi
    # Keep one wineserver per prefix alive for the whole run.
    WINEPREFIX=$KOR_WINEPREFIX_WIN64 wineserver -p 2>/dev/null || true
}

run_win32() {
    if can_run_32bit; then
        run_ctest win32 4
    elif [ -n "${KOR_VM32_IMAGE:-}" ]; then
        echo "win32: 32-bit programs do not run here; running the suites in the guest (tools/vm32)"
        # The guest starts its own display and wine prefixes; files the tests
        # read from outside the checkout are shared with it too.
        KOR_VM32_SHARES=$(sed -n 's/^KOR_VENDOR_DATA:PATH=//p' build/win32/CMakeCache.txt)
        export KOR_VM32_SHARES
        run_ctest win32 4 bash tools/vm32/boot.sh --display
    else
        echo "win32: test programs built, not run; this machine cannot execute 32-bit programs" \
             "and no guest could be made (see the vm32 image stage)"
    fi
}

fuzz() {
    local any=0
    for f in $(find "$root" -path "$root/build" -prune -o -name run-fuzz.sh -print | sort); do
        any=1
        bash "$f" "$root/build/fuzz" "${KOR_FUZZ_SECONDS:-30}" || return 1
    done
    [ $any = 1 ] || echo "no fuzz targets"
}

cleanup() {
    [ -n "${KOR_WINEPREFIX_WIN64:-}" ] && WINEPREFIX=$KOR_WINEPREFIX_WIN64 wineserver -k 2>/dev/null
    [ -n "${KOR_WINEPREFIX_WIN32:-}" ] && WINEPREFIX=$KOR_WINEPREFIX_WIN32 wineserver -k 2>/dev/null
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
    [ -n "${wine_root:-}" ] && rm -rf "$wine_root"
}
trap cleanup EXIT
wine_root=$(mktemp -d /tmp/kor-wine.XXXXXX)

stage "build linux"        build linux
stage "build win64"        build win64
# The win32 test programs are built everywhere (so they keep compiling for
# 32-bit Windows) and run only where 32-bit programs run.
# Under the guest's software emulation programs run several times slower.
if can_run_32bit; then win32_scale=1; else win32_scale=${KOR_VM32_TIMEOUT_SCALE:-8}; fi
stage "build win32"        build win32 all -DKOR_BUILD_TESTS=ON -DKOR_TEST_TIMEOUT_SCALE=$win32_scale
stage "build linux-asan"   build linux-asan sanitized
stage "build linux-tsan"   build linux-tsan sanitized
stage "display and wine"   eval 'start_display && make_prefixes'
stage "test linux"         run_ctest linux "$jobs"
stage "test linux-asan"    run_ctest linux-asan "$jobs"
stage "test linux-tsan"    run_ctest linux-tsan "$jobs"
stage "test win64 (wine)"  run_ctest win64 4
stage "test win32 (wine)"  run_win32
stage "fuzz"               fuzz

echo
echo "Stage times:"
for i in "${!stage_names[@]}"; do
    printf '  %-22s %6ss  %s\n' "${stage_names[$i]}" "${stage_secs[$i]}" "${stage_results[$i]}"
done
printf '  %-22s %6ss\n' "total" "$SECONDS"
echo
echo "$passed passed, $failed failed"
exit $status
