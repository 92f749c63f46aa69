# The suites, the guided tour and the soak, each in the code pages of ORB_WINDOWS_LANGS.

# Qt Test writes nothing to a pipe under Wine, so each run writes a file.
step_suites() {
    local exe name out lang start
    local suites=("$wb"/tests/tst_*.exe)
    [ -f "${suites[0]}" ] || fail "no suites were built"
    for lang in $langs; do
        for exe in "${suites[@]}"; do
            name=$(basename "$exe" .exe)
            out=$work/$name-$lang.txt
            start=$SECONDS
            : >"$work/wine-stderr.txt"
            if wine_w LANG="$lang" LC_ALL="$lang" "$rb/tests/$name.exe" \
                -o "$(winpath "$rwork/$name-$lang.txt"),txt" \
                >/dev/null; then
                echo "  $(code_page "$lang") $name: $(grep -m1 '^Totals' "$out")" \
                    "($((SECONDS - start)) s)"
            else
                echo "  $(code_page "$lang") $name FAILED: $(grep -m1 '^Totals' "$out" 2>/dev/null)"
                grep -B1 -A3 '^FAIL!' "$out" 2>/dev/null || cat "$out" 2>/dev/null || true
                [ -f "$out" ] || wine_messages
                failed+=("$name in $lang")
            fi
        done
    done
}

# The guided tour, the Windows window against the Windows simulator over COM5/COM6.
step_tour() {
    local run lang ui out start steps
    # Each locale in the Russian window, then the English window (--lang en) in the first.
    for run in $langs "${langs%% *}/en"; do
        lang=${run%/*}
        ui=ru
        [[ $run != */* ]] || ui=${run#*/}
        out=$work/tour-${run/\//-}.txt
        rm -rf "$work/shots-${run/\//-}"
        pair_up
        start=$SECONDS
        : >"$work/wine-stderr.txt"
        if wine_w LANG="$lang" LC_ALL="$lang" "$rb/demo/orb-demo-tour.exe" --lang "$ui" \
            --shots "$(winpath "$rwork/shots-${run/\//-}")" --port COM5 -- --port COM6 \
            </dev/null >"$out"; then
            steps=$(tr -d '\r' <"$out" | grep -cE '^ ?[0-9]+\. ')
            echo "  code page $(code_page "$lang"), $ui window: tour passed, $steps steps in" \
                "$((SECONDS - start)) s"
        else
            tr -d '\r' <"$out"
            wine_messages
            failed+=("the tour in $lang, $ui window")
        fi
        pair_down
    done
    # The control: without the library Wine alone cannot read a pty as a COM port, and the
    # tour must stop at connecting. Should a Wine one day pass here, the library can go.
    pair_up
    out=$work/tour-without-library.txt
    preload= wine_w "$rb/demo/orb-demo-tour.exe" --port COM5 -- --port COM6 </dev/null >"$out" &&
        fail "the tour passed without the pty modem library: is it still needed?"
    tr -d '\r' <"$out" | grep -q '^ 3\. press "Соединиться": FAILED' ||
        { tr -d '\r' <"$out"; fail "without the pty modem library the tour failed elsewhere"; }
    echo "  without the pty modem library: the tour stops at \"Соединиться\"" \
        "($(tr -d '\r' <"$out" | grep -m1 -oE 'ERROR [A-Za-z]+Error'))"
    pair_down
    if [ -n "${ORB_WINDOWS_SHOTS:-}" ]; then
        mkdir -p "$ORB_WINDOWS_SHOTS"
        cp "$work/shots-${langs%% *}"/*.png "$ORB_WINDOWS_SHOTS/"
    fi
}

# The soak: the Windows window against the Windows simulator with every fault on, judged as
# on Linux. The pair outlives a simulator that vanished: the soak starts it again on COM6.
step_soak() {
    local out=$work/soak.txt
    pair_up
    : >"$work/wine-stderr.txt"
    if wine_w LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 QT_QPA_PLATFORM=windows \
        "$rb/bench/soak/soak.exe" 200 1 --port COM5 -- --port COM6 </dev/null >"$out"; then
        tr -d '\r' <"$out" | sed 's/^/  /'
    else
        tr -d '\r' <"$out" | sed 's/^/  /'
        wine_messages
        failed+=("the soak")
    fi
    pair_down
}
