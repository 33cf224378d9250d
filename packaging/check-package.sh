#!/usr/bin/env bash
# Checks a built package as a user's machine would see it, installing nothing:
#   check-package.sh PACKAGE.deb BUILD_DIR TABLE.xml
# its control data and file list (and that nothing in it names the build folder), lintian without errors, the
# desktop entry, the AppStream metadata and the manual pages without warnings, and the programs unpacked with
# dpkg -x: --version and --help of all three, and --data-folder making the user's data folder on the first
# start only (TABLE.xml: rows to store in between), while a start without it creates nothing.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 PACKAGE.deb BUILD_DIR TABLE.xml" >&2; exit 2; }
deb=$(realpath "$1") build=$(realpath "$2") table=$(realpath "$3")
export LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen
scratch=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "check-package: $*" >&2; exit 1; }
step() { echo "check-package: $*" >&2; }

step "control data"
info=$(dpkg-deb --info "$deb")
field() { printf '%s\n' "$info" | sed -n "s/^ $1: //p"; }
[ "$(field Package)" = zarudedu-rs5 ] || fail "package name: $(field Package)"
[ "$(field Architecture)" = amd64 ] || fail "architecture: $(field Architecture)"
version=$(field Version)
[ "$(basename "$deb")" = "zarudedu-rs5_${version}_amd64.deb" ] || fail "file name $(basename "$deb") for version $version"
depends=$(field Depends)
for needed in fonts-liberation2 qt6-translations-l10n libqt6widgets6 libqt6printsupport6 libsqlite3-0 libc6; do
    [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed: $depends"
done

step "file list"
expected="./usr/bin/rs5
./usr/bin/rs5-meter-sim
./usr/bin/zarudedu-rs5
./usr/share/applications/zarudedu-rs5.desktop
./usr/share/doc/zarudedu-rs5/README.Debian
./usr/share/doc/zarudedu-rs5/changelog.gz
./usr/share/doc/zarudedu-rs5/copyright
./usr/share/icons/hicolor/256x256/apps/zarudedu-rs5.png
./usr/share/icons/hicolor/48x48/apps/zarudedu-rs5.png
./usr/share/icons/hicolor/scalable/apps/zarudedu-rs5.svg
./usr/share/man/man1/rs5-meter-sim.1.gz
./usr/share/man/man1/rs5.1.gz
./usr/share/man/man1/zarudedu-rs5.1.gz
./usr/share/metainfo/io.github.zarudedu.rs5.metainfo.xml
./usr/share/zarudedu-rs5/DADOZURA-RS5.HLP"
files=$(dpkg-deb --contents "$deb" | grep -v '^d' | awk '{print $6}' | sort)
[ "$files" = "$expected" ] || fail "files differ from the expected list:
$(diff <(printf '%s\n' "$expected") <(printf '%s\n' "$files") || true)"
dpkg-deb --contents "$deb" | awk '$2 != "root/root" {bad = 1; print} END {exit bad}' >&2 || fail "files not owned by root"

root="$scratch/root"
dpkg -x "$deb" "$root"
if grep -rl --fixed-strings "$build" "$root" >&2; then
    fail "the files above name the build folder $build"
fi

step "lintian"
# Lintian's own tag list tells errors ("E:") from warnings; only errors fail.
lintian --fail-on error --tag-display-limit 0 "$deb" >&2 || fail "lintian reports errors"

step "desktop entry, AppStream metadata, manual pages"
desktop-file-validate "$root/usr/share/applications/zarudedu-rs5.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.zarudedu.rs5.metainfo.xml" >&2 || fail "metainfo"
for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

step "the unpacked programs"
bin="$root/usr/bin"
for program in zarudedu-rs5 rs5 rs5-meter-sim; do
    shown=$("$bin/$program" --version) || fail "$program --version failed"
    [ "$shown" = "$program $version" ] || fail "$program --version says \"$shown\", the package is $version"
    help=$("$bin/$program" --help) || fail "$program --help failed"
    [[ $help == "Usage: $program"* ]] || fail "$program --help does not begin with its usage"
done

# Starts the unpacked program in the folder $1 with the arguments that follow; its pid in $started.
start() {
    local folder=$1
    shift
    (cd "$folder" && exec "$bin/zarudedu-rs5" "$@" >"$scratch/program.log" 2>&1) &
    started=$!
    pids+=("$started")
}
# Waits (at most 20 s) until the program has opened the working database in folder $1: SQLite's shared-memory
# file appears beside a database in WAL mode while it is open.
wait_opened() {
    for _ in $(seq 200); do
        [ -e "$1/sys.mdb-shm" ] && return 0
        kill -0 "$started" 2>/dev/null || { cat "$scratch/program.log" >&2; fail "the program ended"; }
        sleep 0.1
    done
    fail "the program did not open $1/sys.mdb"
}
stop() {
    kill "$started"
    wait "$started" 2>/dev/null || true
}
rows() { sqlite3 "$1/sys.mdb" 'select count(*) from Sys'; }

step "--data-folder"
export XDG_DATA_HOME="$scratch/xdg" HOME="$scratch/home"
mkdir -p "$scratch/home" "$scratch/cwd"
data="$XDG_DATA_HOME/zarudedu-rs5"
began=$(date +%s%N)
start "$scratch/cwd" --data-folder
wait_opened "$data"
opened_ms=$((($(date +%s%N) - began) / 1000000))
stop
[ "$(rows "$data")" = 0 ] || fail "the first start made a database that is not empty"
[ "$(stat -c %a "$data")" = 700 ] || fail "the data folder is not the owner's alone: $(stat -c %a "$data")"
[ -z "$(ls -A "$scratch/cwd")" ] || fail "the first start wrote into its working directory"
# Rows stored in between, by the packaged rs5 (which also checkpoints what the killed program left).
"$bin/rs5" convert "$table" "$data/sys.mdb" >/dev/null
stored=$(rows "$data")
[ "$stored" -gt 0 ] || fail "no rows stored between the starts"
[ ! -e "$data/sys.mdb-shm" ] || fail "the database is still open"
inode=$(stat -c %i "$data/sys.mdb")
start "$scratch/cwd" --data-folder
wait_opened "$data"
stop
[ "$(rows "$data")" = "$stored" ] || fail "the second start lost rows: $(rows "$data") of $stored"
[ "$(stat -c %i "$data/sys.mdb")" = "$inode" ] || fail "the second start replaced sys.mdb"

step "without --data-folder"
export XDG_DATA_HOME="$scratch/xdg-untouched"
mkdir -p "$scratch/empty"
start "$scratch/empty"
# Without a database the program shows its error boxes and waits; give it well over the time a start took.
sleep "$(((opened_ms * 3 + 2000) / 1000))"
kill -0 "$started" 2>/dev/null || { cat "$scratch/program.log" >&2; fail "the program ended"; }
stop
[ -z "$(ls -A "$scratch/empty")" ] || fail "a start without --data-folder created $(ls -A "$scratch/empty")"
[ ! -e "$XDG_DATA_HOME" ] || fail "a start without --data-folder created $XDG_DATA_HOME"
step "all checks passed ($(basename "$deb"))"
