# Sourced by scripts that need a PostgreSQL server: a temporary cluster reached only through a
# Unix socket in its own folder. The caller defines $work (a temporary folder) and fail.
# As root the server runs as the postgres user, since initdb refuses root.

pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)

pg_as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

# start_pg_cluster: makes $work/pg (data in $work/pg/data, socket in $work/pg) and starts it.
# Sets pg_socket_dir and pg_port.
start_pg_cluster() {
    [ -n "$pg_bin" ] && [ -x "$pg_bin/initdb" ] || fail "PostgreSQL server programs missing"
    pg_socket_dir=$work/pg
    pg_port=$((20000 + RANDOM % 20000))
    mkdir -p "$pg_socket_dir"
    chmod 755 "$work"
    if [ "$(id -u)" -eq 0 ]; then chown postgres "$pg_socket_dir"; fi
    pg_as_owner "$pg_bin/initdb" -D "$pg_socket_dir/data" -A trust -U postgres --no-sync \
        >"$work/initdb.log" 2>&1 || fail "initdb failed: $(tail -n 5 "$work/initdb.log")"
    pg_start
}

pg_start() {
    pg_as_owner "$pg_bin/pg_ctl" -D "$pg_socket_dir/data" -w -l "$pg_socket_dir/server.log" \
        -o "-c listen_addresses='' -c unix_socket_directories=$pg_socket_dir -p $pg_port -c fsync=off" \
        start >/dev/null || fail "PostgreSQL did not start: $(tail -n 5 "$pg_socket_dir/server.log")"
}

# pg_stop [mode]: fast by default; "immediate" is a crash.
pg_stop() {
    pg_as_owner "$pg_bin/pg_ctl" -D "$pg_socket_dir/data" -m "${1:-fast}" -w stop >/dev/null 2>&1
}

# pg_conninfo ROLE [DBNAME]
pg_conninfo() {
    echo "host=$pg_socket_dir port=$pg_port user=$1 dbname=${2:-postgres}"
}

# pg_sql SQL: runs as the superuser, prints unaligned rows.
pg_sql() {
    psql -X -q -At -v ON_ERROR_STOP=1 "$(pg_conninfo postgres)" -c "$1"
}
