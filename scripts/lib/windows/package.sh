# What a user installs: the folder, the ZIP and the NSIS installer.

expected=(bin/orb-ptz-washing.exe bin/orbctl.exe bin/orb-module-sim.exe
    bin/Qt5Core.dll bin/Qt5Gui.dll bin/Qt5Widgets.dll bin/Qt5SerialPort.dll bin/Qt5Network.dll
    bin/platforms/qwindows.dll bin/styles/qwindowsvistastyle.dll bin/imageformats/qico.dll
    bin/libstdc++-6.dll bin/libgcc_s_seh-1.dll bin/libwinpthread-1.dll
    share/doc/orb-ptz-washing/README.md share/doc/orb-ptz-washing/windows.md)

# The folder cmake --install lays out, the ZIP and the installer: made on the side while the
# Wine steps run, which mostly wait.
pack() {
    (
        rm -rf "$wb/folder" "$wb"/orb-ptz-washing-*-win64.*
        cmake --install "$wb" --prefix "$wb/folder"
        cd "$wb" && cpack -G "ZIP;NSIS"
    ) >"$wb/pack.txt" 2>&1 &
    pack_pid=$!
    pids+=("$pack_pid")
}

# The folder and the ZIP.
step_folder() {
    local folder=$wb/folder f
    [ -n "$pack_pid" ] || pack
    wait "$pack_pid" || { cat "$wb/pack.txt"; fail "the install or CPack failed"; }
    for f in "${expected[@]}"; do
        [ -f "$folder/$f" ] || fail "the install lacks $f"
    done
    # The folder runs without WINEPATH: everything it loads is in it.
    winepath= wine_w "$rb/folder/bin/orbctl.exe" --version | grep -q '^orbctl ' ||
        fail "the installed folder's orbctl does not start"
    zip=$(ls "$wb"/orb-ptz-washing-*-win64.zip)
    setup=$(ls "$wb"/orb-ptz-washing-*-win64.exe)
    python3 - "$zip" "${expected[@]}" <<'EOF'
import sys, zipfile
names = {n.split('/', 1)[1] for n in zipfile.ZipFile(sys.argv[1]).namelist() if '/' in n}
missing = [f for f in sys.argv[2:] if f not in names]
sys.exit('zip lacks ' + ', '.join(missing) if missing else 0)
EOF
    echo "  folder: ${#expected[@]} expected files, orbctl.exe runs from it;" \
        "$(basename "$zip"), $(basename "$setup")"
}

# The user's PATH as the registry holds it (HKCU\Environment), on one line.
user_path() {
    wine_w reg query 'HKCU\Environment' /v PATH 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *PATH *REG_[A-Z_]* *//p'
}

# The installer, silent, with bin\ put on the user's PATH; then the uninstaller.
step_installer() {
    local target='C:\orb-scratch' installed=$prefix/drive_c/orb-scratch f left path
    local rinstalled=$rb/wine-prefix/drive_c/orb-scratch
    local shortcut="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ORB PTZ Washing"
    rm -rf "$installed"
    # NSIS takes /D= last and unquoted, and Wine quotes an argument with a space: a plain name.
    wine_w "$rb/$(basename "$setup")" /S /PATH=user "/D=$target"
    server -w
    for f in "${expected[@]}" Uninstall.exe; do
        [ -f "$installed/$f" ] || fail "the installer left out $f"
    done
    [ -f "$shortcut/ORB PTZ Washing.lnk" ] || fail "no Start-menu shortcut"
    [ -f "$shortcut/ORB PTZ Washing (English).lnk" ] || fail "no English Start-menu shortcut"
    path=$(user_path)
    grep -qiF "$target\\bin" <<<"$path" || fail "bin is not on the user's PATH: $path"
    # A prompt started now finds orbctl by its name.
    winepath= wine_w cmd /c orbctl --version </dev/null | tr -d '\r' | grep -q '^orbctl ' ||
        fail "cmd does not find orbctl on the PATH"
    winepath= in_root sh -c "cd '$rwork' && exec $wine '$rinstalled/bin/orb-ptz-washing.exe'" \
        2>>"$work/wine-stderr.txt" &
    local tool=$!
    sleep 3
    kill -0 "$tool" 2>/dev/null || fail "the installed tool ended within 3 s"
    kill "$tool"
    wait "$tool" 2>/dev/null || true
    server -k 2>/dev/null || true
    server -w
    wine_w "$rinstalled/Uninstall.exe" /S
    server -w
    left=$(find "$installed" "$shortcut" -type f 2>/dev/null | head -5 || true)
    [ -z "$left" ] || fail "the uninstaller left $left"
    path=$(user_path)
    ! grep -qiF "$target" <<<"$path" || fail "the uninstaller left bin on the PATH: $path"
    echo "  silent install into $target with bin on the user's PATH (cmd finds orbctl)," \
        "Start-menu shortcuts (Russian, English), the tool ran 3 s; uninstalled, PATH taken back"
}
