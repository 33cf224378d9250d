#!/usr/bin/env bash
# rs5 import-jet as a user runs it: an old Jet working database becomes a new working database; whatever is
# refused leaves nothing behind, and an existing database is never touched.
set -euo pipefail
rs5=$1
samples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"
cp "$samples/synthetic-sys-jet4.mdb" old.mdb
chmod u+w old.mdb
sum=$(sha256sum < old.mdb)

"$rs5" import-jet old.mdb > out || fail "import into sys.mdb"
grep -qx "4995 rows imported into $work/sys.mdb" out || fail "output: $(cat out)"
[ "$(sqlite3 sys.mdb 'select count(*), min(Num), max(Num) from Sys')" = "4995|1|5000" ] || fail "rows and Nums"
[ "$(sqlite3 sys.mdb 'select count(*) from Sys where Num % 997 = 0')" = 0 ] || fail "deleted rows came back"
[ "$(sqlite3 sys.mdb "select count(*) from Sys where Type = ''")" = 500 ] || fail "empty texts"
[ "$(sqlite3 sys.mdb "select count(*) from Sys where Type is null")" = 0 ] || fail "empty texts became nulls"
[ "$(sqlite3 sys.mdb "select DataTime, Vid from Sys where Num = 4")" = "1899-12-30 00:00:00|mixed: Mix-1 / смесь №2" ] \
  || fail "row 4: $(sqlite3 sys.mdb 'select * from Sys where Num = 4')"
[ "$(sha256sum < old.mdb)" = "$sum" ] || fail "the Jet file was changed"
[ "$(ls -A | sort | tr '\n' ' ')" = "old.mdb out sys.mdb " ] || fail "files left: $(ls -A)"
"$rs5" dump sys.mdb | wc -l | grep -qx 4996 || fail "rs5 dump of the imported database"

# --db elsewhere; an existing database is refused and stays as it was.
mkdir other
"$rs5" import-jet old.mdb --db other/work.mdb > /dev/null || fail "import with --db"
before=$(sha256sum < sys.mdb)
set +e
"$rs5" import-jet old.mdb 2> err; status=$?
set -e
[ "$status" -eq 1 ] || fail "importing over an existing database: status $status"
grep -q "already exists" err || fail "message: $(cat err)"
[ "$(sha256sum < sys.mdb)" = "$before" ] || fail "the existing database was changed"

# A cut-short file and a database without the table Sys are refused, leaving nothing behind.
head -c 405504 old.mdb > cut.mdb
cp "$samples/jackcess-testV1997.mdb" access97.mdb
for refused in cut.mdb access97.mdb; do
  mkdir -p "refused-$refused"
  set +e
  "$rs5" import-jet "$refused" --db "refused-$refused/sys.mdb" > out 2> err; status=$?
  set -e
  [ "$status" -eq 1 ] || fail "$refused: status $status"
  [ ! -s out ] || fail "$refused printed: $(cat out)"
  grep -q -e "damaged or incomplete" -e "has no table Sys" err || fail "$refused: $(cat err)"
  [ -z "$(ls -A "refused-$refused")" ] || fail "$refused left: $(ls -A "refused-$refused")"
done

set +e
"$rs5" import-jet 2> /dev/null; status=$?
set -e
[ "$status" -eq 2 ] || fail "no file is a usage error"
echo "import-jet: all checks passed"
