#!/usr/bin/env bash
# rs5 download against the meter simulator on a pseudo-terminal: whole archives, a second download, every
# failure mode of the simulator and bad port names. Rows are checked in the database with sqlite3 against
# the simulator's own CSV of the archive.
set -uo pipefail
rs5=$1
sim=$2
step=100  # milliseconds a step; the program's own period is 1000
work=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2> /dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }
# shellcheck source=archive_match.sh
source "$(dirname "$0")/archive_match.sh"

not_connected="Прибор не подключен. Проверьте правильность подключения прибора согласно инструкции и убедитесь, что прибор находится в режиме связи с ПК"
transfer_error="Ошибка передачи данных. Проверьте правильность подключения прибора согласно инструкции и убедитесь, что прибор находится в режиме связи с ПК"

# start_sim ARGS...: a simulator in the background; sets $device. With logged=1 its log of requests is kept in
# $work/sim.err.
start_sim() {
    stop_sim
    rm -f "$work/sim.out"
    local quiet=--quiet
    [ "${logged:-0}" = 1 ] && quiet=
    "$sim" $quiet "$@" > "$work/sim.out" 2> "$work/sim.err" &
    sim_pid=$!
    for _ in $(seq 100); do
        device=$(head -n 1 "$work/sim.out" 2> /dev/null)
        [ -n "$device" ] && return
        sleep 0.05
    done
    fail "the simulator did not start: $(cat "$work/sim.err")"
}
stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2> /dev/null
        wait "$sim_pid" 2> /dev/null
        sim_pid=
    fi
}
# download DB EXPECTED-STATUS [rs5 arguments...]
download() {
    local db=$1 expected=$2
    shift 2
    timeout 60 "$rs5" download --db "$db" --step-ms "$step" "$@" > "$work/out" 2> "$work/err"
    local status=$?
    [ "$status" -eq "$expected" ] || fail "rs5 download $* gave status $status, not $expected"
}
sql() { sqlite3 "$1" "$2"; }
rows() { sql "$1" "SELECT count(*) FROM Sys"; }
# no_duplicates DB: no record number twice within one download's rows (Num order).
numbers() { sql "$1" "SELECT group_concat(NN, ' ') FROM (SELECT NN FROM Sys ORDER BY Num)"; }
expect_numbers() { [ "$(numbers "$1")" = "$2" ] || fail "rows NN '$(numbers "$1")', not '$2'"; }
expect_error() { grep -qF "rs5 download: $1" "$work/err" || fail "no message '$1'"; }

# grep reads the whole help: with pipefail, grep -q closing the pipe early would fail the pipeline.
"$rs5" --help | grep "rs5 download --port NAME" > /dev/null || fail "--help does not document download"
timeout 10 "$rs5" download > /dev/null 2>&1; [ $? -eq 2 ] || fail "download without --port is not a usage error"

# A whole archive of 25 records, every field compared with the simulator's CSV.
db=$work/sys.mdb
"$sim" --generate 25 --seed 7 --dump-csv > "$work/archive.csv" || fail "--dump-csv"
start_sim --generate 25 --seed 7 --baud 0
download "$db" 0 --port "$device"
expect_numbers "$db" "$(seq -s ' ' 1 25)"
grep -q "record 25 of 25" "$work/err" || fail "no progress to 25 of 25"
rows_match_archive "$db" "$work/archive.csv" 25

# A second download appends, counting from 1 again.
download "$db" 0 --port "$device"
expect_numbers "$db" "$(seq -s ' ' 1 25) $(seq -s ' ' 1 25)"

# An empty archive.
db=$work/empty.mdb
start_sim --generate 0 --baud 0
download "$db" 0 --port "$device"
[ "$(rows "$db")" = 0 ] || fail "rows from an empty archive"

# A meter that never answers: the message once, no row, no hang.
db=$work/silent.mdb
start_sim --silent
download "$db" 1 --port "$device"
expect_error "$not_connected"
[ "$(grep -c "Прибор не подключен" "$work/err")" = 1 ] || fail "the message more than once"
[ "$(rows "$db")" = 0 ] || fail "rows from a silent meter"

