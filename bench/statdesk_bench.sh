#!/usr/bin/env bash
# Statdesk's query over a large file against the sqlcipher shell reading the same rows, and
# Statdesk's export and charts of that listing against its own query.
#
#   bench/statdesk_bench.sh [<build folder>]      (default /work/main/build; builds nothing)
#
# Fills a fresh database with 100,000 finished sessions over 20 accounts and ten years
# (fill_sessions), then in one run: Statdesk started with DIALTOLL_BENCH_QUERY=1 presses 查看
# for "所有人" over the whole range of its date lists and reports the time to the painted grid,
# then the time to export that listing to a CSV file, to show the chart per month (按月, then
# 图表) and to switch the open chart to per day, and its peak RSS; the sqlcipher shell runs the
# same select on the same file (cast(FromD as integer) stands in for val(), which only the
# programs register; both read the 8-digit date texts alike).
# Environment: DIALTOLL_BENCH_SESSIONS (default 100000), DIALTOLL_BENCH_ACCOUNTS (default 20).
set -euo pipefail

build=${1:-/work/main/build}
bin=$build/bin
sessions=${DIALTOLL_BENCH_SESSIONS:-100000}
accounts=${DIALTOLL_BENCH_ACCOUNTS:-20}

for program in Statdesk fill_sessions; do
    if [ ! -x "$bin/$program" ]; then
        echo "statdesk_bench: $bin/$program is missing; build the targets Statdesk fill_sessions." >&2
        exit 1
    fi
done
if ! command -v sqlcipher >/dev/null; then
    echo "statdesk_bench: the sqlcipher shell is missing (Debian package sqlcipher)." >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
database=$work/veyranettimer.dat
ms() { echo $(( ($2 - $1) / 1000000 )); }

"$bin/fill_sessions" "$database" "$sessions" "$accounts" 20160101 20251231 >/dev/null

# Statdesk: its own figures on standard error; the rest of its output is Qt's chatter.
DIALTOLL_HOME=$work DIALTOLL_BENCH_QUERY=1 QT_QPA_PLATFORM=offscreen \
    "$bin/Statdesk" >/dev/null 2>"$work/statdesk.txt" || {
    echo "statdesk_bench: Statdesk failed:" >&2
    cat "$work/statdesk.txt" >&2
    exit 1
}
figure() { sed -n "s/^$1 //p" "$work/statdesk.txt"; }
grid_rows=$(figure statdesk_query_rows)
grid_ms=$(figure statdesk_query_ms)
peak_kb=$(figure statdesk_vmhwm | tr -dc 0-9)
export_ms=$(figure statdesk_export_ms)
export_bytes=$(figure statdesk_export_bytes)
month_ms=$(figure statdesk_chart_month_ms)
month_points=$(figure statdesk_chart_month_points)
day_ms=$(figure statdesk_chart_day_ms)
day_points=$(figure statdesk_chart_day_points)

# The same select in the shell: once in full, once only opening the file with the key.
last=$(( $(date +%Y) + 10 ))1231
select="select rowid,* from Notes where ToD>'' and cast(FromD as integer)>=20000101 and cast(FromD as integer) <= $last and User<>'Master';"
t0=$(date +%s%N)
printf "PRAGMA key='松风明月夜';\n%s\n" "$select" | sqlcipher "$database" >"$work/rows.txt"
t1=$(date +%s%N)
printf "PRAGMA key='松风明月夜';\nselect count(*) from sqlite_master;\n" |
    sqlcipher "$database" >/dev/null
t2=$(date +%s%N)
shell_ms=$(ms "$t0" "$t1")
open_ms=$(ms "$t1" "$t2")
shell_rows=$(grep -c '|' "$work/rows.txt" || true)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
echo "sessions in the file:           $sessions over $accounts accounts (and the Master ledger rows)"
echo "Statdesk 查看 to filled grid:    $grid_ms ms ($grid_rows rows)"
echo "sqlcipher shell, same select:   $shell_ms ms ($shell_rows rows; opening alone $open_ms ms)"
echo "ratio Statdesk / shell:         $(ratio "$grid_ms" "$shell_ms") (target <= 3)"
echo "ratio without the shell's open: $(ratio "$grid_ms" $(( shell_ms - open_ms )))"
echo "export of the listing to CSV:   $export_ms ms ($(( export_bytes / 1024 )) KiB);" \
    "ratio to the query $(ratio "$export_ms" "$grid_ms") (target <= 3)"
echo "chart per month (按月, 图表):    $month_ms ms ($month_points points);" \
    "ratio to the query $(ratio "$month_ms" "$grid_ms") (target <= 3)"
echo "chart switched to per day:      $day_ms ms ($day_points points)"
echo "Statdesk peak RSS (VmHWM):      $(( peak_kb / 1024 )) MB ($peak_kb kB; target < 150 MB)"
if [ "$grid_rows" != "$shell_rows" ]; then
    echo "statdesk_bench: Statdesk listed $grid_rows rows, the shell $shell_rows." >&2
    exit 1
fi
