#!/usr/bin/env bash
# rs5 convert: every recordset ADO saved, rewritten by us as ADTG and as XML, inspects
# the same as the original; a failed conversion leaves an existing output file as it was.
set -euo pipefail
rs5=$1
formats=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

converted=0
for file in "$formats"/adtg-samples/*.adtg "$formats"/xml-samples/*.xml; do
    "$rs5" inspect --codepage 949 "$file" > "$work/original"
    for out in "$work/out.db" "$work/out.xml"; do
        rm -f "$out"
        if ! "$rs5" convert --codepage 949 "$file" "$out" 2> "$work/err"; then
            # The XML format nests child rows in their parents and has no place for their pending changes.
            grep -q "child rows" "$work/err" && [[ $out == *.[xX][mM][lL] ]] || fail "convert $file to $out: $(cat "$work/err")"
            continue
        fi
        "$rs5" inspect --codepage 949 "$out" > "$work/again"
        diff -u "$work/original" "$work/again" > /dev/null || fail "$file changed on its way through $out"
        converted=$((converted + 1))
    done
done
[ "$converted" -gt 300 ] || fail "only $converted conversions"
"$rs5" convert --codepage 949 "$formats/adtg-samples/generated__nulls.adtg" "$work/OUT.XML"
head -c 2 "$work/OUT.XML" | grep -q '<x' || fail "a name ending in .XML did not give XML"
head -c 2 "$work/out.db" | od -An -tx1 | grep -q '01 07' || fail "a .db name did not give ADTG"

# A failure leaves the old output file in place.
printf 'old content' > "$work/keep.db"
if "$rs5" convert "$work/missing.db" "$work/keep.db" 2> /dev/null; then fail "converting a missing file succeeded"; fi
[ "$(cat "$work/keep.db")" = "old content" ] || fail "a failed conversion touched the output"
printf 'not a table' > "$work/text.db"
if "$rs5" convert "$work/text.db" "$work/keep.db" 2> /dev/null; then fail "converting a text file succeeded"; fi
[ "$(cat "$work/keep.db")" = "old content" ] || fail "a failed conversion touched the output"
echo "converted $converted times"
