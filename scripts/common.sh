# Shared by scripts/test and scripts/demo: installs what a fresh Debian/Ubuntu machine lacks.

orb_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$orb_root/scripts/lib/root.sh"

# Installs the named Debian packages that are not installed yet.
orb_install() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    orb_sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive orb_sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Runs a command as root: as it is when we are root, else through sudo.
orb_sudo() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# Generates the locale of one /etc/locale.gen line ("ru_RU.KOI8-R KOI8-R") unless the system
# has it already.
orb_locale() {
    local entry=$1 name=${1%% *} norm
    # locale -a spells ru_RU.KOI8-R as ru_RU.koi8r.
    norm="${name%%.*}.$(echo "${name#*.}" | tr -d '-' | tr '[:upper:]' '[:lower:]')"
    locale -a 2>/dev/null | grep -xF "$norm" >/dev/null && return 0
    orb_install locales
    grep -qxF "$entry" /etc/locale.gen 2>/dev/null ||
        echo "$entry" | orb_sudo tee -a /etc/locale.gen >/dev/null
    orb_sudo locale-gen >/dev/null
}

# qttools5-dev-tools: lrelease builds the translations, lupdate checks them (the Windows
# cross-build uses these too: its Qt kit has no Linguist tools).
orb_build_deps() {
    orb_install cmake make g++ pkg-config qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev \
        qttools5-dev-tools fonts-dejavu-core
}

# tst_orbctl and tst_contrib check orbctl's metrics and the contrib/ files with the real tools:
# promtool, the node exporter and systemd-analyze.
orb_monitoring_deps() {
    orb_install prometheus prometheus-node-exporter systemd
}

# What scripts/check_package needs to build and inspect the .deb.
orb_package_deps() {
    orb_install dpkg-dev file lintian appstream desktop-file-utils
}

# Qt 6 for the -DORB_QT=6 build: uic, moc and rcc come with the tools package, the offscreen
# platform plug-in with the QPA plug-ins.
orb_qt6_deps() {
    orb_install qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-qpa-plugins qt6-l10n-tools
}

# The accessibility check (tests/a11y): a virtual X server, a session bus with the AT-SPI
# registry, Debian's Python bindings for AT-SPI, and xdotool to find and focus the window.
orb_a11y_deps() {
    orb_install xvfb xauth dbus-daemon at-spi2-core python3-pyatspi gir1.2-atspi-2.0 xdotool
}

# The sanitizer build uses g++: its AddressSanitizer and UndefinedBehaviorSanitizer runtimes
# (libasan, libubsan) are dependencies of the compiler package itself.
orb_sanitizer_deps() {
    orb_install g++
}

# Locales that tst_log switches between (the window and orbctl must append the same bytes to
# one log whatever the locale); C and C.UTF-8 come with the C library.
orb_locales() {
    orb_locale "ru_RU.KOI8-R KOI8-R"
    orb_locale "ru_RU.UTF-8 UTF-8"
}

# Configures and builds into $1.
orb_build() {
    local dir=$1
    shift
    cmake -S "$orb_root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}

# Runs the suites of the build in $1, one at a time (they use pseudo-terminals with real
# timing). From the build folder: `ctest --test-dir` needs CMake 3.20.
orb_ctest() {
    (cd "$1" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300)
}

# The Windows cross-build and its runs under Wine (scripts/windows): the MinGW-w64 compiler
# with posix threads (the Windows Qt was built with it), NSIS for the installer, an X server
# without a screen, socat for linked COM ports, mmdebstrap for the root Wine runs in
# (orb_wine_root), xwininfo to measure the window, and the C compiler for the pty modem
# library.
orb_windows_deps() {
    orb_install cmake make gcc g++ g++-mingw-w64-x86-64-posix nsis xvfb xauth socat xz-utils \
        python3 x11-utils qttools5-dev-tools
    orb_root_deps
}

# mmdebstrap and Debian's keys for the roots (scripts/lib/root.sh); unshare, mount, flock.
orb_root_deps() {
    orb_install mmdebstrap debian-archive-keyring util-linux
}

# Wine 10 comes from Debian 13 (trixie), which the machine's own Debian mirror serves: a root
# made once per machine and package list (orb_root_make), so the host's packages stay as they
# are. The Russian locale inside gives Wine code page 1251. Prints the root's path.
orb_wine_root() {
    orb_root_make wine trixie "wine wine64 fonts-wine locales" \
        'echo "ru_RU.UTF-8 UTF-8" >"$1/etc/locale.gen"' 'chroot "$1" locale-gen >/dev/null'
}
