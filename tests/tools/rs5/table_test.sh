#!/usr/bin/env bash
# rs5 dump and rs5 convert with working databases: a saved table goes into a new database and back, and
# every way gives the same rows; a database that holds rows is never written to.
set -euo pipefail
rs5=$1
table=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"

"$rs5" dump "$table" > file.csv || fail "dump of a saved table"
[ "$(head -n 1 file.csv)" = "Num,NN,DataTime,W,m,N,t,Type,Op,Vid" ] || fail "header: $(head -n 1 file.csv)"
[ "$(wc -l < file.csv)" -eq 6 ] || fail "5 rows expected (the deleted one left out): $(cat file.csv)"
grep -qx '1,1,.*,12.3000001907349,100,750.5,21,Базовая,"сухо, ""хорошо""",Пшеница' file.csv || fail "row 1: $(sed -n 2p file.csv)"
grep -q '^3,3,.*,исправлено,Рожь$' file.csv || fail "the changed row shows its new value"

"$rs5" convert "$table" new.mdb || fail "convert into a new database"
[ "$(sqlite3 -csv new.mdb 'select count(*) from Sys')" = 5 ] || fail "rows in the database"
[ "$(sqlite3 new.mdb "select Op from Sys where NN = 3")" = "исправлено" ] || fail "Cyrillic text in the database"
"$rs5" dump new.mdb | cut -d, -f2- > db.csv
cut -d, -f2- file.csv > file-without-num.csv
diff -u file-without-num.csv db.csv || fail "the database holds other rows than the file"

"$rs5" convert new.mdb back.db || fail "convert from the database"
"$rs5" convert back.db back.XML || fail "convert to XML"
head -c 4 back.XML | grep -q '<xml' || fail "a name ending in .XML did not give XML"
"$rs5" dump back.XML > back.csv
"$rs5" dump new.mdb > db-full.csv
diff -u db-full.csv back.csv || fail "database, binary file and XML file differ"

# A database that holds rows is left alone.
set +e
"$rs5" convert "$table" new.mdb 2> err; status=$?
set -e
[ "$status" -eq 1 ] || fail "writing into a database with rows did not fail"
grep -q "already holds rows" err || fail "message: $(cat err)"
[ "$(sqlite3 -csv new.mdb 'select count(*) from Sys')" = 5 ] || fail "the database was changed"

# An empty database is filled.
"$rs5" convert "$table" empty.mdb
sqlite3 empty.mdb 'delete from Sys'
"$rs5" convert back.db empty.mdb || fail "writing into an empty database"
[ "$(sqlite3 -csv empty.mdb 'select count(*) from Sys')" = 5 ] || fail "rows in the emptied database"

set +e
"$rs5" dump missing.mdb > /dev/null 2> err; status=$?
set -e
[ "$status" -eq 1 ] && grep -q "missing.mdb" err || fail "a missing database: $status $(cat err)"
echo "ok"
