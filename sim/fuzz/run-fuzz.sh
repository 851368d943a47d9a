#!/usr/bin/env bash
# run-fuzz.sh OUTDIR [SECONDS]
# Builds korsim's wire and control-channel libFuzzer targets with clang++ into
# OUTDIR/sim and runs each for SECONDS, at most 12 (the simulator's share of
# the fuzz stage), on its seed corpus (corpus/<target>/, read only; new
# inputs go to OUTDIR/sim/corpus/<target>/). Exits nonzero when a build fails
# or a target finds a crash, leak or hang (artifacts in OUTDIR/sim).
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 OUTDIR [SECONDS]" >&2
    exit 2
fi
secs=${2:-12}
[ "$secs" -gt 12 ] && secs=12
here=$(cd "$(dirname "$0")" && pwd)
sim=$(cd "$here/.." && pwd)
cxx=${CXX_FUZZ:-clang++}

if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "run-fuzz: $cxx not found" >&2
    exit 2
fi

mkdir -p "$1/sim"
out=$(cd "$1/sim" && pwd)
targets=(fuzz_sim_wire fuzz_sim_control)
flags=(-std=c++17 -g -O1 -pthread -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -fno-omit-frame-pointer -I"$sim" -I"$here")

# The simulator once (without its main), then one small object per target.
objs=()
for src in "$sim"/model/*.cpp "$sim"/fw/*.cpp "$sim"/server/*.cpp "$sim"/ftdi/*.cpp "$sim"/net/netcfg.cpp "$here/simfuzz.cpp"; do
    obj="$out/$(basename "$(dirname "$src")")-$(basename "$src" .cpp).o"
    "$cxx" "${flags[@]/-fsanitize=fuzzer,/-fsanitize=fuzzer-no-link,}" -c "$src" -o "$obj"
    objs+=("$obj")
done

status=0
for t in "${targets[@]}"; do
    "$cxx" "${flags[@]}" "$here/$t.cpp" "${objs[@]}" -o "$out/$t"
    mkdir -p "$out/corpus/$t"
    echo "run-fuzz: $t for ${secs}s"
    if ! (cd "$out" && TMPDIR="$out" "./$t" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 \
            -max_len=4096 -artifact_prefix="$out/$t-" -print_final_stats=1 \
            "$out/corpus/$t" "$here/corpus/$t" >"$out/$t.log" 2>&1); then
        echo "run-fuzz: $t FAILED (see $out/$t.log)" >&2
        tail -n 40 "$out/$t.log" >&2
        status=1
    else
        grep -E "^stat::number_of_executed_units|^stat::new_units_added" "$out/$t.log" | sed "s/^/run-fuzz: $t /" || true
    fi
done
exit $status
