#!/usr/bin/env bash
# Prints how the Windows tests run on this machine, the first that works of:
#   win32           the machine runs 32-bit programs itself: Wine's 32-bit loader starts;
#   win32-emulated  it cannot, but tools/i386-runner.sh can (CPU emulation in a private namespace):
#                   the 32-bit files run there, more slowly;
#   win64           neither: the tests run on a 64-bit build of the same sources under wine64.
# Both win32 kinds use the 32-bit tree and prefix; tools/wine-run.sh enters the runner by itself.
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${LUMA_I386_RUNNER:-}" ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo win32
elif bash "$here/i386-runner.sh" --check; then
  echo win32-emulated
else
  echo win64
fi
