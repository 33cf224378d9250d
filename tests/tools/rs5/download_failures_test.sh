#!/usr/bin/env bash
# rs5 download when the rows cannot be stored or the user stops it: never a hang, never a silent end. Against the
# meter simulator on a pseudo-terminal: a read-only database (also as root), one locked by another connection past
# the busy time-out, a file size limit standing in for a full disk, SIGINT and SIGTERM, a port that cannot be
# opened, and two downloads creating the same database at once.
set -uo pipefail
rs5=$1
sim=$2
step=100  # milliseconds a step
work=$(mktemp -d)
sim_pid=
lock_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2> /dev/null
    [ -n "$lock_pid" ] && kill "$lock_pid" 2> /dev/null
    chmod -R u+w "$work" 2> /dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }

transfer_error="Ошибка передачи данных. Проверьте правильность подключения прибора согласно инструкции и убедитесь, что прибор находится в режиме связи с ПК"

start_sim() {
    if [ -n "$sim_pid" ]; then kill "$sim_pid" 2> /dev/null; wait "$sim_pid" 2> /dev/null; fi
    rm -f "$work/sim.out"
    "$sim" --quiet --baud 0 "$@" > "$work/sim.out" 2> "$work/sim.err" &
    sim_pid=$!
    for _ in $(seq 100); do
        device=$(head -n 1 "$work/sim.out" 2> /dev/null)
        [ -n "$device" ] && return
        sleep 0.05
    done
    fail "the simulator did not start: $(cat "$work/sim.err")"
}
rows() { sqlite3 "$1" "SELECT count(*) FROM Sys"; }
numbers() { sqlite3 "$1" "SELECT group_concat(NN, ' ') FROM (SELECT NN FROM Sys ORDER BY Num)"; }
expect_in_err() { grep -qF -- "$1" "$work/err" || fail "no '$1' on standard error"; }
now_ms() { date +%s%3N; }

# A database that holds the rows 1 2 3 already.
seeded() {
    local db=$1
    start_sim --generate 3 --seed 5
    timeout 30 "$rs5" download --db "$db" --step-ms "$step" --port "$device" 2> "$work/err" || fail "seeding $db"
    [ "$(numbers "$db")" = "1 2 3" ] || fail "seeding $db gave '$(numbers "$db")'"
}

# Read-only (0444): refused at the first row, exit 1 in well under 5 s, the cause named, the rows kept. Root may
# write any file, so this also checks that a file nobody may write is opened for reading only.
db=$work/readonly.mdb
seeded "$db"
chmod 0444 "$db"
start_sim --generate 5 --seed 6
begin=$(now_ms)
timeout 30 "$rs5" download --db "$db" --step-ms "$step" --port "$device" > /dev/null 2> "$work/err"
status=$?
elapsed=$(($(now_ms) - begin))
[ "$status" -eq 1 ] || fail "read-only database: status $status, not 1"
[ "$elapsed" -lt 5000 ] || fail "read-only database: $elapsed ms"
expect_in_err "rs5 download: $transfer_error"
expect_in_err "cause: The database '$db' cannot be used: attempt to write a readonly database"
expect_in_err "rs5 download: 0 records stored in $db"
chmod 0644 "$db"
[ "$(numbers "$db")" = "1 2 3" ] || fail "read-only database changed: '$(numbers "$db")'"

# Locked by another connection for longer than the busy time-out: the same, after waiting it out.
db=$work/locked.mdb
seeded "$db"
start_sim --generate 5 --seed 6
# The other connection reads its statements from a pipe kept open here (no child may inherit its write end, or
# the connection would never see the pipe's end).
mkfifo "$work/lock.in"
sqlite3 "$db" < "$work/lock.in" > /dev/null 2>&1 &
lock_pid=$!
exec 7> "$work/lock.in"
echo "BEGIN IMMEDIATE;" >&7
for _ in $(seq 100); do
    sqlite3 "$db" "BEGIN IMMEDIATE; ROLLBACK;" > /dev/null 2>&1 7>&- || break
    sleep 0.05
done
timeout 60 "$rs5" download --db "$db" --step-ms "$step" --port "$device" > /dev/null 2> "$work/err" 7>&-
status=$?
echo "ROLLBACK;" >&7
exec 7>&-
wait "$lock_pid"
lock_pid=
[ "$status" -eq 1 ] || fail "locked database: status $status, not 1"
expect_in_err "rs5 download: $transfer_error"
expect_in_err "database is locked"
[ "$(numbers "$db")" = "1 2 3" ] || fail "locked database: '$(numbers "$db")'"

