# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads), its
# test programs run under Wine:
#   cmake -S . -B build/windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# scripts/test.sh windows does this and runs the suites; docs/WINDOWS.md says
# what such a build covers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VSRS_MINGW_TRIPLE x86_64-w64-mingw32)
# The posix flavour: std::thread and std::mutex need the winpthreads runtime.
set(CMAKE_C_COMPILER ${VSRS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VSRS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VSRS_MINGW_TRIPLE}-windres)

# Libraries and packages from the MinGW tree only, never the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${VSRS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest and GoogleTest's discovery start every Windows program through Wine,
# with its own prefix in the build folder so that no user's ~/.wine is touched
# (cmake/wine-run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR sh ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wine-prefix)
