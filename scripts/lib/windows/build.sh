# The cross-build, the pty modem library and the Linux simulator orbctl.exe talks to.

step_build() {
    orb_windows_deps
    # The archive unpacks once per checksum.
    local sum
    sum=$(sha256sum "$archive" | cut -d' ' -f1)
    if [ "$(cat "$wb/qt5-mingw.sha256" 2>/dev/null)" != "$sum" ]; then
        rm -rf "$qt"
        tar -xJf "$archive" -C "$wb"
        echo "$sum" >"$wb/qt5-mingw.sha256"
    fi
    cmake -S "$orb_root" -B "$wb" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORB_BENCH=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$orb_root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_PREFIX_PATH="$qt" -DORB_RUN_BINARY_DIR="$rb" >/dev/null
    cmake --build "$wb" -j"$(nproc)"
    cmake --build "$wb" -j"$(nproc)" --target soak
    # The compiler's run-time DLLs, where Wine's root can see them.
    mkdir -p "$wb/runtime"
    local dll
    for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
        cp -u "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)" "$wb/runtime/"
    done
    gcc -O2 -Wall -shared -fPIC -o "$wb/pty_modem.so" "$orb_root/tests/support/pty_modem.c" -ldl
    preload=$rb/pty_modem.so
    if [ -z "${ORB_LINUX_SIM:-}" ]; then
        linux_sim=${ORB_BUILD_DIR:-$orb_root/build}/sim/orb-module-sim
    fi
    if [ ! -x "$linux_sim" ]; then
        orb_build_deps
        cmake -S "$orb_root" -B "$wb/linux-sim" -DORB_TESTS=OFF -DORB_BENCH=OFF \
            -DORB_DEMO=OFF >/dev/null
        cmake --build "$wb/linux-sim" -j"$(nproc)" --target orb-module-sim >/dev/null
        linux_sim=$wb/linux-sim/sim/orb-module-sim
    fi
}
