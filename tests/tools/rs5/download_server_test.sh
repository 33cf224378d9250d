#!/usr/bin/env bash
# rs5 download into a PostgreSQL server (the test cluster of the fixture pg_cluster): two downloads from two
# simulators into one table at once store every record once; a second station finds the table made by the first;
# a server that is away gives its message and stores nothing.
set -uo pipefail
rs5=$1
sim=$2
state=$3
step=50
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; cat "$work"/*.err >&2 2> /dev/null; exit 1; }

base=$(cat "$state/conninfo") || fail "no test cluster"
psql "$base" -q -v ON_ERROR_STOP=1 -c "DROP DATABASE IF EXISTS rs5_download" -c "CREATE DATABASE rs5_download" ||
    fail "cannot make the database"
conninfo="$base dbname=rs5_download"
cd "$work" || fail "no work folder"
sql() { psql "$conninfo" -X -A -t -q -c "$1"; }

# start_sim NAME ARGS...: a simulator in the background; its device in $work/NAME.device.
start_sim() {
    local name=$1
    shift
    "$sim" --quiet "$@" > "$work/$name.out" 2> "$work/$name.sim.err" &
    pids+=($!)
    for _ in $(seq 100); do
        [ -s "$work/$name.out" ] && { head -n 1 "$work/$name.out" > "$work/$name.device"; return; }
        sleep 0.05
    done
    fail "the simulator $name did not start"
}
start_sim a --generate 20 --seed 3 --baud 0
start_sim b --generate 25 --seed 4 --baud 0
"$sim" --generate 20 --seed 3 --dump-csv > "$work/a.csv"
"$sim" --generate 25 --seed 4 --dump-csv > "$work/b.csv"

# Both stations at once, each creating the table if it is missing: one makes it, the other uses it.
for name in a b; do
    timeout 60 "$rs5" download --database "$conninfo" --create-database --port "$(cat "$work/$name.device")" \
        --step-ms $step --fast > /dev/null 2> "$work/$name.err" &
    eval "download_$name=\$!"
done
wait "$download_a" || fail "download a failed"
wait "$download_b" || fail "download b failed"
[ "$(grep -c "created the table Sys" "$work"/a.err "$work"/b.err | awk -F: '{s += $2} END {print s}')" = 1 ] ||
    fail "not exactly one station created the table"
grep -q "rs5 download: 20 records stored in the database server" "$work/a.err" || fail "a's summary"
grep -q "rs5 download: 25 records stored in the database server" "$work/b.err" || fail "b's summary"
grep -q "rs5_download\|password" "$work"/a.err "$work"/b.err && fail "the connection string was printed"

# Every record of both archives once (number, grain and moisture of each row against the simulators' CSVs), and
# each station's rows in the order it received them.
keys() { awk -F, '$1 ~ /^[0-9]+$/ {printf "%d|%s|%.1f\n", $1, $3, $4}' "$@"; }
stored=$(sql "SELECT \"NN\" || '|' || \"Vid\" || '|' || to_char(\"W\", 'FM990.0') FROM \"Sys\" ORDER BY \"Num\"")
[ "$(wc -l <<< "$stored")" = 45 ] || fail "$(wc -l <<< "$stored") rows stored, not 45"
[ "$(sort <<< "$stored")" = "$(keys "$work/a.csv" "$work/b.csv" | sort)" ] || fail "the rows differ from the archives"
for name in a b; do
    [ "$(grep -F -x -f <(keys "$work/$name.csv") <<< "$stored")" = "$(keys "$work/$name.csv")" ] ||
        fail "station $name's rows are not in the order received"
done

# A server that is away: the message names it, and nothing is stored anywhere.
start_sim c --generate 3 --baud 0
timeout 20 "$rs5" download --database "host=$work dbname=rs5" --port "$(cat "$work/c.device")" --step-ms $step \
    > /dev/null 2> "$work/c.err"
status=$?
[ "$status" -ne 0 ] && [ "$status" -ne 124 ] || fail "a download to a server that is away gave status $status"
grep -qF "The database server '$work:5432/rs5' cannot be used: " "$work/c.err" || fail "no message naming the server"
[ -e sys.mdb ] && fail "a sys.mdb was made"

# --database and --db together, and --create-database alone, are usage errors.
"$rs5" download --port x --db a.mdb --database "$conninfo" > /dev/null 2>&1; [ $? -eq 2 ] || fail "--db with --database"
"$rs5" download --port x --create-database > /dev/null 2>&1; [ $? -eq 2 ] || fail "--create-database alone"
echo "rs5 download into a server: passed"
