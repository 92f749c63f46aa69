# The Wine root with the build at a fixed place in it, and a fresh prefix.

step_root() {
    root=$(orb_wine_root)
    orb_root_mount "$root"
    orb_root_bind "$wb" "$root$rb"
    # Wine's server lives under /tmp: ours alone.
    rm -rf "$wb/tmp"
    mkdir -p "$wb/tmp"
    chmod 1777 "$wb/tmp"
    orb_root_bind "$wb/tmp" "$root/tmp"
    echo "  $(in_root "$wine" --version) in $root"
}

# A fresh prefix on a headless display of our own, with Qt and the compiler's DLLs on the path.
# The display is a 4K one, so that the window at 200 % fits on it.
step_prefix() {
    local display_file
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 3840x2160x24 -dpi 96 -nolisten tcp 3>"$display_file" \
        2>/dev/null &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
    DISPLAY=:$(cat "$display_file")
    rm -f "$display_file"
    [ "$DISPLAY" != : ] || fail "Xvfb did not start"
    rm -rf "$prefix" "$work" "$wb/home"
    mkdir -p "$work" "$wb/home/run"
    chmod 700 "$wb/home/run"
    : >"$work/wine-stderr.txt"
    winepath=
    wine_w wineboot -i || fail "wineboot -i failed"
    # The prefix's desktop must be up before the first window, or that window is never shown.
    server -w
    # Every path handed to Wine goes through Z:; without it each program is "not found" (53).
    [ "$(readlink "$dos/z:")" = / ] && [ -d "$prefix/drive_c/windows/system32" ] ||
        fail "wineboot -i left the prefix without Z: or C:\\windows"
    winepath="$(winpath "$rb/qt5-mingw/bin");$(winpath "$rb/runtime")"
    # Wine's own start-up chatter is not news.
    : >"$work/wine-stderr.txt"
}
