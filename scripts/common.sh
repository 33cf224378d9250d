# Shared by scripts/run and scripts/test: install what is missing, then configure and build.
# Sourced, not run; ROOT is the repository's top folder.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

rs5_packages() {
    grep -h -v -E '^\s*(#|$)' "$ROOT"/scripts/packages/*.txt | awk '{print $1}' | sort -u
}

rs5_install_missing() {
    local missing=()
    local pkg
    for pkg in $(rs5_packages); do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}" >&2
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# rs5_build BUILD_DIR [extra cmake arguments...]
rs5_build() {
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja "$@"
    fi
    cmake --build "$dir" -j "$(nproc)"
}
