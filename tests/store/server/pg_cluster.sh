#!/usr/bin/env bash
# A private PostgreSQL cluster for the tests, in a temporary folder of its own, reached only through a Unix socket
# in that folder (no TCP).
#   pg_cluster.sh start STATE    initdb and start; STATE (a folder, made afresh) then holds "cluster" (the
#                                cluster's folder), "conninfo" (a libpq connection string to its database
#                                "postgres" as the superuser "rs5") and "pid" (the server's process id)
#   pg_cluster.sh kill STATE     kill -9 of the server and its sessions, as a crash of the machine leaves it:
#                                no shutdown, no session ending cleanly; "restart" brings it back
#   pg_cluster.sh restart STATE  starts the cluster of STATE again, after it stopped or was killed
#   pg_cluster.sh stop STATE     stops the server by its process id and removes the cluster; also every cluster
#                                started in a folder below STATE. Never fails.
# initdb refuses to run as root: then the cluster belongs to the user "nobody" and its programs run as that user.
set -u
action=$1
state=$2
bin=${RS5_PG_BIN:-/usr/lib/postgresql/15/bin}

fail() {
    echo "FAIL: $*" >&2
    [ -f "$state/cluster/log" ] && tail -n 20 "$state/cluster/log" >&2
    exit 1
}
as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u nobody -- "$@"
    else
        "$@"
    fi
}
server_start() {
    local cluster=$1
    # Time-outs short enough that a test never waits long on a server that went away.
    as_owner "$bin/pg_ctl" -D "$cluster/data" -l "$cluster/log" -w -t 30 \
        -o "-c listen_addresses='' -c unix_socket_directories='$cluster' -c fsync=off -c max_connections=40" \
        start > /dev/null || fail "the server did not start in $cluster"
    head -n 1 "$cluster/data/postmaster.pid" > "$state/pid"
}
server_stop() {
    local folder=$1 pid
    [ -f "$folder/pid" ] || return 0
    pid=$(cat "$folder/pid")
    # SIGINT is the server's fast shutdown: its sessions are ended, nothing is waited for.
    kill -INT "$pid" 2> /dev/null
    for _ in $(seq 100); do
        kill -0 "$pid" 2> /dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2> /dev/null
    rm -f "$folder/pid"
}

# The processes whose parent is $1, read from /proc (no procps needed).
children() {
    local stat line fields
    for stat in /proc/[0-9]*/stat; do
        { read -r line < "$stat"; } 2> /dev/null || continue
        # "pid (name) state ppid ...": the name may hold spaces, so the fields count from its last ')'.
        read -r -a fields <<< "${line##*) }"
        [ "${fields[1]}" = "$1" ] && echo "${line%% *}"
    done
}

case $action in
start)
    [ -x "$bin/initdb" ] || fail "no PostgreSQL in $bin (Debian package postgresql)"
    rm -rf "$state"
    mkdir -p "$state"
    cluster=$(mktemp -d "${TMPDIR:-/tmp}/rs5-pg.XXXXXX") || fail "no temporary folder"
    echo "$cluster" > "$state/cluster-path"
    ln -s "$cluster" "$state/cluster"
    [ "$(id -u)" -eq 0 ] && chown nobody "$cluster"
    chmod 700 "$cluster"
    as_owner "$bin/initdb" -D "$cluster/data" -U rs5 -A trust -E UTF8 --locale=C.UTF-8 > "$cluster/initdb.log" 2>&1 ||
        { cat "$cluster/initdb.log" >&2; fail "initdb failed"; }
    server_start "$cluster"
    echo "host=$cluster user=rs5 dbname=postgres" > "$state/conninfo"
    echo "PostgreSQL cluster in $cluster, process $(cat "$state/pid")"
    ;;
kill)
    pid=$(cat "$state/pid") || fail "no server running in $state"
    # The sessions first, found while their parent lives: one outliving its server a moment would still answer.
    sessions=$(children "$pid")
    kill -KILL "$pid" $sessions 2> /dev/null
    rm -f "$state/pid"
    ;;
restart)
    cluster=$(cat "$state/cluster-path") || fail "no cluster in $state"
    rm -f "$state/pid"
    # A killed server's sessions end on their own once they see it gone; until then it will not start again.
    for _ in $(seq 50); do
        if as_owner "$bin/pg_ctl" -D "$cluster/data" status > /dev/null 2>&1; then
            sleep 0.1
            continue
        fi
        server_start "$cluster"
        exit 0
    done
    fail "the server of $cluster is still running"
    ;;
stop)
    [ -d "$state" ] || exit 0
    while IFS= read -r -d '' folder; do
        server_stop "$(dirname "$folder")"
        cluster=$(cat "$folder")
        [ -n "$cluster" ] && [ -d "$cluster" ] && rm -rf "$cluster"
        echo "Stopped the cluster in $cluster"
    done < <(find "$state" -name cluster-path -print0)
    rm -rf "$state"
    exit 0
    ;;
*)
    echo "usage: $0 start|kill|restart|stop STATE" >&2
    exit 2
    ;;
esac
