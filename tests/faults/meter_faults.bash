# Helpers of the meter's fault scripts (online_kills.sh, concurrency.sh, signals.sh): a private
# data folder, the real Dialtoll offscreen, TUN links that it counts as dial-up links, and the
# checks every store must pass. Sourced, not run.

# Skips the whole script (exit 0, "SKIPPED:" for CTest) where links cannot be made.
need_links() {
    local why=''
    [ "$(id -u)" -eq 0 ] || why='needs root to make TUN links'
    [ -c /dev/net/tun ] || why='no /dev/net/tun'
    command -v sqlcipher >/dev/null || why='no sqlcipher shell'
    for program in Dialtoll tun_link; do
        [ -x "$bin/$program" ] || why="$bin/$program is missing"
    done
    if [ -n "$why" ]; then
        echo "SKIPPED: $name: $why"
        exit 0
    fi
}

# Sets up the work folder, environment and clean-up. Call once, after `name` and `bin` are set.
setup_work() {
    work=$(mktemp -d "/tmp/dialtoll-faults-$name.XXXXXX")
    export DIALTOLL_HOME=$work/data XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen
    export XDG_RUNTIME_DIR=$work/runtime
    mkdir -p "$DIALTOLL_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    database=$DIALTOLL_HOME/veyranettimer.dat
    journal=$DIALTOLL_HOME/veyranettimer.journal
    # A link name of this run only, so parallel runs and real ppp links do not meet.
    iface=dt${name:0:1}$(($$ % 10000))
    export DIALTOLL_DIALUP_IFACES=$iface
    meter_pid='' link_pid='' lock_pid=''
    trap cleanup EXIT
    trap 'exit 130' INT TERM
}

