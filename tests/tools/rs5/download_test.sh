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

# start_sim ARGS...: a simulator in the background; sets $device.
start_sim() {
    stop_sim
    rm -f "$work/sim.out"
    "$sim" --quiet "$@" > "$work/sim.out" 2> "$work/sim.err" &
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
check_failure garble "$transfer_error" "1 2" --garble 3
check_failure vanish "$not_connected" "1 2" --vanish-after 3
# The rest of a split reply comes 1.5 s later: past one more short step, so the download stops there...
check_failure split-reply "$transfer_error" "1" --split-reply 2
# ...while at the program's own period of a second it comes within the extra step and the record is whole.
db=$work/split-slow.mdb
start_sim --generate 3 --seed 3 --baud 0 --split-reply 2
step=1000 download "$db" 0 --port "$device"
expect_numbers "$db" "1 2 3"
stop_sim

# Ports that cannot be opened: the serial link's message, nothing sent, no database made.
db=$work/ports.mdb
download "$db" 1 --port /dev/no-such-port
expect_error "Specified device not found (/dev/no-such-port)."
download "$db" 1 --port ""
expect_error "Specified device not found ()."
[ ! -e "$db" ] || fail "a port that cannot be opened left a new database"
echo "rs5 download: all scenarios passed"