# Failures part-way: the rows before the failure are kept, none twice, none from an earlier reply.
check_failure() {  # NAME EXPECTED-MESSAGE EXPECTED-NUMBERS SIMULATOR-ARGUMENTS...
    local name=$1 message=$2 expected=$3
    shift 3
    db=$work/$name.mdb
    start_sim --generate 6 --seed 3 --baud 0 "$@"
    download "$db" 1 --port "$device"
    expect_error "$message"
    expect_numbers "$db" "$expected"
}
check_failure silent-after "$not_connected" "1 2 3" --silent-after 4
check_failure short-reply "$transfer_error" "1 2" --short-reply 3
check_failure vanish "$not_connected" "1 2" --vanish-after 3
# The rest of a split reply comes 1.5 s later: past one more short step, so the download stops there...
check_failure split-reply "$transfer_error" "1" --split-reply 2
# ...while at the program's own period of a second it comes within the extra step and the record is whole.
db=$work/split-slow.mdb
start_sim --generate 3 --seed 3 --baud 0 --split-reply 2
step=1000 download "$db" 0 --port "$device"
expect_numbers "$db" "1 2 3"
stop_sim

# A damaged date loses nothing: the row is kept with an empty date and every other field, the download goes on to
# the end, the log gives the date bytes and the end names the record.
db=$work/garble.mdb
"$sim" --generate 6 --seed 3 --dump-csv > "$work/garble.csv" || fail "--dump-csv"
start_sim --generate 6 --seed 3 --baud 0 --garble 3 --garble 5
download "$db" 0 --port "$device"
expect_numbers "$db" "1 2 3 4 5 6"
[ "$(sql "$db" "SELECT group_concat(NN, ' ') FROM Sys WHERE DataTime IS NULL")" = "3 5" ] || fail "rows without a date"
grep -qE "^rs5 download: record 3: the date bytes [0-9A-F]{2} [0-9A-F]{2} [0-9A-F]{2} 00 0D [0-9A-F]{2} " "$work/err" \
    || fail "no log line with the date bytes of record 3"
expect_error "Записи без даты: 3, 5 — прибор записал неверную дату; они сохранены с пустой датой"
expect_error "6 records stored in $db"
# Every other field as the meter sent it: the copy gets the dates back from the CSV and must then match it whole.
cp "$db" "$work/garble-dated.mdb"
sql "$work/garble-dated.mdb" "UPDATE Sys SET DataTime = '$(sed -n 4p "$work/garble.csv" | cut -d, -f2 \
    | sed -E 's/(..)\.(..)\.(....) (.*)/\3-\2-\1 \4/')' WHERE NN = 3"
sql "$work/garble-dated.mdb" "UPDATE Sys SET DataTime = '$(sed -n 6p "$work/garble.csv" | cut -d, -f2 \
    | sed -E 's/(..)\.(..)\.(....) (.*)/\3-\2-\1 \4/')' WHERE NN = 5"
rows_match_archive "$work/garble-dated.mdb" "$work/garble.csv" 6

# --new-only: a repeated download adds nothing and reads back only records 1 and 30; an archive that grew by 15
# is asked for only past record 30; a rewritten archive (another seed) is added whole. Paced, steps are the
# requests the meter saw plus one.
steps() { echo $(($(grep -c " request 2" "$work/sim.err") + 1)); }
new_only() {  # EXPECTED-NUMBERS MOST-STEPS SUMMARY SIMULATOR-ARGUMENTS...
    local expected=$1 most=$2 summary=$3
    shift 3
    logged=1 start_sim --baud 0 "$@"
    download "$db" 0 --port "$device" --new-only
    stop_sim
    [ "$(steps)" -le "$most" ] || fail "--new-only $*: $(steps) steps, more than $most"
    expect_numbers "$db" "$expected"
    expect_error "$summary"
}
db=$work/new-only.mdb
start_sim --generate 30 --seed 4 --baud 0
download "$db" 0 --port "$device"
first="$(seq -s ' ' 1 30)"
new_only "$first" 4 "Новых записей: 0, уже были в таблице: 30" --generate 30 --seed 4
new_only "$first $(seq -s ' ' 31 45)" 19 "Новых записей: 15, уже были в таблице: 30" --generate 45 --seed 4
new_only "$first $(seq -s ' ' 31 45) $(seq -s ' ' 1 45)" 47 "Новых записей: 45, уже были в таблице: 0" \
    --generate 45 --seed 9
"$sim" --generate 45 --seed 9 --dump-csv > "$work/rewritten.csv" || fail "--dump-csv"
sql "$db" "DELETE FROM Sys WHERE Num <= (SELECT Num FROM Sys ORDER BY Num LIMIT 1 OFFSET 44)"
rows_match_archive "$db" "$work/rewritten.csv" 45

# Ports that cannot be opened: the serial link's message, nothing sent, no database made.
db=$work/ports.mdb
download "$db" 1 --port /dev/no-such-port
expect_error "Specified device not found (/dev/no-such-port)."
download "$db" 1 --port ""
expect_error "Specified device not found ()."
[ ! -e "$db" ] || fail "a port that cannot be opened left a new database"
echo "rs5 download: all scenarios passed"
