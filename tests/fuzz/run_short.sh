#!/usr/bin/env bash
# The short fuzz run of the test suite: the target over the given corpus folders, then a
# bounded number of new inputs. New finds go to a scratch folder, crash files beside them, so
# the committed folders are only read.
# Usage: run_short.sh <fuzz target> <scratch folder> [libFuzzer options and corpus folders...]
set -euo pipefail
target=${1:?fuzz target}
scratch=${2:?scratch folder}
shift 2
rm -rf "$scratch"
mkdir -p "$scratch/new" "$scratch/artifacts"
args=()
for arg in "$@"; do
    # A corpus folder that is not there yet (no campaign merged) is left out.
    if [[ $arg == -* || -d $arg ]]; then
        args+=("$arg")
    else
        echo "no corpus folder $arg"
    fi
done
# Allocation stacks are not recorded, which makes the run several times faster; run a crash
# file through the target with the default ASAN_OPTIONS for full stacks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=16:max_malloc_fill_size=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
exec "$target" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$scratch/artifacts/" "$scratch/new" "${args[@]}"
