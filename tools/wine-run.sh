#!/bin/sh
# Runs a Windows test executable under Wine in the project's own prefix, never the home folder's.
# "--win64" first: a 64-bit test executable, run by wine64 in the 64-bit prefix. A 32-bit one runs
# under 32-bit Wine, through tools/i386-runner.sh where the machine cannot run 32-bit programs
# itself (the runner only starts the command where it can).
# With LUMA_WINE_LOG_DIR set, a test process (one started with --gtest_filter=<test>) writes its
# standard error, where Wine's own error messages go, to <dir>/<test>.log instead.
here=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = "--win64" ]; then
  shift
  export WINEPREFIX="${LUMA_WINEPREFIX64:-$here/build/wineprefix64}" WINEARCH=win64
  loader=/usr/lib/wine/wine64
else
  export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}" WINEARCH=win32
  loader=wine
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
log=""
if [ -n "${LUMA_WINE_LOG_DIR:-}" ]; then
  for argument in "$@"; do
    case "$argument" in
      --gtest_list_tests) log="" && break ;;  # the test discovery, not a test
      --gtest_filter=*) log="$LUMA_WINE_LOG_DIR/$(printf '%s' "${argument#--gtest_filter=}" | tr '/:' '__').log" ;;
    esac
  done
fi
if [ -n "$log" ]; then
  # Wine's error channel on, every other message off.
  export WINEDEBUG="-all,err+all"
  if [ "$loader" = wine ]; then exec bash "$here/tools/i386-runner.sh" wine "$@" 2>"$log"; fi
  exec "$loader" "$@" 2>"$log"
fi
if [ "$loader" = wine ]; then exec bash "$here/tools/i386-runner.sh" wine "$@"; fi
exec "$loader" "$@"
