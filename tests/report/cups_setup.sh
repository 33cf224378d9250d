#!/usr/bin/env bash
# Test fixture: a real print queue. Starts the CUPS scheduler when none is running (only root may) and adds a
# cups-pdf queue named QUEUE. STATE is a folder the print test and the cleanup read: "queue" names the queue,
# "cupsd.pid" is there when this script started the scheduler, "skip" gives the reason when CUPS truly cannot be
# set up here (not installed; not root and no scheduler) and the print test then skips. Anything else that goes
# wrong fails the fixture, and the print test with it.
set -u
state=$1
queue=$2
rm -rf "$state"
mkdir -p "$state"

skip() {
    echo "No print queue: $* (the print test skips)"
    echo "$*" > "$state/skip"
    exit 0
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
running() { LANG=C lpstat -r 2>/dev/null | grep -q 'scheduler is running'; }

[ -x /usr/sbin/cupsd ] || skip "CUPS is not installed (Debian package cups)"
command -v lpadmin > /dev/null && command -v lpstat > /dev/null || skip "the CUPS client tools are not installed"
[ -e /usr/lib/cups/backend/cups-pdf ] || skip "cups-pdf is not installed (Debian package printer-driver-cups-pdf)"

if ! running; then
    [ "$(id -u)" -eq 0 ] || skip "the CUPS scheduler is not running and only root may start it"
    /usr/sbin/cupsd || fail "cupsd did not start"
    for _ in $(seq 100); do
        running && [ -s /run/cups/cupsd.pid ] && break
        sleep 0.1
    done
    running || fail "cupsd started but the scheduler does not answer"
    cp /run/cups/cupsd.pid "$state/cupsd.pid"
    echo "Started cupsd (process $(cat "$state/cupsd.pid"))"
fi

if ! lpadmin -p "$queue" -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2> "$state/lpadmin.err"; then
    cat "$state/lpadmin.err" >&2
    [ "$(id -u)" -eq 0 ] || skip "this user may not add a print queue"
    fail "lpadmin could not add the queue $queue"
fi
echo "$queue" > "$state/queue"
echo "Print queue $queue ready"
