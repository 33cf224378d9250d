#!/usr/bin/env bash
# .ci/run with its parts replaced by stand-ins that log their call and pass or fail on demand: every part runs
# in order even after one fails, the summary names each part's result, and the exit status is 0 only when
# every part passed.
set -uo pipefail
SOURCE_ROOT=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

mkdir -p "$work/repo/.ci" "$work/repo/scripts"
cp "$SOURCE_ROOT/.ci/run" "$work/repo/.ci/run"
# Each stand-in appends its name to calls.log and fails when its name is listed in FAILING.
cat > "$work/repo/scripts/check-format" <<'STUB'
#!/usr/bin/env bash
echo format >> calls.log
case " $FAILING " in *" format "*) exit 1 ;; esac
STUB
cat > "$work/repo/scripts/test" <<'STUB'
#!/usr/bin/env bash
part=test
[ "${1:-}" = --sanitize ] && part=sanitize
echo "$part $#" >> calls.log
case " $FAILING " in *" $part "*) exit 3 ;; esac
STUB
chmod +x "$work/repo/.ci/run" "$work/repo/scripts/check-format" "$work/repo/scripts/test"

run() {  # run "FAILING parts": exit status in $status, output in $out, the calls in $calls
    rm -f "$work/repo/calls.log"
    out=$(cd "$work/repo" && FAILING="$1" .ci/run 2>&1)
    status=$?
    calls=$(tr '\n' ',' < "$work/repo/calls.log")
}

run ""
[ "$status" -eq 0 ] || fail "all parts pass: exit status $status, expected 0: $out"
[ "$calls" = "format,test 0,sanitize 1," ] || fail "all parts pass: calls were '$calls'"
grep -Eq '^  total +passed' <<<"$out" || fail "all parts pass: the summary does not say passed: $out"

run "test"
[ "$status" -eq 1 ] || fail "the tests fail: exit status $status, expected 1"
[ "$calls" = "format,test 0,sanitize 1," ] || fail "the tests fail: later parts did not run, calls were '$calls'"
grep -Eq '^  test +FAILED' <<<"$out" || fail "the tests fail: the summary does not say so: $out"
grep -Eq '^  sanitize +passed' <<<"$out" || fail "the tests fail: the sanitizer part is not reported passed: $out"
grep -Eq '^  total +FAILED' <<<"$out" || fail "the tests fail: the total is not FAILED: $out"

run "format sanitize"
[ "$status" -eq 1 ] || fail "format and sanitizers fail: exit status $status, expected 1"
grep -Eq '^  format +FAILED' <<<"$out" || fail "format fails: the summary does not say so: $out"
grep -Eq '^  test +passed' <<<"$out" || fail "format fails: the test part is not reported passed: $out"
grep -Eq '^  sanitize +FAILED' <<<"$out" || fail "sanitizers fail: the summary does not say so: $out"

[ "$failures" -eq 0 ] && echo "ci_run_test: all cases passed"
exit $((failures > 0))
