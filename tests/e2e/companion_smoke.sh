#!/usr/bin/env bash
# Starts a program offscreen for a moment: it must still be running when stopped.
set -uo pipefail
program=${1:?program}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
DIALTOLL_HOME=$work QT_QPA_PLATFORM=offscreen timeout -s TERM 2 "$program"
status=$?
[ "$status" -eq 124 ] && { echo "$(basename "$program"): ok"; exit 0; }
echo "FAIL: $(basename "$program") ended with status $status"
exit 1
