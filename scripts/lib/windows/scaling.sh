# The tool at Windows' display scales.

# The tool at 125, 150 and 200 %: Wine's LogPixels, which Windows sets for a scaled display.
# The window must open larger by the scale, and the caption check of tst_window (its row at
# Windows' own font size) must pass in a process started at that scale.
step_scaling() {
    local dpi out geometry width height base_w=
    for dpi in 96 120 144 192; do
        wine_w reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
            >/dev/null
        server -w
        in_root sh -c "cd '$rwork' && exec $wine '$rb/app/orb-ptz-washing.exe'" \
            2>>"$work/wine-stderr.txt" &
        local tool=$!
        geometry=
        for _ in $(seq 300); do
            geometry=$(xwininfo -display "$DISPLAY" -root -tree 2>/dev/null |
                grep -m1 '"ORB PTZ Washing' | grep -oE '[0-9]+x[0-9]+\+' | head -1 || true)
            [ -n "$geometry" ] && break
            sleep 0.1
        done
        kill "$tool" 2>/dev/null || true
        server -k 2>/dev/null || true
        wait "$tool" 2>/dev/null || true
        [ -n "$geometry" ] || fail "the tool showed no window at $dpi dpi"
        width=${geometry%%x*}
        height=${geometry#*x}
        height=${height%+}
        if [ -z "$base_w" ]; then
            base_w=$width
            base_h=$height
        else
            # Grown by the scale, within 3 % (a frame and rounding).
            local want_w=$((base_w * dpi / 96)) want_h=$((base_h * dpi / 96))
            if [ $((width * 100 / want_w)) -lt 97 ] || [ $((height * 100 / want_h)) -lt 97 ]; then
                fail "at $dpi dpi the window is ${width}x$height, not about ${want_w}x$want_h"
            fi
        fi
        if [ "$dpi" -eq 96 ]; then
            echo "  96 dpi: the window opens at ${width}x$height"
            continue
        fi
        out=$work/captions-$dpi.txt
        if ! wine_w "$rb/tests/tst_window.exe" 'captions_fit:9pt, plain X11' \
            -o "$(winpath "$rwork/captions-$dpi.txt"),txt" >/dev/null; then
            grep -B1 -A3 '^FAIL!' "$out" 2>/dev/null || wine_messages
            failed+=("captions at $dpi dpi")
        fi
        echo "  $dpi dpi: the window opens at ${width}x$height;" \
            "captions: $(grep -m1 '^Totals' "$out" 2>/dev/null)"
    done
    wine_w reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
    server -w
}
