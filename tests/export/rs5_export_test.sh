#!/usr/bin/env bash
# rs5 export as a user runs it: a saved table and a working database become .xlsx files that an independent
# reader (openpyxl) finds complete and typed, under the C locale and five others that Qt knows without any
# generated system locale; failures leave OUT alone.
set -euo pipefail
rs5=$1
table=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"

check() {  # check FILE DATE-FORMAT-PART
    /usr/bin/python3 - "$1" "$2" <<'PY' || fail "$1 as read back"
import datetime, sys, openpyxl
path, date_format = sys.argv[1], sys.argv[2]
book = openpyxl.load_workbook(path)
assert book.sheetnames == ["Данные"], book.sheetnames
sheet = book["Данные"]
rows = list(sheet.iter_rows(values_only=True))
assert rows[0][6] == "Zarudedu РС5" and rows[0][:6] == (None,) * 6, rows[0]
assert rows[1] == ("№", "Дата/Время", "Вид зерна", "Wср.,%", "m, гр.", "N, г/л", "t, град", "Тип градуировки",
                   "Заметки"), rows[1]
assert len(rows) == 2 + 5, len(rows)
first = rows[2]
assert first[0] == 1 and isinstance(first[0], int), first
assert first[1] == datetime.datetime(2026, 3, 14, 9, 26, 53), first[1]
assert date_format in sheet["B3"].number_format, sheet["B3"].number_format
assert first[2] == "Пшеница" and first[3] == 12.3000001907349 and first[4] == 100 and first[5] == 750.5, first
assert first[6] == 21 and first[7] == "Базовая" and first[8] == 'сухо, "хорошо"', first
second = rows[3]
assert second[1] == datetime.datetime(2026, 3, 15) and second[8] is None, second  # a null field, an empty cell
assert "ss" not in sheet["B4"].number_format, sheet["B4"].number_format
widths = {k: d.width for k, d in sheet.column_dimensions.items() if d.customWidth}
assert list(widths) == ["C"] and abs(widths["C"] - 16.71) < 0.01, widths
PY
}

"$rs5" export "$table" c.xlsx 2> progress || fail "export under C: $(cat progress)"
grep -q "100% (5 of 5 rows)" progress || fail "progress: $(cat progress)"
check c.xlsx "mmm"
LC_ALL=ru_RU.UTF-8 LANG=ru_RU.UTF-8 "$rs5" export "$table" ru.xlsx 2> /dev/null || fail "export under ru_RU"
check ru.xlsx "dd.mm.yyyy hh:mm:ss"

# Under the locales of LC_ALL the cells are typed all the same: dates (also after 2030, which a two-digit year
# would make 1930), numbers and texts. Qt reads LC_ALL itself, so the locales need not be generated.
sed "s/2026-03-17T08:00:00/2041-11-30T23:59:58/" "$table" > later.xml
for locale in ru_RU en_US de_DE fi_FI ja_JP; do
    LC_ALL=$locale.UTF-8 LANG=$locale.UTF-8 "$rs5" export later.xml "$locale.xlsx" 2> /dev/null ||
        fail "export under $locale"
    /usr/bin/python3 - "$locale.xlsx" <<'PY' || fail "$locale.xlsx as read back"
import datetime, sys, openpyxl
sheet = openpyxl.load_workbook(sys.argv[1])["Данные"]
rows = list(sheet.iter_rows(min_row=3, values_only=True))
first = rows[0]
assert first[:8] == (1, datetime.datetime(2026, 3, 14, 9, 26, 53), "Пшеница", 12.3000001907349, 100, 750.5, 21,
                     "Базовая"), first
assert "yyyy" in sheet["B3"].number_format and "ss" in sheet["B3"].number_format, sheet["B3"].number_format
assert rows[1][1] == datetime.datetime(2026, 3, 15) and rows[1][3] == -0.5 and rows[1][4] == 99.25, rows[1]
later = [row for row in rows if row[0] == 5]
assert later and later[0][1] == datetime.datetime(2041, 11, 30, 23, 59, 58) and later[0][3] == 13.1, later
PY
done

# From a working database, the same sheet.
"$rs5" convert "$table" work.mdb
"$rs5" export work.mdb db.xlsx 2> /dev/null || fail "export of a working database"
check db.xlsx "mmm"

# An existing OUT is replaced whole; a failed export leaves it as it was and nothing beside it.
"$rs5" export "$table" c.xlsx 2> /dev/null || fail "export over an existing file"
check c.xlsx "mmm"
cp c.xlsx before.xlsx
echo "not a table" > broken.db
set +e
"$rs5" export broken.db c.xlsx 2> err; status=$?
set -e
[ "$status" -eq 1 ] || fail "a broken source gave status $status"
cmp -s c.xlsx before.xlsx || fail "a failed export changed OUT"
set +e
"$rs5" export missing.mdb new.xlsx 2> err; status=$?
set -e
[ "$status" -eq 1 ] && [ ! -e new.xlsx ] && [ ! -e missing.mdb ] || fail "a missing database: $status $(cat err)"
set +e
"$rs5" export "$table" no-such-folder/out.xlsx 2> err; status=$?
set -e
[ "$status" -eq 1 ] || fail "an unwritable place gave status $status"
set +e
"$rs5" export "$table" out.csv 2> err; status=$?
set -e
[ "$status" -eq 2 ] || fail "a name without .xlsx gave status $status"
leftovers=$(find . -name '*.part')
[ -z "$leftovers" ] || fail "part files left: $leftovers"
echo "ok"
