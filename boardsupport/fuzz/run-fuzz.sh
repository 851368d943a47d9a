#!/usr/bin/env bash
# run-fuzz.sh OUTDIR [SECONDS]
# Builds the board-support plug-ins' flash image readers (Intel HEX, .bit) as
# a libFuzzer target with clang++ into OUTDIR/boardsupport and runs it for
# SECONDS, at most 10, on its seed corpus (corpus/fuzz_flashimg/, read only;
# new inputs go to OUTDIR/boardsupport/corpus/). Exits nonzero when the build
# fails or the target finds a crash, leak or hang.
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 OUTDIR [SECONDS]" >&2
    exit 2
fi
secs=${2:-10}
[ "$secs" -gt 10 ] && secs=10
here=$(cd "$(dirname "$0")" && pwd)
common=$(cd "$here/../common" && pwd)
cxx=${CXX_FUZZ:-clang++}
command -v "$cxx" >/dev/null 2>&1 || { echo "run-fuzz: $cxx not found" >&2; exit 2; }

mkdir -p "$1/boardsupport/corpus"
out=$(cd "$1/boardsupport" && pwd)
t=fuzz_flashimg
"$cxx" -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -fno-omit-frame-pointer -I"$common" "$here/$t.cpp" "$common/flashimg.cpp" -o "$out/$t"
echo "run-fuzz: $t for ${secs}s"
if ! (cd "$out" && "./$t" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
        -artifact_prefix="$out/$t-" -print_final_stats=1 "$out/corpus" "$here/corpus/$t" >"$out/$t.log" 2>&1); then
    echo "run-fuzz: $t FAILED (see $out/$t.log)" >&2
    tail -n 40 "$out/$t.log" >&2
    exit 1
fi
grep -E "^stat::number_of_executed_units|^stat::new_units_added" "$out/$t.log" | sed "s/^/run-fuzz: $t /" || true
