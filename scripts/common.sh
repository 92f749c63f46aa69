# Shared by scripts/test and scripts/demo: installs what a fresh Debian/Ubuntu machine lacks.

orb_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the named Debian packages that are not installed yet.
orb_install() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

orb_build_deps() {
    orb_install cmake make g++ pkg-config qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev \
        fonts-dejavu-core
}

# What scripts/check_package needs to build and inspect the .deb.
orb_package_deps() {
    orb_install dpkg-dev file lintian appstream desktop-file-utils
}

# Configures and builds into $1.
orb_build() {
    local dir=$1
    shift
    cmake -S "$orb_root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}
