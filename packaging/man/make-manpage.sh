#!/usr/bin/env bash
# Makes the manual page of a program from its --help and --version output and a hand-written page that holds
# what --help does not say (DESCRIPTION's further text, FILES, EXIT STATUS, EXAMPLES, ...). The hand-written page
# marks with comment lines where the generated parts go:
#   .\" @SYNOPSIS@      the "Usage:" lines
#   .\" @DESCRIPTION@   the prose that --help gives before its first heading
#   .\" @OPTIONS@       the options (and commands) as --help lists them
#
#   make-manpage.sh PROGRAM NAME SECTION HAND-WRITTEN OUT
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: $0 PROGRAM NAME SECTION HAND-WRITTEN OUT" >&2; exit 2; }
program=$1 name=$2 section=$3 hand=$4 out=$5
here=$(cd "$(dirname "$0")" && pwd)

help=$(LC_ALL=C.UTF-8 "$program" --help)
version=$(LC_ALL=C.UTF-8 "$program" --version)
version=${version##* }
part() { printf '%s\n' "$help" | awk -v part="$1" -f "$here/help2roff.awk"; }
synopsis=$(part synopsis)
description=$(part description)
options=$(part options)

tmp="$out.tmp"
{
    printf '%s\n' "'\\\" -*- coding: UTF-8 -*-"
    printf '%s\n' ".\\\" Made by make-manpage.sh from \"$name --help\" and $(basename "$hand"); edit those instead."
    printf '.TH %s %s "" "Zarudedu RS5 %s" "User Commands"\n' "$(printf '%s' "$name" | tr 'a-z' 'A-Z' | sed 's/-/\\-/g')" \
        "$section" "$version"
    # Words stay whole (no hyphenation), lines ragged: the page reads as --help does.
    printf '.nr HY 0\n.nh\n.ad l\n'
    while IFS= read -r line || [ -n "$line" ]; do
        case "$line" in
            '.\" @SYNOPSIS@') printf '%s\n' "$synopsis" ;;
            '.\" @DESCRIPTION@') [ -z "$description" ] || printf '%s\n' "$description" ;;
            '.\" @OPTIONS@') printf '%s\n' "$options" ;;
            *) printf '%s\n' "$line" ;;
        esac
    done < "$hand"
} > "$tmp"
mv "$tmp" "$out"
