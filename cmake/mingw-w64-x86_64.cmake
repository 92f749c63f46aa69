# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (posix thread model, the one the
# Windows Qt in ../shared/toolchains was built with). Point CMAKE_PREFIX_PATH at that Qt.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(orb_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${orb_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${orb_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${orb_mingw}-windres)

# Libraries and headers come from the MinGW sysroot and the prefix path; programs that run
# during the build (moc, uic, rcc) from this machine.
set(CMAKE_FIND_ROOT_PATH /usr/${orb_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

