#!/usr/bin/env bash
# rs5 --help and rs5 inspect on the recordsets real ADO saved: every file prints, and the binary and XML
# files of one recordset print the same.
set -euo pipefail
rs5=$1
formats=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$rs5" --help > "$work/help" || fail "--help"
grep -q "rs5 inspect" "$work/help" || fail "--help does not document inspect"
set +e
"$rs5" inspect > /dev/null 2>&1; [ $? -eq 2 ] || fail "inspect without a file is not a usage error"
"$rs5" inspect "$work/missing.db" > /dev/null 2> "$work/err"; [ $? -eq 1 ] || fail "a missing file does not fail"
set -e
grep -q "missing.db" "$work/err" || fail "the error does not name the file"

printed=0
for file in "$formats"/adtg-samples/*.adtg "$formats"/xml-samples/*.xml; do
    "$rs5" inspect --codepage 949 "$file" > "$work/out" || fail "inspect $file"
    grep -q '^columns ' "$work/out" || fail "no columns printed for $file"
    printed=$((printed + 1))
done
[ "$printed" -gt 150 ] || fail "only $printed files found in $formats"

compared=0
for adtg in "$formats"/adtg-samples/*.adtg; do
    name=$(basename "$adtg" .adtg)
    "$rs5" inspect --codepage 949 "$adtg" > "$work/a"
    for xml in "$formats/xml-samples/$name.xml" "$formats/xml-samples/$name.roundtrip.xml"; do
        [ -f "$xml" ] || continue
        "$rs5" inspect --codepage 949 "$xml" > "$work/x"
        diff -u "$work/a" "$work/x" || fail "$adtg and $xml differ"
        compared=$((compared + 1))
    done
done
[ "$compared" -gt 80 ] || fail "only $compared pairs compared"
echo "inspected $printed files, compared $compared pairs"
