#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine, and prepares the
# project's own Wine prefix (never the home folder's). Safe to run again.
#   tools/setup.sh [win32] [win64]   the prefixes to prepare (default: the one the tests use here)
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

# Where the kernel refuses 32-bit programs, the 32-bit files run under CPU emulation
# (tools/i386-runner.sh): qemu-user 10 from the release's backports suite, pinned there; the
# release's own qemu 7.2 makes Wine hang, then crash. The suite is added on the machine's own
# Debian mirror and only qemu-user is taken from it.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 && ! bash "$root/tools/i386-runner.sh" --check; then
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  backports="$codename-backports"
  if [ -n "$codename" ] && ! grep -rqsw -- "$backports" /etc/apt/sources.list /etc/apt/sources.list.d/; then
    # The mirror and key of the release's own entry, deb822 (Suites: bookworm ...) or one-line.
    mirror=$(awk -v suite="$codename" '
      /^URIs:/ { uri = $2 } /^Signed-By:/ { key = $2 }
      /^Suites:/ { for (i = 2; i <= NF; ++i) if ($i == suite) found = 1 }
      /^$/ { if (found && uri) { print uri, key; exit } found = 0; uri = ""; key = "" }
      END { if (found && uri) print uri, key }' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1)
    [ -n "$mirror" ] || mirror=$(awk -v suite="$codename" '$1 == "deb" { for (i = 2; i <= NF; ++i)
      if ($i == suite && $(i - 1) ~ /^[a-z]+:/) { print $(i - 1); exit } }' /etc/apt/sources.list 2>/dev/null)
    read -r uri key <<<"$mirror"
    [ -n "${uri:-}" ] || { echo "setup: no Debian source for $codename found to add $backports to"; exit 1; }
    echo "setup: adding $backports from $uri for qemu-user"
    printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\n%s' "$uri" "$backports" \
      "${key:+Signed-By: $key
}" | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/lumapass-backports.sources >/dev/null
  fi
  printf 'Package: qemu-user\nPin: release n=%s\nPin-Priority: 990\n' "$backports" |
    "${sudo_cmd[@]}" tee /etc/apt/preferences.d/lumapass-qemu-user >/dev/null
  "${sudo_cmd[@]}" apt-get update -qq
  echo "setup: installing qemu-user from $backports"
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends qemu-user >/dev/null
fi

# The Wine prefixes named (win32, win64), else the one the tests use on this machine: the 32-bit
# prefix where 32-bit programs run (natively or through the runner), else the 64-bit one.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
prefixes=("$@")
if [ ${#prefixes[@]} -eq 0 ]; then
  case "$(bash "$root/tools/wine-arch.sh")" in win32*) prefixes=(win32) ;; *) prefixes=(win64) ;; esac
fi
for arch in "${prefixes[@]}"; do
  case "$arch" in
    win32) prefix="$root/build/wineprefix" loader=(bash "$root/tools/i386-runner.sh" wine) ;;
    win64) prefix="$root/build/wineprefix64" loader=(/usr/lib/wine/wine64) ;;
    *) echo "setup: unknown prefix kind $arch"; exit 2 ;;
  esac
  export WINEPREFIX="$prefix" WINEARCH="$arch"
  if [ ! -f "$prefix/system.reg" ]; then
    echo "setup: creating the Wine prefix $prefix"
    mkdir -p "$prefix"
    (unset DISPLAY; "${loader[@]}" wineboot -i >/dev/null 2>&1; wineserver -w)
  fi
  # Windowed tests run on Wine's null display driver when no X display is set (Xvfb only for
  # pictures). On Xvfb, where no window manager runs, Wine draws the windows' frames itself, with the
  # caption buttons' Marlett glyphs; the dialogs' "Segoe UI", which Wine lacks, is drawn with an
  # installed font.
  if ! grep -q '"Segoe UI"="Liberation Sans"' "$prefix/system.reg" 2>/dev/null ||
     ! grep -q '"Graphics"="x11,null"' "$prefix/user.reg" 2>/dev/null ||
     ! grep -q '"Managed"="N"' "$prefix/user.reg" 2>/dev/null; then
    (unset DISPLAY
     "${loader[@]}" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d 'x11,null' /f >/dev/null 2>&1
     "${loader[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
     "${loader[@]}" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'Segoe UI' \
       /d 'Liberation Sans' /f >/dev/null 2>&1
     wineserver -w)
  fi
  fonts="$prefix/drive_c/windows/Fonts"
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
done
