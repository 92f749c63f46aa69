# The Wine root's commands for scripts/windows: run in the root, run a Windows program, the
# wineserver, failing with what Wine said, and a linked COM5/COM6 pair.

# Z: is the root of the machine Wine runs on: give it the root's paths ($rb/...).
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

code_page() { case $1 in ru_RU*) echo 1251 ;; *) echo 1252 ;; esac; }

# Debian's wine script would name a missing 32-bit Wine on every run: its 64-bit loader.
wine=/usr/lib/wine/wine64

# Runs a command in the Wine root with only the environment named here: nothing of the host's
# (another WINEPREFIX, WINESERVER) leaks in. Leading VAR=value arguments are added to it.
in_root() {
    local optional=()
    # TMPDIR is left out: set at all, it makes Wine 10 abort ("free(): invalid pointer"); /tmp
    # in the root is ours alone anyway.
    [ -z "$winepath" ] || optional+=(WINEPATH="$winepath")
    [ -z "$preload" ] || optional+=(LD_PRELOAD="$preload")
    chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME="$rb/home" \
        XDG_CACHE_HOME="$rb/home/.cache" XDG_RUNTIME_DIR="$rb/home/run" DISPLAY="$DISPLAY" \
        WINEPREFIX="$rb/wine-prefix" WINEARCH=win64 WINELOADER="$wine" \
        WINESERVER=/usr/lib/wine/wineserver WINEDEBUG="${WINEDEBUG:-fixme-all}" \
        WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8 "${optional[@]}" "$@"
}
# Wine's own messages (a DLL it cannot find, a program it cannot start) go to stderr: kept in
# $work/wine-stderr.txt and shown with any failure.
wine_run() { in_root "$@" 2>>"$work/wine-stderr.txt"; }
# Runs a Windows program; leading VAR=value arguments go to its environment.
wine_w() {
    local vars=()
    while [[ $1 =~ ^[A-Za-z_][A-Za-z0-9_]*= ]]; do
        vars+=("$1")
        shift
    done
    wine_run "${vars[@]}" "$wine" "$@"
}
server() { in_root /usr/lib/wine/wineserver "$@"; }
wine_messages() {
    [ -s "$work/wine-stderr.txt" ] || return 0
    echo "  Wine said:"
    grep -v '^$' "$work/wine-stderr.txt" | tail -20 | sed 's/^/    /'
}
fail() {
    echo "windows: $*"
    wine_messages
    exit 1
}

cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [ -n "${root:-}" ] && [ -d "$prefix" ]; then server -k 2>/dev/null || true; fi
    orb_root_unmount
}

# A null-modem pair: socat links its two ends into the prefix as COM5 and COM6. Like a pair of
# adapters, it stays when a program on either end closes its port or ends.
pair_up() {
    rm -f "$dos/com5" "$dos/com6"
    socat pty,raw,echo=0,link="$dos/com5" pty,raw,echo=0,link="$dos/com6" </dev/null \
        >/dev/null 2>&1 &
    pair_pid=$!
    pids+=("$pair_pid")
    local _
    for _ in $(seq 100); do [ -e "$dos/com5" ] && [ -e "$dos/com6" ] && return 0; sleep 0.1; done
    fail "socat made no COM5/COM6 pair"
}
pair_down() {
    kill "$pair_pid" 2>/dev/null || true
    wait "$pair_pid" 2>/dev/null || true
    rm -f "$dos/com5" "$dos/com6"
}
