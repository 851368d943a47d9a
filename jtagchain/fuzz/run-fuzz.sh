#!/usr/bin/env bash
# run-fuzz.sh OUTDIR [SECONDS]
# Builds the scan-chain library's file readers as libFuzzer targets with
# clang++ into OUTDIR/brisel and runs each for a third of SECONDS (default
# 30, at least 5) on its seed corpus (corpus/<target>/, read only; new
# inputs go to OUTDIR/brisel/corpus/<target>/): the SVF reader and player,
# the JEDEC reader, the Intel HEX reader, the CoolRunner-II map reader.
# Exits nonzero when a build fails or a target finds a crash, leak or hang.
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 OUTDIR [SECONDS]" >&2
    exit 2
fi
out=$1/brisel
secs=$(( ${2:-30} / 3 ))
[ "$secs" -ge 5 ] || secs=5
here=$(cd "$(dirname "$0")" && pwd)
lib=$(cd "$here/.." && pwd)
root=$(cd "$lib/.." && pwd)
cxx=${CXX_FUZZ:-clang++}

if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "run-fuzz: $cxx not found" >&2
    exit 2
fi

mkdir -p "$out"
out=$(cd "$out" && pwd)
targets=(fuzz_svf fuzz_jedec fuzz_ihex fuzz_cr2map)
flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -fno-omit-frame-pointer -DBRISEL_BUILD -DBRISEL_HAVE_TOKENIZER -I"$lib" -I"$root/include"
       -I"$root/runtime/core")

# The library's core (the readers, the chain and the player) once, then one small object per target.
objs=()
for src in "$lib"/*.cpp "$root/runtime/core/tokenizer.cpp" "$root/runtime/core/tokscan.cpp" \
           "$root/runtime/core/tokrdr.cpp"; do
    case $(basename "$src") in exports.cpp|platform.cpp|tvxport.cpp) continue ;; esac
    obj="$out/$(basename "$src" .cpp).o"
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
