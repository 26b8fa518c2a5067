#!/usr/bin/env bash
# Times the dial-up dialog watch's look-up with about 30 top-level windows on a private Xvfb,
# without a window manager (the root's children) and with openbox (its client list).
#
#   bench/dialog_find_bench.sh [<build folder>]   (default /work/main/build; builds nothing)
#
# Environment: DIALTOLL_BENCH_WINDOWS (default 30), DIALTOLL_BENCH_ROUNDS (default 2000).
set -euo pipefail

build=${1:-/work/main/build}
program=$build/bin/dialog_find
windows=${DIALTOLL_BENCH_WINDOWS:-30}
rounds=${DIALTOLL_BENCH_ROUNDS:-2000}
for tool in Xvfb openbox; do
    if ! command -v "$tool" >/dev/null; then
        echo "dialog_find_bench: $tool is not installed; skipped."
        exit 0
    fi
done
if [ ! -x "$program" ]; then
    echo "dialog_find_bench: $program is missing; build the target dialog_find first." >&2
    exit 1
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

exec 3<>"$work/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
display=
for _ in $(seq 100); do
    display=$(head -n 1 "$work/displayfd" 2>/dev/null || true)
    [ -n "$display" ] && break
    sleep 0.1
done
[ -n "$display" ] || { echo "dialog_find_bench: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$display
unset WAYLAND_DISPLAY

echo "without a window manager (root's children):"
"$program" "$windows" "$rounds"

HOME=$work XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache \
    openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sleep 2
echo "with openbox (_NET_CLIENT_LIST):"
"$program" "$windows" "$rounds"
