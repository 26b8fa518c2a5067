#!/usr/bin/env bash
# Bad files for each program, started offscreen: a database file of garbage, of plain SQLite,
# encrypted with another key, of zero bytes, cut in half, or good but in a read-only folder;
# INI files of binary garbage, with a stray byte, of 100,000 lines or with a 10 MB line.
# No program may crash or hang, no good file may change (checksums before and after), and each
# fault that keeps a program from its work is said clearly (standard error: the meter's own
# notices, and the message boxes, which offscreen are echoed there).
#
#   bad_files.sh <folder of the programs> [<rounds>]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/store_checks.bash"
bin=${1:?folder of the programs}
rounds=${2:-1}

work=$(mktemp -d)
pid=''
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/config
# No link may count as dial-up here (other tests on this machine bring up ppp links): a name
# longer than any interface's.
export DIALTOLL_DIALUP_IFACES=dialtoll-no-link-at-all

cases=0 failures=0 crashes=0 hangs=0 slowest_ms=0
fail() {
    echo "FAIL $program, $case: $*"
    failures=$((failures + 1))
}

# A good store with one session, made by Dialtoll itself.
template=$work/template
mkdir -p "$template"
DIALTOLL_HOME=$template "$bin/Dialtoll" >"$work/template.err" 2>&1 &
pid=$!
for _ in $(seq 100); do
    [ "$(store_state "$template/veyranettimer.dat")" = complete ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -TERM "$pid" 2>/dev/null
code=0
wait "$pid" || code=$?
pid=''
state=$(store_state "$template/veyranettimer.dat")
if [ "$state" != complete ]; then
    echo "bad_files: Dialtoll made no good store to start from (status $code, the store" \
        "$state): $(ls -a "$template") $(cat "$work/template.err")"
    exit 1
fi
db_query "$template/veyranettimer.dat" "insert into Notes (User,FromD,ToD,FromT,ToT,Count,
    ThisMoney,ThisTm) values ('公用帐号','20260302','20260302','10:00:00','10:01:00',1,0.5,60);" \
    >/dev/null
