# Turns a program's --help text into the SYNOPSIS, the opening of DESCRIPTION and the OPTIONS (and COMMANDS) of
# its manual page, so that the page says what --help says. Called by make-manpage.sh with -v part=synopsis,
# description or options and -v program=NAME. The text it expects:
#   Usage: NAME ...            the synopsis, with further lines "       NAME ..." up to a blank line
#   Text at the margin.        prose; before the first heading it opens DESCRIPTION
#   Heading:                   "Options:" and "Commands:" start those sections, others are subsections
#     --opt ARG   what it does     an item: its tag, two or more blanks, its text; the text may go on in
#                 more text        lines indented deeper than the tag (text indented deeper still is kept
#                   verbatim       line by line, e.g. an example)
#     tag alone                    an item whose text follows on deeper lines
#     a line alone                 an indented line with neither is prose

function esc(s) {
    gsub(/\\/, "\\e", s)
    gsub(/-/, "\\-", s)
    return s
}

# A line of text that roff must not read as a request.
function safe(s) {
    if (s ~ /^[.']/) {
        s = "\\&" s
    }
    return s
}

# Option names bold, placeholders (N, FILE, OUT.pdf) italic, brackets, bars and commas roman, the rest (program
# and command names) bold.
function tag(s,    n, words, i, w, lead, core, trail, out) {
    n = split(s, words, / +/)
    out = ""
    for (i = 1; i <= n; i++) {
        w = words[i]
        lead = ""
        trail = ""
        while (w ~ /^[[(]/) { lead = lead substr(w, 1, 1); w = substr(w, 2) }
        while (w ~ /[]),]$/) { trail = substr(w, length(w)) trail; w = substr(w, 1, length(w) - 1) }
        if (w == "" || w == "|" || w == "...") {
            core = esc(w)
        } else if (w ~ /^-/) {
            core = "\\fB" esc(w) "\\fR"
        } else if (w ~ /^[A-Z][A-Z0-9_]*(\.[A-Za-z0-9]+)?$/) {
            core = "\\fI" esc(w) "\\fR"
        } else {
            core = "\\fB" esc(w) "\\fR"
        }
        out = out (i > 1 ? " " : "") esc(lead) core esc(trail)
    }
    return out
}

function indent(s) {
    match(s, /^ */)
    return RLENGTH
}

{
    sub(/\r$/, "")
    lines[++count] = $0
}

END {
    i = 1
    # The synopsis.
    while (i <= count && lines[i] !~ /^Usage: /) {
        i++
    }
    if (i > count) {
        print "help2roff: no \"Usage:\" line in the --help text" > "/dev/stderr"
        exit 1
    }
    synopsis = ""
    first = 1
    while (i <= count && lines[i] != "") {
        line = lines[i]
        if (first) {
            sub(/^Usage: +/, "", line)
        } else {
            sub(/^ +/, "", line)
        }
        synopsis = synopsis tag(line) "\n.br\n"
        first = 0
        i++
    }
    if (part == "synopsis") {
        printf "%s", synopsis
        exit 0
    }

    # Prose before the first heading opens DESCRIPTION.
    description = ""
    paragraph = ""
    while (i <= count && !(lines[i] ~ /^[^ ].*:$/)) {
        if (lines[i] == "") {
            if (paragraph != "") {
                description = description ".PP\n" paragraph
                paragraph = ""
            }
        } else {
            line = lines[i]
            sub(/^ +/, "", line)
            paragraph = paragraph safe(esc(line)) "\n"
        }
        i++
    }
    if (paragraph != "") {
        description = description ".PP\n" paragraph
    }
    if (part == "description") {
        printf "%s", description
        exit 0
    }

    # The rest: options, commands and their subsections.
    out = ""
    if (i <= count && lines[i] != "Options:" && lines[i] != "Commands:") {
        out = ".SH OPTIONS\n"
    }
    inProse = 0
    while (i <= count) {
        line = lines[i]
        if (line == "") {
            inProse = 0
            i++
            continue
        }
        if (line == "Options:" || line == "Commands:") {
            out = out ".SH " toupper(substr(line, 1, length(line) - 1)) "\n"
            inProse = 0
            i++
            continue
        }
        if (line ~ /^[^ ].*:$/) {
            out = out ".SS \"" esc(substr(line, 1, length(line) - 1)) "\"\n"
            inProse = 0
            i++
            continue
        }
        level = indent(line)
        text = substr(line, level + 1)
        gap = match(text, /  +/)
        gapAt = RSTART
        gapLength = RLENGTH
        deeper = (i < count && lines[i + 1] != "" && indent(lines[i + 1]) > level)
        if (level == 0 || (!gap && !deeper)) {
            if (!inProse) {
                out = out ".PP\n"
                inProse = 1
            }
            out = out safe(esc(text)) "\n"
            i++
            continue
        }
        inProse = 0
        if (gap) {
            head = substr(text, 1, gapAt - 1)
            body = substr(text, gapAt + gapLength)
            column = level + gapAt - 1 + gapLength
        } else {
            head = text
            body = ""
            column = indent(lines[i + 1])
        }
        out = out ".TP\n" safe(tag(head)) "\n"
        if (body != "") {
            out = out safe(esc(body)) "\n"
        }
        i++
        verbatim = 0
        while (i <= count && lines[i] != "" && indent(lines[i]) > level) {
            more = lines[i]
            deeperStill = indent(more) > column
            sub(/^ +/, "", more)
            if (deeperStill && !verbatim) {
                out = out ".RS\n.nf\n"
                verbatim = 1
            } else if (!deeperStill && verbatim) {
                # Back to the item's text, at its indentation.
                out = out ".fi\n.RE\n.IP\n"
                verbatim = 0
            }
            out = out safe(esc(more)) "\n"
            i++
        }
        if (verbatim) {
            out = out ".fi\n.RE\n"
        }
    }
    printf "%s", out
}
