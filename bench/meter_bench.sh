#!/usr/bin/env bash
# Measures the running meter against a do-nothing Widgets program with the same 120 ms timer:
# CPU off line and on line, peak memory, and how fast a new link gets its Notes rows.
#
#   bench/meter_bench.sh [<build folder>]      (default /work/main/build; builds nothing)
#
# Environment: DIALTOLL_BENCH_OFFLINE_S and DIALTOLL_BENCH_ONLINE_S (seconds per window,
# default 60), DIALTOLL_BENCH_CONNECTIONS (links for the latency run, default 20),
# DIALTOLL_BENCH_MULTIUSER=1 (multi-user management on: the dial-up dialog watch runs, and the
# on-line window starts with a log-on typed into the login window; no latency run, as every
# link waits for a log-on).
# Needs root and /dev/net/tun for the TUN links; without them it says so and exits 0.
set -euo pipefail

build=${1:-/work/main/build}
bin=$build/bin
offline_s=${DIALTOLL_BENCH_OFFLINE_S:-60}
online_s=${DIALTOLL_BENCH_ONLINE_S:-60}
connections=${DIALTOLL_BENCH_CONNECTIONS:-20}
multiuser=${DIALTOLL_BENCH_MULTIUSER:-0}
online_iface=ppp89

if [ "$(id -u)" -ne 0 ] || [ ! -c /dev/net/tun ]; then
    echo "meter_bench: needs root and /dev/net/tun to make dial-up links; skipped."
    exit 0
fi
for program in Dialtoll minimal_timer notes_latency tun_link; do
    if [ ! -x "$bin/$program" ]; then
        echo "meter_bench: $bin/$program is missing; build the targets" \
            "Dialtoll minimal_timer notes_latency tun_link first." >&2
        exit 1
    fi
done
for iface in /sys/class/net/ppp*; do
    if [ -e "$iface" ]; then
        echo "meter_bench: ${iface##*/} exists already; the off-line figures need no ppp link." >&2
        exit 1
    fi
done

