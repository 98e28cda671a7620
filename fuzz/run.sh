#!/usr/bin/env bash
# Builds every libFuzzer target (fuzz_* in fuzz/) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in its own build folder, then runs each for SECONDS seconds.
#   fuzz/run.sh [SECONDS]            default 60 seconds per target
# Environment: TAVLO_FUZZ_BUILD_DIR (default build-fuzz), TAVLO_FUZZ_JOBS (targets run at the same
# time, default 1), TAVLO_FUZZ_TARGETS (names to run instead of all).
# Corpora grow in $TAVLO_FUZZ_BUILD_DIR/corpus/<target>, seeded from fuzz/seeds/<what>; inputs that
# crash land in $TAVLO_FUZZ_BUILD_DIR/artifacts/<target>/. Exit status 1 when any target failed.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVLO_FUZZ_BUILD_DIR:-$root/build-fuzz}
jobs=${TAVLO_FUZZ_JOBS:-1}

if ! command -v clang++ >/dev/null; then
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends clang
fi

generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
    -DTAVLO_FUZZ=ON -DTAVLO_SANITIZE=ON -DBUILD_TESTING=OFF -DTAVLO_BENCH=OFF >/dev/null

targets=${TAVLO_FUZZ_TARGETS:-$(cmake --build "$build" --target help | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\):.*/\1/p' | grep -v '_autogen' | sort -u)}
[ -n "$targets" ] || { echo "fuzz: no fuzz_* targets" >&2; exit 1; }
# shellcheck disable=SC2086
cmake --build "$build" -j 2 --target $targets

run_one() {
    local target=$1 corpus="$build/corpus/$1" artifacts="$build/artifacts/$1/" seeds=()
    mkdir -p "$corpus" "$artifacts"
    [ -d "$root/fuzz/seeds/${target#fuzz_}" ] && seeds=("$root/fuzz/seeds/${target#fuzz_}")
    # 3 GB covers the largest image the decoders allow (1 GiB) plus the sanitizers' own memory.
    "$build/bin/$target" -max_total_time="$seconds" -rss_limit_mb=3072 -malloc_limit_mb=3072 \
        -timeout=30 -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "${seeds[@]}" \
        >"$build/$target.log" 2>&1
}

failed=0
running=0
declare -A pids
for target in $targets; do
    run_one "$target" &
    pids[$target]=$!
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
for target in $targets; do
    status=0
    wait "${pids[$target]}" 2>/dev/null || status=$?
    log="$build/$target.log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    crashes=$(find "$build/artifacts/$target" -type f | wc -l)
    if grep -q -e '^==[0-9]*==ERROR' -e 'runtime error' -e 'deadly signal' "$log" || [ "$crashes" -gt 0 ]; then
        echo "$target: FAILED after ${runs:-?} runs; see $log and $build/artifacts/$target/"
        failed=1
    else
        echo "$target: ${runs:-?} runs in ${seconds} s, no findings (corpus $(find "$build/corpus/$target" -type f | wc -l) files)"
    fi
done
exit $failed
