#!/usr/bin/env bash
# The full fuzz campaign: each target for 10 million new inputs, starting from the committed
# corpus and seeds, niced so the machine stays usable. Prints libFuzzer's final figures per
# target; the full logs, new inputs and any crash files go to build-fuzz/campaign/<target>/.
#
# Usage: tests/fuzz/run_full.sh [--merge] [target...]
#   --merge   afterwards, minimise the committed corpus and the new inputs into
#             tests/fuzz/corpus/<target>/ (the seeds themselves are not copied there)
# Environment: FUZZ_RUNS (default 10000000) new inputs per target.
set -euo pipefail
cd "$(dirname "$0")/../.."

merge=0
if [ "${1:-}" = "--merge" ]; then
    merge=1
    shift
fi
targets=("$@")
((${#targets[@]})) || targets=(fuzz_TextConventions fuzz_IniFile fuzz_DayEntryRules)
runs=${FUZZ_RUNS:-10000000}

declare -A max_len=([fuzz_TextConventions]=128 [fuzz_IniFile]=4096 [fuzz_DayEntryRules]=256)

command -v clang++ >/dev/null || { echo "clang++ is missing: run scripts/setup" >&2; exit 1; }
cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null

# Allocation stacks are not recorded (recording them through Qt's frames costs most of the
# time); run a crash file through its target with the default ASAN_OPTIONS for full stacks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=16:max_malloc_fill_size=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

status=0
for target in "${targets[@]}"; do
    work=build-fuzz/campaign/$target
    mkdir -p "$work/new" "$work/artifacts"
    corpus=tests/fuzz/corpus/$target
    seeds=tests/fuzz/seeds/$target
    # libFuzzer counts the replay of the corpus among its runs.
    replay=$(find "$work/new" "$corpus" "$seeds" -type f | wc -l)
    echo "== $target: $runs new inputs (max_len ${max_len[$target]})"
    start=$(date +%s)
    if ! nice -n 10 "build-fuzz/$target" -runs=$((runs + replay)) -max_len="${max_len[$target]}" \
        -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 -dict="tests/fuzz/$target.dict" \
        -artifact_prefix="$work/artifacts/" "$work/new" "$corpus" "$seeds" >"$work/log" 2>&1; then
        status=1
        echo "FAILED: see $work/log and $work/artifacts/"
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' \
        "$work/log" || true
    echo "wall time: $(($(date +%s) - start)) s"

    if ((merge)); then
        fresh=$(mktemp -d)
        "build-fuzz/$target" -merge=1 -max_len="${max_len[$target]}" "$fresh" "$corpus" "$seeds" \
            "$work/new" >"$work/merge.log" 2>&1
        # Merged files are named by the SHA-1 of their content: drop the seeds' own.
        for seed in "$seeds"/*; do
            rm -f "$fresh/$(sha1sum "$seed" | cut -d' ' -f1)"
        done
        rm -rf "$corpus"
        mkdir -p "$corpus"
        cp "$fresh"/* "$corpus"/ 2>/dev/null || true
        rm -rf "$fresh"
        echo "corpus: $(find "$corpus" -type f | wc -l) files"
    fi
done
exit $status