# A write that fails as on a full disk (a file size limit, which binds root as well): the rows stored before the
# failure stay, the cause is named.
db=$work/full.mdb
seeded "$db"
size_kb=$(( ($(stat -c %s "$db") + $(stat -c %s "$db-wal" 2> /dev/null || echo 0)) / 1024 + 24 ))
start_sim --generate 200 --seed 6
(trap '' XFSZ; ulimit -f "$size_kb"; exec timeout 60 "$rs5" download --db "$db" --step-ms 20 --port "$device") \
    > /dev/null 2> "$work/err"
status=$?
[ "$status" -eq 1 ] || fail "full disk: status $status, not 1"
expect_in_err "rs5 download: $transfer_error"
grep -qE "cause: .*(disk I/O error|database or disk is full)" "$work/err" || fail "full disk: no cause"
stored=$(sed -n 's/^rs5 download: \([0-9]*\) records stored in .*/\1/p' "$work/err")
[ "$(rows "$db")" -eq $((3 + stored)) ] || fail "full disk: $(rows "$db") rows, but $stored reported stored"
[ "$stored" -gt 0 ] && [ "$stored" -lt 200 ] || fail "full disk: $stored rows stored"

# SIGINT and SIGTERM: stop after the current step, every row shown as received is stored, the summary printed.
for signal in INT TERM; do
    db=$work/signal-$signal.mdb
    start_sim --generate 50 --seed 8
    "$rs5" download --db "$db" --step-ms 150 --port "$device" > /dev/null 2> "$work/err" &
    pid=$!
    for _ in $(seq 100); do
        grep -q "record 3 of 50" "$work/err" 2> /dev/null && break
        sleep 0.05
    done
    kill -"$signal" "$pid"
    wait "$pid"
    status=$?
    expected=$([ "$signal" = INT ] && echo 130 || echo 143)
    [ "$status" -eq "$expected" ] || fail "SIG$signal: status $status, not $expected"
    expect_in_err "rs5 download: interrupted by SIG$signal"
    shown=$(grep -c "^record " "$work/err")
    expect_in_err "rs5 download: $shown records stored in $db"
    [ "$(rows "$db")" -eq "$shown" ] || fail "SIG$signal: $(rows "$db") rows stored, $shown shown"
done

# A record with an impossible date as the very first one: kept without its date, the rest follows, status 0.
db=$work/garbled.mdb
start_sim --generate 3 --garble 1
timeout 30 "$rs5" download --db "$db" --step-ms "$step" --port "$device" > /dev/null 2> "$work/err"
[ $? -eq 0 ] || fail "garbled first record: not status 0"
expect_in_err "rs5 download: Записи без даты: 1 — прибор записал неверную дату; они сохранены с пустой датой"
! grep -qF "$transfer_error" "$work/err" || fail "garbled first record: a transfer error"
[ "$(rows "$db")" = 3 ] || fail "garbled first record: not 3 rows"
[ "$(sqlite3 "$db" "SELECT count(*) FROM Sys WHERE NN = 1 AND DataTime IS NULL AND Vid IS NOT NULL")" = 1 ] \
    || fail "garbled first record: no row 1 without its date"

# A port that cannot be opened creates no database.
timeout 30 "$rs5" download --db "$work/never.mdb" --port /dev/no-such-port > /dev/null 2> "$work/err"
[ $? -eq 1 ] || fail "missing port: not status 1"
[ ! -e "$work/never.mdb" ] || fail "a missing port left a new database"

# Two downloads that find no database create it together: both succeed, no row is lost.
for attempt in 1 2 3; do
    mkdir -p "$work/both-$attempt"
    db=$work/both-$attempt/sys.mdb
    start_sim --generate 4 --seed 9
    first=$device
    first_pid=$sim_pid
    sim_pid=
    start_sim --generate 4 --seed 9
    timeout 30 "$rs5" download --db "$db" --step-ms "$step" --port "$first" > /dev/null 2> "$work/err1" &
    one=$!
    timeout 30 "$rs5" download --db "$db" --step-ms "$step" --port "$device" > /dev/null 2> "$work/err2" &
    two=$!
    wait "$one"; s1=$?
    wait "$two"; s2=$?
    kill "$first_pid" 2> /dev/null
    [ "$s1" -eq 0 ] && [ "$s2" -eq 0 ] || fail "simultaneous creation: status $s1 and $s2: $(cat "$work/err1" "$work/err2")"
    [ "$(rows "$db")" = 8 ] || fail "simultaneous creation: $(rows "$db") rows, not 8"
    [ -z "$(ls "$work/both-$attempt" | grep '\.tmp-')" ] || fail "a temporary database was left behind"
done
echo "rs5 download failures: all scenarios passed"
