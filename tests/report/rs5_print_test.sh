#!/usr/bin/env bash
# rs5 print as a lab's evening script runs it, against the print fixture's queues that write their jobs to files:
# the request id printed, the pages, copies and range that arrive, the report on its sheet; a queue that does not
# exist and a bad option fail with their exit status.
set -euo pipefail
rs5=$1
table=$2
state=$RS5_CUPS_STATE
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
if [ -s "$state/skip" ]; then
    echo "SKIP: no print queue: $(cat "$state/skip")"
    exit 0
fi
[ -s "$state/file-queues" ] || { echo "SKIP: no queue writing to a file: $(cat "$state/file-queues-skip" 2>/dev/null)"; exit 0; }
cd "$work"

# 70 rows: three pages.
"$rs5" convert "$table" rows.mdb > /dev/null
sqlite3 rows.mdb "WITH RECURSIVE k(copy) AS (SELECT 1 UNION ALL SELECT copy + 1 FROM k WHERE copy < 13)
  INSERT INTO Sys (NN, DataTime, W, m, N, t, Type, Op, Vid)
  SELECT NN + 100 * copy, DataTime, W, m, N, t, Type, Op, Vid FROM Sys, k ORDER BY copy, Num"

# Sends with rs5 print and waits for the queue's file; leaves the job as job.pdf.
print_to() {
    local name=$1 format=$2 file=$3
    shift 3
    rm -f "$file" job.pdf
    "$rs5" print rows.mdb --printer "$name" "$@" > out.txt 2> err.txt || fail "rs5 print $*: $(cat err.txt)"
    grep -Eq "^request id is $name-[0-9]+ \(" out.txt || fail "request id: $(cat out.txt)"
    for _ in $(seq 600); do
        [ -z "$(lpstat -o "$name" 2> /dev/null)" ] && [ -s "$file" ] && break
        sleep 0.2
    done
    [ -s "$file" ] || fail "nothing arrived in $file"
    if [ "$format" = ps ]; then
        gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -o job.pdf "$file" > /dev/null
    else
        cp "$file" job.pdf
    fi
}
pages() { pdfinfo job.pdf | sed -n 's/^Pages: *//p'; }

checked=0
while read -r name format file; do
    case $name in *generic-pdf | *generic-ps) ;; *) continue ;; esac
    print_to "$name" "$format" "$file"
    [ "$(pages)" = 3 ] || fail "$name: $(pages) pages of 3"
    print_to "$name" "$format" "$file" --pages 2-3 --copies 2
    [ "$(pages)" = 4 ] || fail "$name: pages 2-3 twice gave $(pages) pages"
    if [ "$format" = pdf ]; then
        # The words on the sheet, in order: the page numbers, and the last column whole.
        [ "$(pdftotext job.pdf - | grep -Eo 'Page [0-9]+' | tr '\n' ' ')" = "Page 2 Page 3 Page 2 Page 3 " ] ||
            fail "$name: pages $(pdftotext job.pdf - | grep -Eo 'Page [0-9]+' | tr '\n' ' ')"
        print_to "$name" "$format" "$file" --pages 3
        pdftotext job.pdf - | grep -q 'Page 3' || fail "$name: page 3 alone"
        pdftotext -f 1 -l 1 job.pdf - | grep -q 'Заметки' || fail "$name: the last column is missing"
    fi
    checked=$((checked + 1))
done < "$state/file-queues"
[ "$checked" = 2 ] || fail "queues checked: $checked of 2 ($(cat "$state/file-queues-skip" 2>/dev/null))"

set +e
"$rs5" print rows.mdb --printer rs5-no-such-queue > out.txt 2> err.txt
status=$?
set -e
[ "$status" = 1 ] || fail "a queue that does not exist: status $status"
grep -q 'no printer named rs5-no-such-queue' err.txt || fail "message: $(cat err.txt)"
set +e
"$rs5" print rows.mdb --copies none > out.txt 2> err.txt
status=$?
set -e
[ "$status" = 2 ] || fail "a bad option: status $status"
echo "rs5 print: $checked queues"
