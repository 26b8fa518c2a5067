#!/usr/bin/env bash
# The full fuzz campaign: each target for 10 million new inputs, starting from the committed
# corpus and seeds. The campaign build leaves AddressSanitizer out, which doubles the speed (UBSan
# and the targets' own checks stay in); afterwards every input it kept is run once more through
# the AddressSanitizer build. Prints libFuzzer's final figures per target; the full logs, new
# inputs and any crash files go to build-fuzz-campaign/campaign/<target>/.
#
# Usage: tests/fuzz/run_full.sh [--merge] [target...]
#   --merge   afterwards, minimise the committed corpus and the new inputs into
#             tests/fuzz/corpus/<target>/ (the seeds themselves are not copied there)
# Environment: FUZZ_RUNS (default 10000000) new inputs per target; FUZZ_JOBS (default 1)
# processes per target, which share the runs; FUZZ_MAX_TIME seconds, after which each process
# stops early; FUZZ_NICE (default 10) the niceness; FUZZ_TREE (default build-fuzz-campaign) the
# build folder of the campaign, another one for a second campaign while one runs.
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
jobs=${FUZZ_JOBS:-1}
tree=${FUZZ_TREE:-build-fuzz-campaign}
time_limit=()
[ -z "${FUZZ_MAX_TIME:-}" ] || time_limit=(-max_total_time="$FUZZ_MAX_TIME")

declare -A max_len=([fuzz_TextConventions]=128 [fuzz_IniFile]=4096 [fuzz_DayEntryRules]=256)

command -v clang++ >/dev/null || { echo "clang++ is missing: run scripts/setup" >&2; exit 1; }
cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null
cmake -S tests/fuzz -B "$tree" -DCMAKE_CXX_COMPILER=clang++ -DDIALTOLL_FUZZ_ASAN=OFF \
    >/dev/null
cmake --build "$tree" -j"$(nproc)" >/dev/null

# Allocation stacks are not recorded (recording them through Qt's frames costs most of the
# time); run a crash file through its target with the default ASAN_OPTIONS for full stacks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=16:max_malloc_fill_size=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

status=0
for target in "${targets[@]}"; do
    work=$tree/campaign/$target
    mkdir -p "$work/new" "$work/artifacts"
    corpus=tests/fuzz/corpus/$target
    seeds=tests/fuzz/seeds/$target
    # libFuzzer counts the replay of the corpus among its runs.
    replay=$(find "$work/new" "$corpus" "$seeds" -type f | wc -l)
    echo "== $target: $runs new inputs (max_len ${max_len[$target]}, $jobs processes)"
    start=$(date +%s)
    # The processes share the folder of new inputs and pick up each other's finds.
    pids=()
    for ((job = 1; job <= jobs; job++)); do
        nice -n "${FUZZ_NICE:-10}" "$tree/$target" \
            -runs=$((runs / jobs + replay)) -max_len="${max_len[$target]}" -timeout=5 \
            -rss_limit_mb=2048 -print_final_stats=1 -dict="tests/fuzz/$target.dict" "${time_limit[@]}" \
            -artifact_prefix="$work/artifacts/" "$work/new" "$corpus" "$seeds" \
            >"$work/log.$job" 2>&1 &
        pids+=($!)
    done
    for ((job = 1; job <= jobs; job++)); do
        if ! wait "${pids[job - 1]}"; then
            status=1
            echo "FAILED: see $work/log.$job and $work/artifacts/"
        fi
        grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' \
            "$work/log.$job" | sed "s/^/process $job: /" || true
    done
    echo "wall time: $(($(date +%s) - start)) s"

    # Every input the campaign kept, once through the AddressSanitizer build.
    replayed=$(mktemp -d)
    if "build-fuzz/$target" -runs=0 -max_len="${max_len[$target]}" \
        -artifact_prefix="$work/artifacts/asan-" "$replayed" "$work/new" >"$work/asan.log" 2>&1; then
        echo "AddressSanitizer replay of $(find "$work/new" -type f | wc -l) inputs: no report"
    else
        status=1
        echo "FAILED: AddressSanitizer replay, see $work/asan.log"
    fi
    rm -rf "$replayed"

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
