#!/usr/bin/env bash
# Makes stats-window.png: the window «Статистика» over 1 000 rows downloaded from the meter simulator, on a
# 1366×768 screen of its own (Xvfb) with a real window manager (openbox), as a user sees it.
#   packaging/screenshots/take-stats-window.sh BUILD_DIR [DISPLAY_NUMBER]
set -euo pipefail
build=$(cd "$1" && pwd)
display=:${2:-25}
out=$(cd "$(dirname "$0")" && pwd)/stats-window.png
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp & pids+=($!)
sleep 1
DISPLAY=$display openbox & pids+=($!)

"$build/tools/rs5-meter-sim" --generate 1000 --seed 1 --baud 0 --link "$work/meter" > sim.out 2> sim.log & pids+=($!)
for _ in $(seq 50); do [ -s sim.out ] && break; sleep 0.1; done
"$build/app/zarudedu-rs5" --create-database > /dev/null
"$build/tools/rs5/rs5" download --fast --port "$work/meter" 2> download.log > /dev/null
[ "$(sqlite3 sys.mdb 'select count(*) from Sys')" = 1000 ] || { echo "download failed" >&2; exit 1; }

LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 DISPLAY=$display "$build/app/zarudedu-rs5" & pids+=($!)
export DISPLAY=$display
main=""
for _ in $(seq 100); do
    main=$(xdotool search --onlyvisible --name 'Zarudedu' 2>/dev/null | head -n 1) && [ -n "$main" ] && break
    sleep 0.2
done
[ -n "$main" ] || { echo "the main window did not open" >&2; exit 1; }
xdotool windowactivate --sync "$main"
sleep 1
# «Данные», the second title of the menu bar, then its last item «Статистика», where the default font puts them.
xdotool mousemove --window "$main" 70 12 click 1
sleep 1
xdotool mousemove --window "$main" 110 120 click 1
sleep 2
# The new window takes the focus (searching by its Cyrillic title does not work with xdotool).
stats=""
for _ in $(seq 50); do
    stats=$(xdotool getactivewindow 2>/dev/null) && [ -n "$stats" ] && [ "$stats" != "$main" ] && break
    stats=""
    sleep 0.2
done
[ -n "$stats" ] || { echo "the statistics window did not open" >&2; exit 1; }
xdotool windowactivate --sync "$stats"
sleep 2
import -window root "$out"
echo "$out"
