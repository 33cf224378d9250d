#!/usr/bin/env bash
# rs5 download into a PostgreSQL server that is killed (kill -9 of the server and its sessions) in the middle: the
# download ends within 5 s with a message naming the server and giving libpq's reason; the rows stored before are
# the archive's first records, each once and in order, as many as rs5 said; after a restart a next download with
# --new-only completes the archive, no record twice. The server is a cluster of the test's own below the fixture's folder, so
# that killing it disturbs no other test.
set -uo pipefail
rs5=$1
sim=$2
state=$3
cluster_script=$4
records=200
own="$state/own-download-lost-$$"
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null; done
    bash "$cluster_script" stop "$own" > /dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; cat "$work"/*.err >&2 2> /dev/null; exit 1; }

bash "$cluster_script" start "$own" > /dev/null || fail "cannot start a cluster of the test's own"
psql "$(cat "$own/conninfo")" -q -c "CREATE DATABASE rs5_lost" || fail "cannot make the database"
conninfo="$(cat "$own/conninfo") dbname=rs5_lost"
server="$(cat "$own/cluster-path"):5432/rs5_lost"
cd "$work" || fail "no work folder"
count() { psql "$conninfo" -X -A -t -q -c 'SELECT count(*) FROM "Sys"' 2> /dev/null; }
# Number, grain and moisture of each row in the order of Num, and of each record of the archive.
stored() { psql "$conninfo" -X -A -t -q -c "SELECT \"NN\" || '|' || \"Vid\" || '|' || to_char(\"W\", 'FM990.0')
    FROM \"Sys\" ORDER BY \"Num\" ${1:-}"; }
"$sim" --generate $records --seed 5 --dump-csv | awk -F, '$1 ~ /^[0-9]+$/ {printf "%d|%s|%.1f\n", $1, $3, $4}' \
    > archive || fail "no archive"
[ "$(wc -l < archive)" = $records ] || fail "the archive has $(wc -l < archive) records"

"$sim" --quiet --generate $records --seed 5 --baud 0 > sim.out 2> sim.err &
pids+=($!)
for _ in $(seq 100); do [ -s sim.out ] && break; sleep 0.05; done
device=$(head -n 1 sim.out)
[ -n "$device" ] || fail "the simulator did not start"

# One record every 40 ms; the kill comes once 30 are stored, long before the end.
"$rs5" download --database "$conninfo" --create-database --port "$device" --step-ms 40 > /dev/null 2> first.err &
download=$!
pids+=($download)
for _ in $(seq 200); do [ "$(count || echo 0)" -ge 30 ] && break; sleep 0.05; done
[ "$(count)" -ge 30 ] || fail "the download stored no 30 rows in 10 s"
bash "$cluster_script" kill "$own" || fail "cannot kill the server"
killed=$EPOCHREALTIME
for _ in $(seq 200); do kill -0 "$download" 2> /dev/null || break; sleep 0.05; done
ended=$EPOCHREALTIME
kill -0 "$download" 2> /dev/null && fail "rs5 download still runs 10 s after the server was killed"
wait "$download"
status=$?
took=$(awk -v a="$killed" -v b="$ended" 'BEGIN {printf "%d", (b - a) * 1000}')
echo "rs5 download ended with status $status ${took} ms after the kill"
[ "$status" -ne 0 ] || fail "a download that lost its server ended with status 0"
[ "$took" -lt 5000 ] || fail "the download took $took ms to end after the kill"
grep -qE "The database server '$server' cannot be used: .+" first.err || fail "no message naming the server"
grep -qE "server closed the connection|terminating connection|Connection refused|No such file" first.err ||
    fail "no reason from libpq"
grep -q "dbname=\|user=rs5" first.err && fail "the connection string was printed"

bash "$cluster_script" restart "$own" > /dev/null 2>&1 || fail "cannot restart the server"
kept=$(count)
[ "$kept" -ge 30 ] && [ "$kept" -lt $records ] || fail "$kept rows kept"
grep -q "^rs5 download: $kept records stored in the database server$" first.err ||
    fail "the server holds $kept rows, rs5 said: $(grep 'records stored' first.err)"
[ "$(stored)" = "$(head -n "$kept" archive)" ] || fail "the kept rows are not the archive's first $kept records"

# The same meter again, adding only what is new (as after any cut-short download): the table then holds the whole
# archive, every record once and in order, each with a Num of its own.
"$rs5" download --database "$conninfo" --port "$device" --step-ms 40 --fast --new-only > /dev/null 2> second.err ||
    fail "the download after the restart failed"
grep -q "^rs5 download: $((records - kept)) records stored in the database server$" second.err || fail "second summary"
[ "$(stored)" = "$(cat archive)" ] || fail "the rows after the restart differ: $(diff <(stored) archive | head)"
[ "$(psql "$conninfo" -X -A -t -c 'SELECT count(DISTINCT "Num") FROM "Sys"')" = $records ] ||
    fail "the rows do not each have a Num of their own"
echo "rs5 download into a server that is killed: passed"
