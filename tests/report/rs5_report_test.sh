#!/usr/bin/env bash
# rs5 report as a user runs it: the PDF's pages, paper, texts, fonts and positions checked with poppler's tools,
# and nothing left behind when it fails.
set -euo pipefail
rs5=$1
table=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in pdfinfo pdftotext pdffonts sqlite3; do
    command -v $tool > /dev/null || fail "$tool is missing (Debian packages poppler-utils, sqlite3)"
done
cd "$work"

# 5 rows from the saved table, then 13 copies of them with other numbers: 70 rows, 31 + 33 + 6 on three pages.
"$rs5" convert "$table" rows.mdb > /dev/null
sqlite3 rows.mdb "WITH RECURSIVE k(copy) AS (SELECT 1 UNION ALL SELECT copy + 1 FROM k WHERE copy < 13)
  INSERT INTO Sys (NN, DataTime, W, m, N, t, Type, Op, Vid)
  SELECT NN + 100 * copy, DataTime, W, m, N, t, Type, Op, Vid FROM Sys, k ORDER BY copy, Num"
[ "$(sqlite3 rows.mdb 'select count(*) from Sys')" = 70 ] || fail "test rows"
sqlite3 rows.mdb "UPDATE Sys SET W = NULL WHERE NN = 105"

"$rs5" report rows.mdb report.pdf > out.txt || fail "rs5 report failed: $(cat out.txt)"
[ "$(ls)" = "$(printf 'out.txt\nreport.pdf\nrows.mdb')" ] || fail "files left beside the PDF: $(ls)"
pdfinfo report.pdf > info.txt
grep -Eq '^Pages: +3$' info.txt || fail "page count: $(cat info.txt)"
grep -Eq '^Page size: +84[12](\.[0-9]+)? x 595(\.[0-9]+)? pts \(A4\)' info.txt || fail "A4 landscape: $(grep 'Page size' info.txt)"
grep -q 'Zarudedu' info.txt || fail "document title: $(cat info.txt)"
pdffonts report.pdf > fonts.txt
grep -q 'Liberation' fonts.txt || fail "Arial resolved to Liberation Sans: $(cat fonts.txt)"
if awk 'NR > 2 && $(NF-4) != "yes" { bad = 1 } END { exit !bad }' fonts.txt; then
    fail "a font is not embedded: $(cat fonts.txt)"
fi

for page in 1 2 3; do
    pdftotext -layout -f $page -l $page report.pdf page$page.txt
    grep -q 'Дата/Время' page$page.txt || fail "column header on page $page: $(head -5 page$page.txt)"
    grep -q 'Тип градуировки' page$page.txt || fail "column header on page $page"
    grep -Eq "Page $page\$" page$page.txt || fail "\"Page $page\" on page $page: $(tail -3 page$page.txt)"
    grep -q "Printed " page$page.txt || fail "the date on page $page"
done
grep -q 'Zarudedu РС5 "Нирма"' page1.txt || fail "title: $(head -3 page1.txt)"
grep -q 'Zarudedu' page2.txt && fail "the title is on page 2"
# A row's texts, Cyrillic intact.
grep -E '^ *1 .*Пшеница .*Базовая .*сухо, "хорошо"' page1.txt > /dev/null || fail "row 1: $(sed -n 4p page1.txt)"
# Row 32 (NN 602) heads page 2, row 65 (NN 1205) page 3.
sed -n 2p page2.txt | grep -Eq '^ *602 ' || fail "row 32 heads page 2: $(sed -n 2p page2.txt)"
sed -n 2p page3.txt | grep -Eq '^ *1205 ' || fail "row 65 heads page 3: $(sed -n 2p page3.txt)"
# W with one decimal (12.3000001907349 shows as 12.3), t without decimals.
grep -E '^ *1 .* 12\.3 ' page1.txt > /dev/null || fail "W of row 1: $(sed -n 4p page1.txt)"
grep -E '^ *105 ' page1.txt | grep -q 'Овёс' || fail "row NN 105: $(grep -E '^ *105 ' page1.txt)"
if grep -E '^ *105 ' page1.txt | grep -Eq ' (13\.1|0\.0|0) '; then fail "a null W printed: $(grep -E '^ *105 ' page1.txt)"; fi

