#!/usr/bin/env bash
# rs5 stats on a working database and on the same rows in a saved table file: the figures in the three formats,
# the filters, and the usage errors with their exit status.
set -euo pipefail
rs5=$1
table=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"

# A database with the table's own schema, refilled with rows whose figures are known.
"$rs5" convert "$table" rows.mdb > /dev/null
sqlite3 rows.mdb "delete from Sys;
insert into Sys (NN, DataTime, W, m, N, t, Type, Vid) values
  (1, '2026-12-09 08:00:00', 14.0, 100, 750, 5, 'Базовая', 'Пшеница'),
  (2, '2026-12-09 23:59:59', 16.0, 120, 770, 7, 'Базовая', 'Пшеница'),
  (3, '2026-12-10 00:00:00', 15.0, 110, NULL, 6, 'Базовая', 'Пшеница'),
  (4, '2026-12-10 10:00:00', 18.5, 150, 700, -2, 'Индивидуальная', 'Рожь'),
  (5, NULL, NULL, NULL, NULL, NULL, 'Базовая', 'Рожь');"
"$rs5" convert rows.mdb rows.xml > /dev/null

# text: an aligned table, the grains in order, «Итого» last.
"$rs5" stats rows.mdb > text.txt || fail "text"
head -n 1 text.txt | grep -q '^Вид зерна  Строк' || fail "heading: $(head -n 1 text.txt)"
[ "$(wc -l < text.txt)" -eq 4 ] || fail "heading, two grains, total: $(cat text.txt)"
read -r grain rows count nulls mean minimum maximum deviation median rest <<< "$(sed -n 2p text.txt)"
[ "$grain $rows $count $nulls $mean $minimum $maximum $deviation $median" = \
  "Пшеница 3 3 0 15.00 14.00 16.00 1.00 15.00" ] || fail "wheat: $(sed -n 2p text.txt)"
grep -q '^Итого  *5  *4  *1  *15.88 ' text.txt || fail "total: $(tail -n 1 text.txt)"
# Aligned: every line ends in the last column (a figure, right-aligned), counted in characters, not bytes.
python3 -c 'import sys; assert len({len(l.rstrip("\n")) for l in open(sys.argv[1], encoding="utf-8")}) == 1' text.txt ||
    fail "lines of different widths: $(cat text.txt)"

# csv: per grain and day, with the limit; the value exactly at the limit is not above it.
"$rs5" stats rows.mdb --by grain,day --limit 15 --format csv > rows.csv || fail "csv"
head -n 1 rows.csv | grep -q '^kind,grain,day,rows,w_count,w_nulls,w_mean,' || fail "csv heading: $(head -n 1 rows.csv)"
grep -qx 'group,Пшеница,2026-12-09,2,2,0,15,14,16,1.4142135623730951,15,760,110,6,1,0.5,2026-12-09T08:00:00,2026-12-09T23:59:59' rows.csv ||
    fail "the day before midnight: $(cat rows.csv)"
grep -q '^group,Пшеница,2026-12-10,1,1,0,15,15,15,,15,,110,6,0,0,' rows.csv || fail "the day after midnight: $(cat rows.csv)"
grep -q '^group,Рожь,,1,0,1,,,,,,,,,0,,,$' rows.csv || fail "the row without a date: $(cat rows.csv)"
grep -q '^total,,,5,4,1,15.875,14,18.5,' rows.csv || fail "total: $(tail -n 1 rows.csv)"
# The same rows from a saved table file give the same figures.
"$rs5" stats rows.xml --by grain,day --limit 15 --format csv | diff -u rows.csv - || fail "file and database differ"

# json: per day, for the filtered grains and days.
"$rs5" stats rows.mdb --by day --from 2026-12-10 --to 2026-12-10 --grain Рожь --grain Пшеница --format json > rows.json
python3 - rows.json <<'PY' || fail "json: $(cat rows.json)"
import json, sys
summary = json.load(open(sys.argv[1], encoding="utf-8"))
assert summary["grouping"] == "day" and summary["limit"] is None, summary
assert [g["day"] for g in summary["groups"]] == ["2026-12-10"], summary["groups"]
total = summary["total"]
assert total["rows"] == 2 and total["w_mean"] == 16.75 and total["w_stddev"] > 2.47, total
assert total["first"] == "2026-12-10T00:00:00" and total["last"] == "2026-12-10T10:00:00", total
assert "above_limit" not in total and "day" not in total, total
PY

# Usage errors: status 2 and a message that names what is wrong.
expect_usage() {
    local pattern=$1
    shift
    set +e
    "$rs5" stats "$@" > out 2> err
    local status=$?
    set -e
    [ "$status" -eq 2 ] || fail "$* gave status $status: $(cat err)"
    grep -q -- "$pattern" err || fail "$*: $(cat err)"
    [ ! -s out ] || fail "$* printed a summary"
}
expect_usage "YYYY-MM-DD, not '2026-02-30'" rows.mdb --from 2026-02-30
expect_usage "YYYY-MM-DD, not '10.12.2026'" rows.mdb --to 10.12.2026
expect_usage "no grain 'Овёс' in rows.mdb (there are: Пшеница, Рожь)" rows.mdb --grain Овёс
expect_usage "unknown option '--bogus'" rows.mdb --bogus 1
expect_usage "--by takes grain, day or grain,day" rows.mdb --by week
expect_usage "--limit takes" rows.mdb --limit 15,5
expect_usage "--from is after --to" rows.mdb --from 2026-12-10 --to 2026-12-09

set +e
"$rs5" stats missing.mdb > /dev/null 2> err; status=$?
set -e
[ "$status" -eq 1 ] && grep -q "missing.mdb" err || fail "a missing database: $status $(cat err)"
echo "ok"