cleanup() {
    local pid
    exec 8>&- 2>/dev/null || true
    for pid in $link_pid $meter_pid $lock_pid ${extra_pids:-}; do
        kill -KILL "$pid" 2>/dev/null || true
    done
    for pid in $link_pid $meter_pid $lock_pid ${extra_pids:-}; do
        wait "$pid" 2>/dev/null || true
    done
    if [ "${keep_work:-0}" = 1 ]; then
        echo "work folder kept: $work"
    else
        rm -rf "$work"
    fi
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

fail() {
    echo "FAIL: $name: $*"
    keep_work=1
    exit 1
}

# Runs statements on the store with the database password; output only, one value a line.
query() {
    printf "PRAGMA key='松风明月夜';\n.timeout 10000\n%s\n" "$1" | sqlcipher -batch "$database"
}

# Starts Dialtoll; its standard error goes to $work/meter.err (appended).
start_meter() {
    "$bin/Dialtoll" 2>>"$work/meter.err" &
    meter_pid=$!
}

# Waits until the meter has the store open and its timers run. Fails after 20 s.
wait_meter_ready() {
    local waited=0
    until ls -l "/proc/$meter_pid/fd" 2>/dev/null | grep -q 'veyranettimer\.dat$'; do
        kill -0 "$meter_pid" 2>/dev/null || fail "Dialtoll ended during start-up: $(tail -n 3 "$work/meter.err")"
        sleep 0.05
        waited=$((waited + 1))
        [ "$waited" -lt 400 ] || fail "Dialtoll did not open the store within 20 s"
    done
    # Opening the store is followed by the context load and the timers' start.
    sleep 0.3
}

# Sends a signal and waits for the meter to end; prints the milliseconds it took. Fails
# when it takes over `limit` ms (default 10000).
stop_meter() {
    local signal=$1 limit=${2:-10000} start status
    start=$(now_ms)
    kill "-$signal" "$meter_pid"
    while kill -0 "$meter_pid" 2>/dev/null; do
        if [ $(($(now_ms) - start)) -gt "$limit" ]; then
            fail "Dialtoll still runs $limit ms after SIG$signal"
        fi
        sleep 0.02
    done
    status=0
    wait "$meter_pid" || status=$?
    meter_pid=''
    stopped_ms=$(($(now_ms) - start))
    stopped_status=$status
}

# Brings the link up; link_up_ms is when it was up.
link_up() {
    rm -f "$work/link.out"
    "$bin/tun_link" "$iface" "$work/$iface.pid" >"$work/link.out" 2>>"$work/link.err" &
    link_pid=$!
    local waited=0
    until grep -qx ready "$work/link.out" 2>/dev/null; do
        kill -0 "$link_pid" 2>/dev/null || fail "tun_link failed: $(cat "$work/link.err")"
        sleep 0.01
        waited=$((waited + 1))
        [ "$waited" -lt 1000 ] || fail "tun_link did not come up"
    done
    link_up_ms=$(now_ms)
}

link_down() {
    [ -n "$link_pid" ] || return 0
    kill -TERM "$link_pid"
    wait "$link_pid" || fail "tun_link did not end cleanly"
    link_pid=''
}

# Another program takes the store's write lock and keeps it until release_lock.
hold_lock() {
    rm -f "$work/lock.in" "$work/lock.out"
    mkfifo "$work/lock.in"
    sqlcipher -batch "$database" <"$work/lock.in" >"$work/lock.out" 2>&1 &
    lock_pid=$!
    exec 8>"$work/lock.in"
    printf "PRAGMA key='松风明月夜';\nbegin exclusive;\nselect 'locked';\n" >&8
    local waited=0
    until grep -qx locked "$work/lock.out" 2>/dev/null; do
        kill -0 "$lock_pid" 2>/dev/null || fail "the lock holder ended: $(cat "$work/lock.out")"
        sleep 0.02
        waited=$((waited + 1))
        [ "$waited" -lt 500 ] || fail "the lock holder did not get the lock"
    done
}

release_lock() {
    printf "rollback;\n.quit\n" >&8
    exec 8>&-
    wait "$lock_pid" || fail "the lock holder failed: $(cat "$work/lock.out")"
    lock_pid=''
}

# Lines the meter said on standard error about saves that did not reach the store.
kept_saves() { grep -c 'Dialtoll: save kept for later' "$work/meter.err" || true; }

# The checks every store must pass at any moment. Sets the counters corrupt, torn, resets
# and carried_off (added up over calls) and fails at once on any of them.
#   - integrity_check says ok;
#   - every Notes row has its start, end and totals (no half-written or empty record);
#   - each account row is followed by its Master row, and the two agree on ThisTm;
#   - each record's AllTm is the previous record's AllTm plus its ThisTm (within rounding; a
#     reset shows as a total below the previous one). Only rows after $meter_rows_from (a rowid,
#     default 0) are held to it: rows made by other means need not carry totals.
check_store() {
    local out integrity incomplete unpaired reset drift
    out=$(query "PRAGMA integrity_check;
select count(*) from Notes where FromD is null or FromD='' or FromT is null or FromT='' or
    ToD is null or ToD='' or ToT is null or ToT='' or AllTm is null or AllMoney is null or
    ThisTm is null;
select count(*) from Notes u where u.User<>'Master' and not exists (select 1 from Notes m
    where m.rowid=u.rowid+1 and m.User='Master' and m.ThisTm=u.ThisTm);
select count(*) from Notes a join Notes b on b.User=a.User and b.Count=a.Count-1
    where a.rowid > ${meter_rows_from:-0} and a.AllTm < b.AllTm;
select count(*) from Notes a join Notes b on b.User=a.User and b.Count=a.Count-1
    where a.rowid > ${meter_rows_from:-0} and
    abs(a.AllTm-b.AllTm-a.ThisTm) > (case when a.User='Master' then 2 else 1 end);")
    { read -r integrity; read -r incomplete; read -r unpaired; read -r reset; read -r drift; } <<<"$out"
    [ "$integrity" = ok ] || { corrupt=$((corrupt + 1)); fail "integrity_check: $out"; }
    [ "$incomplete" = 0 ] || { torn=$((torn + 1)); fail "$incomplete half-written or empty Notes rows"; }
    [ "$unpaired" = 0 ] || { torn=$((torn + 1)); fail "$unpaired account rows without a matching Master row"; }
    [ "$reset" = 0 ] || { resets=$((resets + 1)); fail "$reset records whose total fell below the previous one"; }
    [ "$drift" = 0 ] || { carried_off=$((carried_off + 1)); fail "$drift records whose total does not continue the previous one"; }
}

# Sets the auto-save interval (seconds) before the next start.
set_autosave_interval() {
    query "update Masterset set AutoSave='1', Space=$1 where User='Master';" >/dev/null
}

# Creates the store with a first start and a shutdown.
create_store() {
    start_meter
    wait_meter_ready
    stop_meter TERM
    [ "$stopped_status" = 0 ] || fail "the first start ended with status $stopped_status"
    [ -f "$database" ] || fail "no store made"
}
