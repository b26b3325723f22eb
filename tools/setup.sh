#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine, and prepares the
# project's own Wine prefix (never the home folder's). Safe to run again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

packages=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          mingw-w64-tools cmake ninja-build googletest
          wine wine32 wine64 fonts-wine fonts-liberation xvfb xauth openssl osslsigncode python3
          ca-certificates clang libclang-rt-14-dev libcpp-httplib-dev libssl-dev pkg-config libp11-kit-dev)
missing=()
for p in "${packages[@]}"; do
  arch_p=$p
  [ "$p" = wine32 ] && arch_p=wine32:i386
  dpkg-query -W -f='${Status}' "$arch_p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Windows tests run in the 32-bit prefix where this machine runs 32-bit programs; where it
# cannot (its kernel refuses them, so Wine's 32-bit loader cannot start), they run as a 64-bit build
# of the same sources in a 64-bit prefix.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if bash "$root/tools/wine-arch.sh" | grep -q win32; then
  export WINEPREFIX="$root/build/wineprefix" WINEARCH=win32 loader=wine
else
  export WINEPREFIX="$root/build/wineprefix64" WINEARCH=win64 loader=/usr/lib/wine/wine64
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "setup: creating the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  (unset DISPLAY; "$loader" wineboot -i >/dev/null 2>&1; wineserver -w)
fi
# Windowed tests run on Wine's null display driver when no X display is set (Xvfb only for
# pictures). On Xvfb, where no window manager runs, Wine draws the windows' frames itself, with the
# caption buttons' Marlett glyphs; the dialogs' "Segoe UI", which Wine lacks, is drawn with an
# installed font.
if ! grep -q '"Segoe UI"="Liberation Sans"' "$WINEPREFIX/system.reg" 2>/dev/null ||
   ! grep -q '"Graphics"="x11,null"' "$WINEPREFIX/user.reg" 2>/dev/null ||
   ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  (unset DISPLAY
   "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d 'x11,null' /f >/dev/null 2>&1
   "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
   "$loader" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'Segoe UI' \
     /d 'Liberation Sans' /f >/dev/null 2>&1
   wineserver -w)
fi
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then
  cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
fi