work=$(mktemp -d)
meter_pid='' minimal_pid='' link_pid=''
stop() {
    local pid
    for pid in $link_pid $meter_pid $minimal_pid ${trayer_pid:-} ${wm_pid:-} ${xvfb_pid:-}; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in $link_pid $meter_pid $minimal_pid ${trayer_pid:-} ${wm_pid:-} ${xvfb_pid:-}; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT TERM

unset DIALTOLL_DIALUP_IFACES
export DIALTOLL_HOME=$work/data XDG_CONFIG_HOME=$work/config
# The meter is measured as it runs for its users: hidden, with only its tray icon. That needs
# an X display with a tray host; without them it runs offscreen, where it has no tray and
# shows (and paints) its main window instead.
desktop=offscreen
if command -v Xvfb >/dev/null && command -v trayer >/dev/null; then
    exec 3<>"$work/displayfd"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
        display=$(head -n 1 "$work/displayfd" 2>/dev/null)
        [ -n "$display" ] && break
        sleep 0.1
    done
    if [ -n "${display:-}" ]; then
        export DISPLAY=:$display
        unset QT_QPA_PLATFORM WAYLAND_DISPLAY
        desktop="Xvfb with the trayer tray host"
        # With the dialog watch, a window manager as users have: it keeps the client list the
        # watch follows.
        if [ "$multiuser" = 1 ] && command -v openbox >/dev/null; then
            openbox --sm-disable >/dev/null 2>&1 &
            wm_pid=$!
            desktop="Xvfb with openbox and the trayer tray host"
            sleep 0.5
        fi
        trayer --edge top --align right --widthtype pixel --width 120 --height 24 \
            >/dev/null 2>&1 &
        trayer_pid=$!
        sleep 1
    fi
fi
[ "$desktop" = offscreen ] && export QT_QPA_PLATFORM=offscreen
echo "desktop: $desktop"
if [ "$multiuser" = 1 ]; then
    if [ "$desktop" = offscreen ] || ! command -v xdotool >/dev/null ||
        ! command -v sqlcipher >/dev/null; then
        echo "meter_bench: multi-user management needs Xvfb, trayer, xdotool and sqlcipher" \
            "to log on; skipped."
        exit 0
    fi
    echo "multi-user management: on (the dial-up dialog watch runs)"
fi
mkdir -p "$DIALTOLL_HOME" "$XDG_CONFIG_HOME"
database=$DIALTOLL_HOME/veyranettimer.dat
clk_tck=$(getconf CLK_TCK)

now_ns() { date +%s%N; }
# utime + stime in clock ticks; the name field may hold spaces, so count from its ")".
cpu_ticks() {
    local stat rest fields
    stat=$(<"/proc/$1/stat")
    rest=${stat##*) }
    read -ra fields <<<"$rest"
    echo $((fields[11] + fields[12]))
}
# Time on the CPU in ns from /proc/PID/schedstat, far finer than a clock tick; -1 without it.
cpu_ns() {
    local run _
    if read -r run _ <"/proc/$1/schedstat" 2>/dev/null; then echo "$run"; else echo -1; fi
}
# Wake-ups: times any thread of the process was switched onto a CPU (column 3 of each
# /proc/PID/task/TID/schedstat, summed); threads that ended during a window are not counted.
wakeups() {
    local file run wait count total=0
    for file in /proc/"$1"/task/*/schedstat; do
        if read -r run wait count <"$file" 2>/dev/null; then total=$((total + count)); fi
    done
    echo "$total"
}
peak_rss_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"; }
alive() {
    local pid
    for pid in "$@"; do
        kill -0 "$pid" 2>/dev/null || { echo "meter_bench: process $pid ended early" >&2; exit 1; }
    done
}
notes_rows() { "$bin/notes_latency" 0 "$bin/tun_link" "$database"; }
sql() { printf ".timeout 5000\nPRAGMA key='松风明月夜';\n%s\n" "$1" | sqlcipher "$database" | tail -n 1; }

"$bin/Dialtoll" &
meter_pid=$!
"$bin/minimal_timer" &
minimal_pid=$!
for _ in $(seq 100); do
    [ -f "$database" ] && break
    sleep 0.1
done
[ -f "$database" ] || { echo "meter_bench: Dialtoll made no database" >&2; exit 1; }
if [ "$multiuser" = 1 ]; then
    sleep 0.5
    sql "update Masterset set More='1' where User='Master';
insert into Users (ID,User,Password) values (3,'bench','b1');
insert into UserSet (ID,User,ShowMoney,ShowTm) values (3,'bench',0,0);
select More from Masterset;" | grep -qx 1 ||
        { echo "meter_bench: could not switch multi-user management on" >&2; exit 1; }
fi
# Start-up work is not what is measured.
sleep 2
alive "$meter_pid" "$minimal_pid"

# One window over `seconds` of wall time: CPU ticks of the meter and the minimal program, their
# schedstat ns, and the wall time in ns.
measure() {
    local seconds=$1 start end m0 m1 b0 b1 mn0 mn1 bn0 bn1 mw0 mw1 bw0 bw1
    mw0=$(wakeups "$meter_pid") bw0=$(wakeups "$minimal_pid")
    m0=$(cpu_ticks "$meter_pid") b0=$(cpu_ticks "$minimal_pid")
    mn0=$(cpu_ns "$meter_pid") bn0=$(cpu_ns "$minimal_pid")
    start=$(now_ns)
    sleep "$seconds"
    m1=$(cpu_ticks "$meter_pid") b1=$(cpu_ticks "$minimal_pid")
    mn1=$(cpu_ns "$meter_pid") bn1=$(cpu_ns "$minimal_pid")
    mw1=$(wakeups "$meter_pid") bw1=$(wakeups "$minimal_pid")
    end=$(now_ns)
    alive "$meter_pid" "$minimal_pid"
    if [ "$mn0" -lt 0 ] || [ "$bn0" -lt 0 ]; then
        echo "$((m1 - m0)) $((b1 - b0)) -1 -1 $((end - start)) -1 -1"
    else
        echo "$((m1 - m0)) $((b1 - b0)) $((mn1 - mn0)) $((bn1 - bn0)) $((end - start))" \
            "$((mw1 - mw0)) $((bw1 - bw0))"
    fi
}

echo "off line: measuring ${offline_s} s ..."
read -r off_meter off_minimal off_meter_ns off_minimal_ns off_ns off_meter_w off_minimal_w < <(measure "$offline_s")

echo "on line: $online_iface up, measuring ${online_s} s ..."
rows_before=$(notes_rows)
"$bin/tun_link" "$online_iface" "$work/$online_iface.pid" >"$work/link.out" &
link_pid=$!
for _ in $(seq 100); do
    grep -qx ready "$work/link.out" && break
    sleep 0.05
done
grep -qx ready "$work/link.out" || { echo "meter_bench: tun_link did not come up" >&2; exit 1; }
if [ "$multiuser" = 1 ]; then
    # The link waits for a log-on: typed into the login window, as a user would.
    login=''
    for _ in $(seq 100); do
        login=$(xdotool search --onlyvisible --name '^Dialtoll用户登录$' 2>/dev/null | head -n 1 || true)
        [ -n "$login" ] && break
        sleep 0.1
    done
    [ -n "$login" ] || { echo "meter_bench: no login window for $online_iface" >&2; exit 1; }
    sleep 0.5
    xdotool windowfocus "$login" 2>/dev/null || true
    xdotool type --delay 30 bench
    xdotool key Tab
    xdotool type --delay 30 b1
    xdotool key Return
fi
# Let the meter see the link and open its session before the window starts.
sleep 1
rows_after=$(notes_rows)
if [ "$rows_after" -lt $((rows_before + 2)) ]; then
    echo "meter_bench: the meter opened no session for $online_iface" \
        "(Notes rows $rows_before -> $rows_after)" >&2
    exit 1
fi
read -r on_meter on_minimal on_meter_ns on_minimal_ns on_ns on_meter_w on_minimal_w < <(measure "$online_s")
kill -TERM "$link_pid"
wait "$link_pid" || true
link_pid=
sleep 0.5

if [ "$multiuser" = 1 ]; then
    echo "latency: skipped (with multi-user management on every link waits for a log-on)"
    latency_out="summary median_ms=- worst_ms=- missed=- connections=0"
else
    echo "latency: $connections connections ..."
    latency_out=$("$bin/notes_latency" "$connections" "$bin/tun_link" "$database")
    echo "$latency_out"
fi
alive "$meter_pid" "$minimal_pid"
meter_rss=$(peak_rss_kb "$meter_pid")
minimal_rss=$(peak_rss_kb "$minimal_pid")

summary=$(grep '^summary ' <<<"$latency_out")
field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p" <<<"$summary"; }
median_ms=$(field median_ms)
worst_ms=$(field worst_ms)
missed=$(field missed)

awk -v tck="$clk_tck" \
    -v offm="$off_meter" -v offb="$off_minimal" -v offmn="$off_meter_ns" -v offbn="$off_minimal_ns" \
    -v onm="$on_meter" -v onb="$on_minimal" -v onmn="$on_meter_ns" -v onbn="$on_minimal_ns" \
    -v offw="$off_meter_w" -v offbw="$off_minimal_w" -v onw="$on_meter_w" -v onbw="$on_minimal_w" \
    -v offns="$off_ns" -v onns="$on_ns" -v mrss="$meter_rss" -v brss="$minimal_rss" \
    -v median="$median_ms" -v worst="$worst_ms" -v missed="$missed" -v n="$connections" '
function per_min(seconds, ns) { return seconds * 60 / (ns / 1e9) }
function verdict(ok) { return ok ? "met" : "MISSED" }
function row(name, a, b, target, result) {
    printf "%-42s %10s %10s  %-9s %s\n", name, a, b, target, result
}
function ratio_row(name, a, b, limit) {
    if (b > 0)
        row(name, sprintf("%.2f", a / b), "", "<= " limit, verdict(a / b <= limit))
    else
        row(name, "-", "", "<= " limit, "n/a (minimal below resolution)")
}
BEGIN {
    print ""
    row("figure", "Dialtoll", "minimal", "target", "")
    row(sprintf("CPU s/min off line, ticks (%.0f s)", offns / 1e9),
        sprintf("%.3f", per_min(offm / tck, offns)), sprintf("%.3f", per_min(offb / tck, offns)))
    row(sprintf("CPU s/min on line, ticks (%.0f s)", onns / 1e9),
        sprintf("%.3f", per_min(onm / tck, onns)), sprintf("%.3f", per_min(onb / tck, onns)))
    if (offmn >= 0) {
        row("CPU s/min off line, schedstat",
            sprintf("%.4f", per_min(offmn / 1e9, offns)), sprintf("%.4f", per_min(offbn / 1e9, offns)))
        row("CPU s/min on line, schedstat",
            sprintf("%.4f", per_min(onmn / 1e9, onns)), sprintf("%.4f", per_min(onbn / 1e9, onns)))
    }
    ratio_row("CPU off line, Dialtoll / minimal, ticks", offm, offb, 1)
    ratio_row("CPU on line, Dialtoll / minimal, ticks", onm, onb, 1.5)
    if (offmn >= 0) {
        ratio_row("CPU off line, Dialtoll / minimal, schedstat", offmn, offbn, 1)
        ratio_row("CPU on line, Dialtoll / minimal, schedstat", onmn, onbn, 1.5)
    }
    if (offw >= 0) {
        row("wake-ups/s off line", sprintf("%.2f", offw / (offns / 1e9)),
            sprintf("%.2f", offbw / (offns / 1e9)), "< 2", verdict(offw / (offns / 1e9) < 2))
        row("wake-ups/s on line", sprintf("%.2f", onw / (onns / 1e9)),
            sprintf("%.2f", onbw / (onns / 1e9)))
    }
    row("peak RSS (VmHWM), MB", sprintf("%.1f", mrss / 1024), sprintf("%.1f", brss / 1024),
        "< 80 MB", verdict(mrss / 1024 < 80))
    if (missed == "-") {
        row("Notes latency", "n/a", "", "", "(multi-user management on)")
    } else {
        row("Notes latency median, ms", median, "", "<= 30 ms",
            verdict(median != "-" && median + 0 <= 30))
        row("Notes latency worst, ms", worst, "", "<= 60 ms",
            verdict(missed == 0 && worst != "-" && worst + 0 <= 60))
        row("connections missed", missed " of " n, "", "0", verdict(missed == 0))
    }
    printf "\nticks: utime+stime from /proc/PID/stat; one tick is %.0f ms, so a tick figure is good to\n", 1000 / tck
    printf "about %.3f s/min over the on-line window. schedstat: time on the CPU in ns from\n", per_min(1 / tck, onns)
    printf "/proc/PID/schedstat, the finer of the two. Wake-ups: switches onto a CPU of all the\n"
    printf "process'"'"'s threads (schedstat column 3). Latency: Notes read every 2 ms (see above).\n"
}'
