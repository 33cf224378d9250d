#!/usr/bin/env bash
# rs5 convert never destroys what stands at its output: a device, pipe or folder is refused and left alone, a
# symbolic link is followed, a replaced file keeps its permissions, a read-only file is refused (also for root);
# a new working database appears whole or not at all, so a failed conversion can simply be run again.
set -uo pipefail
rs5=$1
table=$2  # a saved table file
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }
refused() {  # TARGET: converting onto it fails
    if "$rs5" convert "$table" "$1" 2> "$work/err"; then fail "convert onto $1 succeeded"; fi
}

cp "$table" "$work/table.xml"
table=$work/table.xml
"$rs5" convert "$table" "$work/reference.adtg" || fail "converting the table"

mkdir "$work/folder"
refused "$work/folder"
[ -d "$work/folder" ] || fail "the folder was replaced"
mkfifo "$work/pipe"
refused "$work/pipe"
[ -p "$work/pipe" ] || fail "the pipe was replaced"
grep -q "it is a pipe" "$work/err" || fail "no reason for the pipe"
if mknod "$work/null" c 1 3 2> /dev/null; then  # root only: a device like /dev/null
    refused "$work/null"
    [ -c "$work/null" ] || fail "the device was replaced by a regular file"
    grep -q "it is a device" "$work/err" || fail "no reason for the device"
fi

# A symbolic link: the file it points to is replaced, the link stays.
mkdir "$work/real"
printf 'old' > "$work/real/out.adtg"
ln -s real/out.adtg "$work/link.adtg"
"$rs5" convert "$table" "$work/link.adtg" 2> "$work/err" || fail "convert onto a link"
[ -L "$work/link.adtg" ] || fail "the link was replaced"
cmp -s "$work/real/out.adtg" "$work/reference.adtg" || fail "the linked file was not replaced"

# Permissions are kept; a file nobody may write is refused and left as it was.
printf 'old' > "$work/private.adtg"
chmod 0600 "$work/private.adtg"
"$rs5" convert "$table" "$work/private.adtg" 2> "$work/err" || fail "convert onto a 0600 file"
[ "$(stat -c %a "$work/private.adtg")" = 600 ] || fail "permissions became $(stat -c %a "$work/private.adtg")"
printf 'kept' > "$work/readonly.adtg"
chmod 0444 "$work/readonly.adtg"
refused "$work/readonly.adtg"
[ "$(cat "$work/readonly.adtg")" = kept ] || fail "the read-only file was replaced"
[ "$(stat -c %a "$work/readonly.adtg")" = 444 ] || fail "the read-only file's permissions changed"

# A new working database: a failed conversion (a file size limit, as a full disk, binding root too) leaves none
# behind, so the retry is not refused as "already holds rows".
big=$work/big.mdb
sqlite3 "$big" "CREATE TABLE Sys (Num INTEGER PRIMARY KEY AUTOINCREMENT, NN INTEGER, DataTime DATETIME, W REAL,
    m REAL, N REAL, t INTEGER, Type VARCHAR(50), Op VARCHAR(50), Vid VARCHAR(50));
    WITH RECURSIVE k(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM k WHERE n < 20000)
    INSERT INTO Sys (NN, DataTime, W, m, N, t, Type, Vid)
    SELECT n, '2007-12-03 09:07:05', 14.5, 150.0, 750, 21, 'Базовая', 'Пшеница' FROM k;" || fail "making $big"
"$rs5" convert "$big" "$work/big.adtg" 2> "$work/err" || fail "converting $big"
(trap '' XFSZ; ulimit -f 200; exec "$rs5" convert "$work/big.adtg" "$work/new.mdb") 2> "$work/err"
[ $? -eq 1 ] || fail "a conversion past the file size limit did not fail"
[ ! -e "$work/new.mdb" ] || fail "a failed conversion left a partial database"
[ -z "$(ls "$work" | grep '\.tmp-')" ] || fail "a failed conversion left a temporary file"
"$rs5" convert "$work/big.adtg" "$work/new.mdb" 2> "$work/err" || fail "the retry was refused"
[ "$(sqlite3 "$work/new.mdb" "SELECT count(*) FROM Sys")" = 20000 ] || fail "the retry did not store every row"

# Killed part-way: the database is whole or absent, never partial.
"$rs5" convert "$work/big.adtg" "$work/killed.mdb" 2> /dev/null &
pid=$!
sleep 0.2
kill -9 "$pid" 2> /dev/null
wait "$pid" 2> /dev/null
if [ -e "$work/killed.mdb" ]; then
    [ "$(sqlite3 "$work/killed.mdb" "SELECT count(*) FROM Sys")" = 20000 ] || fail "a killed conversion left rows"
fi
rm -f "$work"/killed.mdb.tmp-*
"$rs5" convert "$work/big.adtg" "$work/killed.mdb" 2> /dev/null || [ -e "$work/killed.mdb" ] ||
    fail "the retry after a kill failed"

# An existing empty database receives all the rows or none.
sqlite3 "$work/empty.mdb" "CREATE TABLE Sys (Num INTEGER PRIMARY KEY AUTOINCREMENT, NN INTEGER, DataTime DATETIME,
    W REAL, m REAL, N REAL, t INTEGER, Type VARCHAR(50), Op VARCHAR(50), Vid VARCHAR(50));"
size_kb=$(( $(stat -c %s "$work/empty.mdb") / 1024 + 40 ))
(trap '' XFSZ; ulimit -f "$size_kb"; exec "$rs5" convert "$work/big.adtg" "$work/empty.mdb") 2> "$work/err"
[ $? -eq 1 ] || fail "filling an empty database past the limit did not fail"
[ "$(sqlite3 "$work/empty.mdb" "SELECT count(*) FROM Sys")" = 0 ] || fail "a failed fill left rows"
echo "rs5 saves: all scenarios passed"