rm -f "$template"/*.lock "$template"/Setting.ini

# The files that must not change: all but the lock, WAL's index and Setting.ini, which the
# meter writes at every shutdown.
checksums() { (cd "$1" && find . -type f ! -name '*.lock' ! -name '*-shm' ! -name Setting.ini \
    -print0 | sort -z | xargs -0 -r sha256sum); }

# Fills folder $1 with the database case $2.
make_store() {
    local folder=$1 db=$1/veyranettimer.dat
    case $2 in
    garbage) head -c 65536 /dev/urandom >"$db" ;;
    "plain SQLite") sqlite3 "$db" "create table Users (User text); insert into Users values ('Master');" ;;
    "another key") printf "PRAGMA key='another key';\ncreate table Users (User text);\n" | sqlcipher "$db" >/dev/null ;;
    "zero bytes") : >"$db" ;;
    "cut in half")
        cp "$template/veyranettimer.dat" "$db"
        truncate -s $(($(stat -c %s "$db") / 2)) "$db"
        ;;
    "read-only folder")
        cp "$template/veyranettimer.dat" "$db"
        chmod 555 "$folder"
        ;;
    esac
}

# Fills folder $1 with a good store and both INI files of case $2.
make_ini() {
    local folder=$1 file
    cp "$template/veyranettimer.dat" "$folder/"
    for file in veyranettimer.ini Setting.ini; do
        case $2 in
        "binary garbage") head -c 65536 /dev/urandom >"$folder/$file" ;;
        "a stray byte") printf '[时间设置]\nValue1=36\nJunk=\xff\xfe\nValue2=36\n[时间]\nValue=3\n' >"$folder/$file" ;;
        "100,000 lines") awk 'BEGIN {print "[时间设置]"; for (i = 0; i < 100000; i++) print "Key" i "=" i}' >"$folder/$file" ;;
        "a 10 MB line") { echo '[时间设置]'; printf 'Value1='; head -c 10485760 /dev/zero | tr '\0' 7; echo; } >"$folder/$file" ;;
        esac
    done
}

# Runs $program in folder $1 offscreen: waits until standard error holds $2 (or 1.5 s after
# start-up when nothing is awaited), or the program ends by itself; then asks it to end.
# Sets $status ("exit N", "crash N" or "hang") and $stderr_file.
run_program() {
    local folder=$1 awaited=$2 prefix=() start elapsed_ms ended=no
    stderr_file=$work/stderr
    [ "$case" = "read-only folder" ] && prefix=(setpriv --bounding-set=-dac_override,-dac_read_search,-fowner)
    DIALTOLL_HOME=$folder "${prefix[@]}" "$bin/$program" >"$stderr_file" 2>&1 &
    pid=$!
    # A loaded machine may take seconds to start a program: the wait counts from the moment
    # the meter holds its lock (its signal handlers are in place by then).
    local tenth ready=''
    for tenth in $(seq 200); do
        if ! kill -0 "$pid" 2>/dev/null; then
            ended=yes
            break
        fi
        if [ -n "$awaited" ]; then
            grep -qF -- "$awaited" "$stderr_file" && break
        else
            if [ -z "$ready" ] && { [ "$program" != Dialtoll ] || [ -e "$folder/Dialtoll.lock" ]; }; then
                ready=$tenth
            fi
            [ -n "$ready" ] && [ "$tenth" -ge $((ready + 15)) ] && break
        fi
        sleep 0.1
    done
    if [ $ended = no ]; then
        start=$(date +%s%N)
        kill -TERM "$pid" 2>/dev/null || true
        if ! wait_gone "$pid" 100; then
            status=hang
            hangs=$((hangs + 1))
            kill -KILL "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
            pid=''
            return
        fi
        elapsed_ms=$((($(date +%s%N) - start) / 1000000))
        [ "$elapsed_ms" -gt "$slowest_ms" ] && slowest_ms=$elapsed_ms
    fi
    local code=0
    wait "$pid" || code=$?
    pid=''
    case $code in
    132 | 133 | 134 | 135 | 136 | 139)
        status="crash $code"
        crashes=$((crashes + 1))
        ;;
    *) status="exit $code" ;;
    esac
}

# Checks one run: $1 = what standard error must hold ("" for no message), $2 = whether the
# good files must stay as they were, $3 = the status expected ("" for any that is no crash).
check() {
    local said=$1 unchanged=$2 expected=$3
    case $status in
    hang | crash*) fail "$status" ;;
    esac
    if [ -n "$expected" ] && [ "$status" != "$expected" ]; then
        fail "$status, expected $expected: $(head -c 300 "$stderr_file")"
    fi
    if [ -n "$said" ] && ! grep -qF -- "$said" "$stderr_file"; then
        fail "no message with \"$said\": $(head -c 300 "$stderr_file")"
    fi
    # Qt's own notes (no tray offscreen, no runtime folder) are no messages of ours.
    if [ -z "$said" ] && grep -qE '数据库|无法|不记录|错误' "$stderr_file"; then
        fail "an unexpected message: $(head -c 300 "$stderr_file")"
    fi
    if [ "$unchanged" = yes ] && [ "$(checksums "$folder")" != "$before" ]; then
        fail "a file changed"
    fi
}

store_cases=("garbage" "plain SQLite" "another key" "zero bytes" "cut in half" "read-only folder")
ini_cases=("binary garbage" "a stray byte" "100,000 lines" "a 10 MB line")

for round in $(seq "$rounds"); do
    for program in Dialtoll Statdesk Enroldesk; do
        for case in "${store_cases[@]}"; do
            cases=$((cases + 1))
            folder=$work/case
            chmod -R u+w "$work/case" 2>/dev/null || true
            rm -rf "$folder"
            mkdir -p "$folder"
            make_store "$folder" "$case"
            db=$folder/veyranettimer.dat
            before=$(checksums "$folder")
            case "$program/$case" in
            "Dialtoll/zero bytes")
                # Nothing in it: the file is made whole and the meter records.
                run_program "$folder" ""
                check "" no "exit 0"
                [ "$(store_state "$db")" = complete ] || fail "not completed: $(store_state "$db")"
                ;;
            "Dialtoll/read-only folder")
                run_program "$folder" "$folder"
                check "数据文件夹 $folder 无法使用" yes "exit 1"
                ;;
            Dialtoll/*)
                run_program "$folder" "$db"
                check "现在不记录上网时间" yes "exit 0"
                grep -qF "数据库文件 $db" "$stderr_file" || fail "the file is not named"
                ;;
            "Statdesk/read-only folder")
                run_program "$folder" ""
                check "" yes ""
                ;;
            "Statdesk/zero bytes")
                run_program "$folder" "不完整"
                check "数据库文件 $db 不完整" no ""
                ;;
            Statdesk/*)
                run_program "$folder" "详细信息"
                check "数据库文件 $db" yes ""
                ;;
            Enroldesk/*)
                # It opens the file only for a button press; its messages are tested there.
                run_program "$folder" ""
                check "" yes ""
                ;;
            esac
        done
    done
    program=Dialtoll
    for case in "${ini_cases[@]}"; do
        cases=$((cases + 1))
        folder=$work/case
        rm -rf "$folder"
        mkdir -p "$folder"
        make_ini "$folder" "$case"
        ini_before=$(sha256sum <"$folder/veyranettimer.ini")
        db_before=$(sha256sum <"$folder/veyranettimer.dat")
        before=$(checksums "$folder")
        run_program "$folder" ""
        check "" no "exit 0"
        [ "$(sha256sum <"$folder/veyranettimer.ini")" = "$ini_before" ] ||
            fail "veyranettimer.ini changed"
        [ "$(sha256sum <"$folder/veyranettimer.dat")" = "$db_before" ] ||
            fail "the database changed"
        grep -aq '^Value=' "$folder/Setting.ini" || fail "Setting.ini was not written"
    done
done

echo "bad_files: $rounds round(s), $cases cases (${#store_cases[@]} database files ×" \
    "3 programs, ${#ini_cases[@]} INI files for Dialtoll, per round); crashes: $crashes," \
    "hangs: $hangs, slowest end on SIGTERM: ${slowest_ms} ms; failures: $failures"
[ "$failures" -eq 0 ]
