#!/usr/bin/env bash
# scripts/check-format on a repository of its own: which changed lines fail the check, which are left alone,
# and what it prints.
set -uo pipefail
SOURCE_ROOT=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

git_() { git -C "$work/repo" -c user.email=test@example.invalid -c user.name=test "$@"; }

# A repository holding the check, the project's .clang-format and no package list (nothing to install).
mkdir -p "$work/repo/scripts/packages" "$work/repo/.ci" "$work/repo/src" "$work/repo/tests/data"
cp "$SOURCE_ROOT/scripts/check-format" "$SOURCE_ROOT/scripts/common.sh" "$work/repo/scripts/"
cp "$SOURCE_ROOT/.clang-format" "$work/repo/"
: > "$work/repo/scripts/packages/none.txt"
# Old code, not formatted, from before the base: it must stay unchecked until someone changes it.
printf 'int  old( int a ){return a;}\n\nint kept() {\n    return 1;\n}\n' > "$work/repo/src/Old.cpp"
git_ init -q
git_ add -A
git_ commit -qm base
git_ rev-parse HEAD > "$work/repo/.ci/format-base"
git_ add -A
git_ commit -qm "record the base"

run() {  # run ARGS...: the check's exit status in $status, its output in $out
    out=$(cd "$work/repo" && env -u RS5_FORMAT_BASE_OPTIONAL scripts/check-format "$@" 2>&1)
    status=$?
}

# A formatted change in a file whose old lines are not formatted passes.
printf 'int  old( int a ){return a;}\n\nint kept() {\n    return 2;\n}\n' > "$work/repo/src/Old.cpp"
printf 'int Good(int a) {\n    return a + 1;\n}\n' > "$work/repo/src/Good.cpp"
git_ add -A
git_ commit -qm "formatted changes"
run
[ "$status" -eq 0 ] || fail "formatted changed lines: exit status $status, expected 0: $out"
case $out in *"diff --git"*) fail "formatted changed lines printed a diff: $out" ;; esac

# Data files and files that are not C or C++ are not ours to format, whatever they hold.
printf 'int  g( ){return 0;}\n' > "$work/repo/tests/data/sample.h"
printf 'int  g( ){return 0;}\n' > "$work/repo/src/notes.txt"
git_ add -A
git_ commit -qm "data"
run
[ "$status" -eq 0 ] || fail "data and non-source files: exit status $status, expected 0: $out"

# A changed line that is not formatted fails, and the diff shows the file and the formatted line.
printf 'int Good(int a) {\n    return a + 1;\n}\nint  bad( int b ){return b;}\n' > "$work/repo/src/Good.cpp"
git_ add -A
git_ commit -qm "unformatted"
run
[ "$status" -eq 1 ] || fail "unformatted changed line: exit status $status, expected 1: $out"
grep -q '^diff --git a/src/Good.cpp' <<<"$out" || fail "the diff does not name src/Good.cpp: $out"
grep -q '^+int bad(int b) {' <<<"$out" || fail "the diff does not show the formatted line: $out"
grep -q 'Old.cpp\|sample.h' <<<"$out" && fail "the diff names files whose changed lines are formatted: $out"

# Also when a later commit follows: every commit since the base counts, not only the last one.
printf 'int Later() {\n    return 3;\n}\n' > "$work/repo/src/Later.cpp"
git_ add -A
git_ commit -qm "later"
run
[ "$status" -eq 1 ] || fail "unformatted line two commits back: exit status $status, expected 1"

# A base given on the command line replaces the recorded one.
run HEAD~1
[ "$status" -eq 0 ] || fail "base HEAD~1 (only the formatted last commit): exit status $status, expected 0: $out"

# A base that is not in the clone (a shallow clone) is an error of its own, not a pass.
echo 0123456789abcdef0123456789abcdef01234567 > "$work/repo/.ci/format-base"
run
[ "$status" -eq 2 ] || fail "missing base commit: exit status $status, expected 2: $out"
grep -q 'not in this clone' <<<"$out" || fail "missing base commit: no explanation: $out"
# CI's checkout may lack that history: there the check says it checked nothing, and passes.
out=$(cd "$work/repo" && RS5_FORMAT_BASE_OPTIONAL=1 scripts/check-format 2>&1)
status=$?
[ "$status" -eq 0 ] || fail "missing base commit in CI: exit status $status, expected 0: $out"
grep -q 'nothing checked' <<<"$out" || fail "missing base commit in CI: does not say nothing was checked: $out"

[ "$failures" -eq 0 ] && echo "check_format_test: all cases passed"
exit $((failures > 0))
