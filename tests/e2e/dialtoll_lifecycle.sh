#!/usr/bin/env bash
# Starts the real Dialtoll offscreen in an empty data folder: it must create the encrypted
# database, keep a second copy out, and on SIGTERM write Setting.ini and the autostart entry.
set -euo pipefail
bin=${1:?folder of the programs}
work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
export DIALTOLL_HOME=$work/data XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen
mkdir -p "$DIALTOLL_HOME"
fail() { echo "FAIL: $*"; exit 1; }

"$bin/Dialtoll" &
pid=$!
for _ in $(seq 100); do
    [ -f "$DIALTOLL_HOME/veyranettimer.dat" ] && break
    sleep 0.1
done
[ -f "$DIALTOLL_HOME/veyranettimer.dat" ] || fail "no database created"
sleep 0.5
kill -0 "$pid" || fail "Dialtoll ended by itself"

# A second copy ends at once with status 0 and leaves the first running.
start=$(date +%s%N)
"$bin/Dialtoll" || fail "second copy exited with $?"
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
[ "$elapsed_ms" -lt 5000 ] || fail "second copy took ${elapsed_ms} ms"
kill -0 "$pid" || fail "first copy ended when the second started"

# Only the database password opens the file. The shell waits, as our programs do, while
# Dialtoll still writes the new database (slow in the sanitizer build).
query() {
    printf ".timeout 5000\nPRAGMA key='松风明月夜';\n%s\n" "$1" |
        sqlcipher "$DIALTOLL_HOME/veyranettimer.dat"
}
if command -v sqlcipher >/dev/null; then
    [ "$(query 'select count(*) from Users;' | tail -n 1)" = 2 ] || fail "Users rows"
    [ "$(query 'select AutoRun from Masterset;' | tail -n 1)" = 1 ] || fail "Masterset row"
fi
if command -v sqlite3 >/dev/null; then
    if sqlite3 "$DIALTOLL_HOME/veyranettimer.dat" 'select count(*) from sqlite_master;' 2>/dev/null; then
        fail "plain sqlite3 read the database"
    fi
fi

kill -TERM "$pid"
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then fail "Dialtoll still runs after SIGTERM"; fi
wait "$pid" || fail "Dialtoll exited with $? after SIGTERM"
pid=

grep -qx 'Value=5' "$DIALTOLL_HOME/Setting.ini" || fail "Setting.ini Value: $(cat "$DIALTOLL_HOME/Setting.ini")"
grep -qx 'Custom=120' "$DIALTOLL_HOME/Setting.ini" || fail "Setting.ini Custom"
entry=$XDG_CONFIG_HOME/autostart/VeyranetTimer.desktop
[ -f "$entry" ] || fail "no autostart entry"
grep -q "^Exec=.*Dialtoll" "$entry" || fail "autostart Exec: $(cat "$entry")"
echo "Dialtoll lifecycle: ok"
