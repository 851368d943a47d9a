#!/usr/bin/env bash
# run-fuzz.sh OUTDIR [SECONDS]
# Builds the tokenizer's and the device-table reader's libFuzzer targets with clang++ into OUTDIR and runs
# each for SECONDS (default 30) on its seed corpus (corpus/<target>/, read
# only; new inputs go to OUTDIR/corpus/<target>/). Exits nonzero when a build
# fails or a target finds a crash, leak or hang (artifacts in OUTDIR).
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 OUTDIR [SECONDS]" >&2
    exit 2
fi
out=$1
secs=${2:-30}
here=$(cd "$(dirname "$0")" && pwd)
core=$(cd "$here/.." && pwd)
cxx=${CXX_FUZZ:-clang++}

if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "run-fuzz: $cxx not found" >&2
    exit 2
fi

mkdir -p "$out"
out=$(cd "$out" && pwd)
targets=(fuzz_tok_devtbl fuzz_tok_devlist fuzz_tok_svf fuzz_tok_options fuzz_dvctbl_reader)
flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -fno-omit-frame-pointer -I"$core" -I"$here" -I"$core/../../include")

# The tokenizer and the harnesses once, then one small object per target.
objs=()
for src in "$core/tokenizer.cpp" "$core/tokscan.cpp" "$core/tokrdr.cpp" "$core/dtblread.cpp" "$here/tokfuzz.cpp"; do
    obj="$out/$(basename "$src" .cpp).o"
    "$cxx" "${flags[@]}" -c "$src" -o "$obj"
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
