# Cross-compiles 32-bit Windows binaries with Debian's MinGW-w64 (posix threads): the deliverables.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(LUMA_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# The deliverables' tree is also the 32-bit test tree: it checks the order of ranked locks as the
# 64-bit test tree and debug builds do (a wrong order is reported and stops the process before it
# can deadlock).
set(LUMA_LOCK_ORDER_CHECKS ON CACHE BOOL "report ranked locks taken in the wrong order")
