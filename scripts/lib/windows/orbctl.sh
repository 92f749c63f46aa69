# orbctl.exe and the Windows simulator.

# orbctl.exe through a COM port with the Linux simulator on the other end, and over tcp://.
step_orbctl() {
    local orbctl=$rb/cli/orbctl.exe before after status lang tcp
    # Text written on Windows ends its lines with CR LF.
    ctl() { wine_w "$orbctl" "$@" </dev/null | tr -d '\r'; }
    "$linux_sim" --address 1 --link "$dos/com5" </dev/null >/dev/null 2>&1 &
    local sim_pid=$!
    pids+=("$sim_pid")
    for _ in $(seq 50); do [ -e "$dos/com5" ] && break; sleep 0.1; done
    before=$(ctl -p COM5 read)
    grep -qx 'time_interval=3600' <<<"$before" || fail "orbctl read: $before"
    ctl -p COM5 set time_interval=2h30m
    after=$(ctl -p COM5 read)
    grep -qx 'time_interval=9000' <<<"$after" || fail "orbctl read after set: $after"
    if [ "$(diff <(echo "$before") <(echo "$after") | grep -c '^[<>]')" -ne 2 ]; then
        diff <(echo "$before") <(echo "$after") || true
        fail "orbctl set changed more than one field"
    fi
    # A pipe gets UTF-8 whatever the ANSI code page.
    for lang in $langs; do
        status=$(wine_w LANG="$lang" LC_ALL="$lang" "$orbctl" -p COM5 status </dev/null |
            tr -d '\r')
        grep -q 'осталось:' <<<"$status" || { od -c <<<"$status"; fail "orbctl status in $lang"; }
    done
    # Wine goes first: the pseudo-terminal's hang-up would reach the wineserver holding it.
    server -k 2>/dev/null || true
    server -w
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    echo "  COM5: read, set time_interval=2h30m, read: 3600 -> 9000; status in UTF-8 under" \
        "$langs"

    # tcp:// to the Linux simulator's own port.
    coproc tcp_sim { exec "$linux_sim" --address 1 --tcp 0 2>/dev/null; }
    pids+=("$tcp_sim_PID")
    read -r -t 10 tcp <&"${tcp_sim[0]}" || fail "the simulator gave no tcp:// port"
    status=$(ctl -p "$tcp" status)
    grep -q 'осталось:' <<<"$status" || fail "orbctl status over $tcp: $status"
    ctl -p "$tcp" set time_interval=1h30m
    after=$(ctl -p "$tcp" read)
    grep -qx 'time_interval=5400' <<<"$after" || fail "orbctl read over $tcp: $after"
    kill "$tcp_sim_PID" 2>/dev/null || true
    wait "$tcp_sim_PID" 2>/dev/null || true
    echo "  $tcp: status, set time_interval=1h30m, read: 5400"

    # The Windows simulator opens a Windows COM port and says which.
    pair_up
    wine_w "$rb/sim/orb-module-sim.exe" --port COM6 </dev/null >"$work/sim.txt" &
    local win_sim=$!
    for _ in $(seq 200); do [ -s "$work/sim.txt" ] && break; sleep 0.1; done
    kill "$win_sim" 2>/dev/null || true
    server -k 2>/dev/null || true
    wait "$win_sim" 2>/dev/null || true
    pair_down
    head -1 "$work/sim.txt" | tr -d '\r' | grep -qx 'COM6' || fail "the simulator on COM6:" \
        "$(cat "$work/sim.txt")"
    echo "  orb-module-sim.exe --port COM6: serving COM6"
}
