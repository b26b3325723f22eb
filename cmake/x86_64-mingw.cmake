# Cross-compiles 64-bit Windows binaries with Debian's MinGW-w64 (posix threads): the test tree on
# machines that cannot run 32-bit programs (Wine's 32-bit loader needs them).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(LUMA_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh;--win64")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# The test tree checks the order of ranked locks as debug builds do.
set(LUMA_LOCK_ORDER_CHECKS ON CACHE BOOL "report ranked locks taken in the wrong order")
