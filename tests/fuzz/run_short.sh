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
exec "$target" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$scratch/artifacts/" "$scratch/new" "$@"
