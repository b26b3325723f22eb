# Cross-compiles 32-bit Windows binaries with Debian's MinGW-w64 (posix threads): the deliverables.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(LUMA_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
