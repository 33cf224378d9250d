#!/usr/bin/env bash
# rs5 download --fast against the meter simulator at the line's own rate of 9600 baud, the meter thinking
# before each reply, sending it in chunks and ending it with CR LF: every record must arrive exactly, each field
# compared with the simulator's own CSV of the archive, and far faster than one record a second.
set -uo pipefail
rs5=$1
sim=$2
records=200
work=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2> /dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && tail -n 20 "$work/err" >&2; exit 1; }
# shellcheck source=archive_match.sh
source "$(dirname "$0")/archive_match.sh"

"$rs5" --help | grep -- "--fast" > /dev/null || fail "--help does not document --fast"

archive=(--generate "$records" --seed 17)
"$sim" "${archive[@]}" --dump-csv > "$work/archive.csv" || fail "--dump-csv"
"$sim" --quiet "${archive[@]}" --baud 9600 --trailer 0d0a --chunk-gap 5 --think 30 > "$work/sim.out" \
    2> "$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do
    device=$(head -n 1 "$work/sim.out" 2> /dev/null)
    [ -n "$device" ] && break
    sleep 0.05
done
[ -n "$device" ] || fail "the simulator did not start: $(cat "$work/sim.err")"

db=$work/sys.mdb
started=$(date +%s%N)
timeout 170 "$rs5" download --fast --port "$device" --db "$db" > "$work/out" 2> "$work/err"
status=$?
took_ms=$((($(date +%s%N) - started) / 1000000))
[ "$status" -eq 0 ] || fail "rs5 download --fast gave status $status"
grep -q "record $records of $records" "$work/err" || fail "no progress to $records of $records"
# Paced, the download would take $records + 2 seconds; the line itself needs about 0.2 s a record here.
[ "$took_ms" -lt $((records * 1000 / 2)) ] || fail "took $took_ms ms, no faster than half the paced time"

sql() { sqlite3 "$db" "$1"; }
[ "$(sql "SELECT group_concat(NN, ' ') FROM (SELECT NN FROM Sys ORDER BY Num)")" = "$(seq -s ' ' 1 "$records")" ] \
    || fail "rows are not records 1 to $records in order"
rows_match_archive "$db" "$work/archive.csv" "$records"

# Again with --new-only: records 1 and $records are read back and nothing is added, in well under a second.
started=$(date +%s%N)
timeout 30 "$rs5" download --fast --new-only --port "$device" --db "$db" > "$work/out" 2> "$work/err" \
    || fail "rs5 download --fast --new-only failed"
again_ms=$((($(date +%s%N) - started) / 1000000))
grep -qF "Новых записей: 0, уже были в таблице: $records" "$work/err" || fail "no count of new records"
[ "$(sql "SELECT count(*) FROM Sys")" = "$records" ] || fail "--new-only added rows"
[ "$again_ms" -lt 3000 ] || fail "--new-only took $again_ms ms"
echo "PASS: $records records in $took_ms ms"
