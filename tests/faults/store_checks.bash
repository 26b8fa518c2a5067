# Shared by the fault scripts: the sqlcipher checks of a database file and small helpers.
# Sourced, not run.

db_key="松风明月夜"

# Runs SQL on a database file with the database password; prints the rows, "|" between fields.
db_query() {
    printf "PRAGMA key='%s';\n%s\n" "$db_key" "$2" | sqlcipher -batch "$1" 2>&1
}

# The five tables with their columns in order, as creation makes them.
expected_schema() {
    cat <<'SCHEMA'
Users:ID integer,User TEXT(12),Password TEXT(8),RegDate TEXT(14)
Notes:ID integer,User TEXT(12),FromD TEXT(10),ToD TEXT(10),FromT TEXT(8),ToT TEXT(8),Count integer,ThisMoney MONEY,AllMoney MONEY,ThisTm integer,AllTm integer
CountDown:ID integer,User TEXT(12),Title TEXT(28),ToDate TEXT(23),LastTm TEXT(2),ToTm MONEY
Masterset:ID integer,User TEXT(12),More TEXT(1),Screen TEXT(1),Mouse TEXT(1),AutoSave TEXT(1),AutoRun TEXT(1),UsePass TEXT(1),Space MONEY,Password TEXT(8)
UserSet:ID integer,User TEXT(12),Jack TEXT(1),ShowTm Integer,ShowMoney MONEY,Ask TEXT(1),LenTm MONEY,Title TEXT(28),ToDate TEXT(23)
SCHEMA
}

# The tables and columns the file holds, in the form of expected_schema.
actual_schema() {
    local tables table
    tables=$(db_query "$1" "select name from sqlite_master where type='table' order by rowid;") ||
        return 1
    for table in $tables; do
        printf '%s:' "$table"
        db_query "$1" "PRAGMA table_info($table);" | awk -F'|' '{printf "%s%s %s", (NR>1?",":""), $2, $3} END {print ""}'
    done
}

# The creation rows: which accounts each table holds, and how many sessions.
expected_rows() {
    printf '%s\n' "Users:Master,公用帐号" "CountDown:Master,公用帐号" "Masterset:Master" \
        "UserSet:公用帐号" "Notes:0"
}
actual_rows() {
    local table
    for table in Users CountDown Masterset UserSet; do
        printf '%s:%s\n' "$table" \
            "$(db_query "$1" "select User from $table order by rowid;" | paste -sd, -)"
    done
    printf 'Notes:%s\n' "$(db_query "$1" "select count(*) from Notes;")"
}

# "absent", "complete", or what is wrong with the file.
store_state() {
    local db=$1 schema rows
    if [ ! -e "$db" ]; then
        echo absent
        return
    fi
    schema=$(actual_schema "$db" 2>&1) || true
    if [ "$schema" != "$(expected_schema)" ]; then
        echo "schema differs: $(printf '%s' "$schema" | tr '\n' ';' | cut -c1-300)"
        return
    fi
    rows=$(actual_rows "$db" 2>&1) || true
    if [ "$rows" != "$(expected_rows)" ]; then
        echo "rows differ: $(printf '%s' "$rows" | tr '\n' ';')"
        return
    fi
    echo complete
}

# Waits up to $2 tenths of a second for process $1 to end; 0 when it did.
wait_gone() {
    local pid=$1 tenths=$2 _
    for _ in $(seq "$tenths"); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    ! kill -0 "$pid" 2>/dev/null
}

# Whether this machine can make TUN links (root and /dev/net/tun).
can_make_links() {
    [ "$(id -u)" -eq 0 ] && [ -c /dev/net/tun ]
}
