#!/bin/sh
# Runs a Windows test executable under Wine in the project's own prefix, never the home folder's.
# "--win64" first: a 64-bit test executable, run by wine64 in the 64-bit prefix.
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
exec "$loader" "$@"
