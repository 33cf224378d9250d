#!/usr/bin/env bash
# The manual page of a program says everything its --help says, in the same order, and man shows it without
# warnings:  manpage_test.sh PROGRAM PAGE
set -euo pipefail
program=$1 page=$2
command -v man >/dev/null || { echo "man is not installed (Debian man-db): skipped"; exit 77; }
export LC_ALL=C.UTF-8 MANWIDTH=80
shown=$(mktemp)
trap 'rm -f "$shown"' EXIT
warnings=$(man --warnings -l "$page" 2>&1 >"$shown")
[ -z "$warnings" ] || { echo "man warns about $page: $warnings"; exit 1; }
# Words, with the typographic hyphens, minus signs and quotes that groff may print made plain; headings
# ("Options:") become section titles ("OPTIONS"), so case and a final colon do not count.
words() { sed -e 's/[‐−]/-/g' -e "s/[’‘]/'/g" | tr -s '[:space:]' '\n' | sed -e '/^$/d' -e 's/:$//' | tr '[:upper:]' '[:lower:]'; }
"$program" --help | sed '1s/^Usage: //' | words > "$shown.help"
col -bx < "$shown" | words > "$shown.page"
awk 'NR == FNR { page[++n] = $0; next }
     { while (at < n && page[++at] != $0) {}
       if (page[at] != $0) { printf "the page lacks \"%s\" (word %d of --help) or has it out of order\n", $0, FNR; bad = 1; exit } }
     END { exit bad }' "$shown.page" "$shown.help" || { rm -f "$shown.help" "$shown.page"; exit 1; }
rm -f "$shown.help" "$shown.page"
echo "$page: every word of $(basename "$program") --help, in order, and no warnings"