# Item positions: the left edges of "Дата/Время" (10 + 20.11 mm) and of "Заметки" (10 + 204.79 mm), within 0.5 mm.
pdftotext -bbox -f 2 -l 2 report.pdf bbox.html
check_left() {
    local word=$1 mm=$2
    local x
    x=$(grep -m1 ">$word<" bbox.html | sed -E 's/.*xMin="([0-9.]+)".*/\1/')
    [ -n "$x" ] || fail "$word not found in the boxes"
    awk -v x="$x" -v mm="$mm" 'BEGIN { d = x * 25.4 / 72 - mm; if (d < 0) d = -d; exit !(d <= 0.5) }' ||
        fail "$word starts at $x pt, expected $mm mm"
}
check_left 'Дата/Время' 30.11
check_left 'Заметки' 214.79
check_left '№' 11.06

# Texts wider than their item: wrapped and cut off at the box (the rest is not in the PDF at all); texts that need
# shaping (Hebrew, a combining accent) are laid out by Qt; a sign Arial lacks (✓) comes from a fallback font,
# embedded too.
cp rows.mdb long.mdb
sqlite3 long.mdb "UPDATE Sys SET Op = 'очень длинная заметка о партии зерна, которая не помещается в свою колонку' WHERE NN = 2;
  UPDATE Sys SET Op = 'проба́ עברית ✓' WHERE NN = 3"
"$rs5" report long.mdb long.pdf > /dev/null || fail "report with long texts"
pdftotext -layout -f 1 -l 1 long.pdf long.txt
grep -Eq '^ *2 .*очень длинная заметка' long.txt || fail "the first line of a long note: $(grep -E '^ *2 ' long.txt)"
grep -q 'помещается' long.txt && fail "the cut-off part of a long note is in the PDF"
grep 'עברית' long.txt | grep -q '✓' || fail "Hebrew and the sign: $(grep -E '^ *3 ' long.txt)"
[ "$(pdffonts long.pdf | tail -n +3 | wc -l)" -gt 3 ] || fail "no fallback font: $(pdffonts long.pdf)"

# An empty table: one page, the footer, no column header.
"$rs5" convert "$table" empty.mdb > /dev/null
sqlite3 empty.mdb 'delete from Sys'
"$rs5" report empty.mdb empty.pdf > /dev/null || fail "report of an empty table"
grep -Eq '^Pages: +1$' <(pdfinfo empty.pdf) || fail "pages of an empty report"
pdftotext -layout empty.pdf empty.txt
grep -q 'Page 1' empty.txt && grep -q 'Zarudedu' empty.txt || fail "empty report: $(cat empty.txt)"
grep -q 'Дата/Время' empty.txt && fail "column header in an empty report"

# The fonts go in as subsets of the glyphs used, with their characters: a one-page report stays small to mail.
if awk 'NR > 2 && ($(NF-3) != "yes" || $(NF-2) != "yes") { bad = 1 } END { exit !bad }' fonts.txt; then
    fail "a font embedded whole or without its characters: $(cat fonts.txt)"
fi
"$rs5" convert "$table" one.mdb > /dev/null
"$rs5" report one.mdb one.pdf > /dev/null || fail "report of one page"
grep -Eq '^Pages: +1$' <(pdfinfo one.pdf) || fail "pages of the one-page report"
[ "$(stat -c %s one.pdf)" -lt 60000 ] || fail "a one-page report takes $(stat -c %s one.pdf) bytes"

# Failures: status 1, and no PDF, half-written or old, is touched.
echo old > keep.pdf
set +e
"$rs5" report missing.mdb keep.pdf 2> err; status=$?
set -e
[ "$status" -eq 1 ] || fail "a missing source gave status $status"
[ "$(cat keep.pdf)" = old ] || fail "the old file was touched"
set +e
"$rs5" report rows.mdb no/such/folder/report.pdf 2> err; status=$?
set -e
[ "$status" -eq 1 ] && grep -q 'report.pdf' err || fail "an unwritable target: $status $(cat err)"
set +e
"$rs5" report rows.mdb 2> err; status=$?
set -e
[ "$status" -eq 2 ] || fail "usage error gave $status"
[ -z "$(ls | grep -v -E '^(out.txt|report.pdf|rows.mdb|info.txt|fonts.txt|page[123].txt|bbox.html|empty.mdb|empty.pdf|empty.txt|one.mdb|one.pdf|keep.pdf|err|long.mdb|long.pdf|long.txt)$')" ] ||
    fail "stray files: $(ls)"
echo ok
