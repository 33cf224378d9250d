#!/usr/bin/env bash
# Test fixture cleanup: removes the queues cups_setup.sh added and stops the scheduler if it started it, by the
# process id it kept (never by name).
set -u
state=$1
[ -f "$state/queue" ] && lpadmin -x "$(cat "$state/queue")" 2> /dev/null
if [ -f "$state/file-queues" ]; then
    while read -r name _; do
        lpadmin -x "$name" 2> /dev/null
    done < "$state/file-queues"
fi
if [ -f "$state/cupsd.pid" ]; then
    pid=$(cat "$state/cupsd.pid")
    kill "$pid" 2> /dev/null
    for _ in $(seq 100); do
        kill -0 "$pid" 2> /dev/null || break
        sleep 0.1
    done
    echo "Stopped cupsd (process $pid)"
fi
rm -rf "$state"
exit 0
