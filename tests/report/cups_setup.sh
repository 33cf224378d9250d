#!/usr/bin/env bash
# Test fixture: real print queues. Starts the CUPS scheduler when none is running (only root may) and adds a
# cups-pdf queue named QUEUE, and beside it queues with Debian's drivers for ordinary printers (hardware margins,
# no custom paper in most), each writing its jobs to a file in STATE: "file-queues" lists them, one a line as
# "NAME FORMAT FILE" (FORMAT pdf or ps). STATE is a folder the print tests and the cleanup read: "queue" names the
# cups-pdf queue, "cupsd.pid" is there when this script started the scheduler, "skip" gives the reason when CUPS
# truly cannot be set up here (not installed; not root and no scheduler) and the print tests then skip;
# "file-queues-skip" says why the file-writing queues are missing (a scheduler started by someone else that does
# not allow file devices, a driver package not installed). Anything else that goes wrong fails the fixture, and
# the print tests with it.
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
    # The system's file settings plus file devices, so that queues may write their jobs to files.
    conf=/etc/cups/cups-files.conf
    { [ -f "$conf" ] && grep -v -i '^[[:space:]]*FileDevice' "$conf"; echo "FileDevice Yes"; } > "$state/cups-files.conf"
    /usr/sbin/cupsd -s "$state/cups-files.conf" || fail "cupsd did not start"
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

# The queues writing to files: NAME FORMAT MODEL (a PPD file, or a driver's model name for lpadmin -m).
file_queues=(
    "$queue-generic-pdf pdf /usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd"
    "$queue-generic-ps ps foomatic-db-compressed-ppds:0/ppd/foomatic-ppd/Generic-PostScript_Printer-Postscript.ppd"
    "$queue-hp-color-laser ps postscript-hp:0/ppd/hplip/HP/hp-color_laserjet-ps.ppd"
)
chmod 755 "$state"
: > "$state/file-queues"
for entry in "${file_queues[@]}"; do
    read -r name format model <<< "$entry"
    out="$state/$name.out"
    if [ "${model#/}" != "$model" ]; then
        [ -f "$model" ] || { echo "missing driver $model" >> "$state/file-queues-skip"; continue; }
        source=(-P "$model")
    else
        source=(-m "$model")
    fi
    if ! lpadmin -p "$name" -E -v "file://$out" "${source[@]}" -o printer-error-policy=abort-job \
        2> "$state/lpadmin.err"; then
        echo "queue $name: $(cat "$state/lpadmin.err")" >> "$state/file-queues-skip"
        continue
    fi
    echo "$name $format $out" >> "$state/file-queues"
    echo "Print queue $name ($model) writes to $out"
done
