#!/usr/bin/env bash
# rs5 --help and rs5 inspect on the recordsets real ADO saved: every file prints, and the binary and XML
# files of one recordset print the same.
set -euo pipefail
rs5=$1
formats=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# One inspection into $work/$2; a failure names the file, rs5's exit status and what it printed on stderr.
inspect() {
    local status=0
    "$rs5" inspect --codepage 949 "$1" > "$work/$2" 2> "$work/stderr" || status=$?
    [ "$status" -eq 0 ] || fail "inspect $1 exited with $status: $(head -c 2000 "$work/stderr")"
}

"$rs5" --help > "$work/help" || fail "--help"
grep -q "rs5 inspect" "$work/help" || fail "--help does not document inspect"
set +e
"$rs5" inspect > /dev/null 2>&1; [ $? -eq 2 ] || fail "inspect without a file is not a usage error"
"$rs5" inspect "$work/missing.db" > /dev/null 2> "$work/err"; [ $? -eq 1 ] || fail "a missing file does not fail"
set -e
grep -q "missing.db" "$work/err" || fail "the error does not name the file"

printed=0
for file in "$formats"/adtg-samples/*.adtg "$formats"/xml-samples/*.xml; do
    inspect "$file" out
    grep -q '^columns ' "$work/out" || fail "no columns printed for $file"
    printed=$((printed + 1))
done
[ "$printed" -gt 150 ] || fail "only $printed files found in $formats"

compared=0
for adtg in "$formats"/adtg-samples/*.adtg; do
    name=$(basename "$adtg" .adtg)
    inspect "$adtg" a
    for xml in "$formats/xml-samples/$name.xml" "$formats/xml-samples/$name.roundtrip.xml"; do
        [ -f "$xml" ] || continue
        inspect "$xml" x
        if ! cmp -s "$work/a" "$work/x"; then
            diff -u "$work/a" "$work/x" | head -40 || true
            fail "$adtg and $xml differ"
        fi
        compared=$((compared + 1))
    done
done
[ "$compared" -gt 80 ] || fail "only $compared pairs compared"
echo "inspected $printed files, compared $compared pairs"
