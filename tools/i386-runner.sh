#!/usr/bin/env bash
# i386-runner.sh <command> [arguments]: runs the command where 32-bit x86 Linux programs run, so
# that Debian's 32-bit Wine starts the 32-bit Windows files.
#
# On a machine that executes 32-bit programs itself, the command simply runs. On one that cannot
# (a guest whose CPU refuses 32-bit code), the command runs in a private user and mount namespace
# with a binfmt_misc instance of its own that hands every i386 ELF program to qemu-i386 (CPU
# emulation). Nothing outside the namespace changes: the registration lives and dies with it.
# Needs Linux 6.7 or later (binfmt_misc per user namespace) and qemu-user 10 (tools/setup.sh
# installs it); qemu 7.2 is refused, as Wine hangs and then crashes under it.
#   --check   exits 0 when the runner can start 32-bit programs here, prints nothing
set -euo pipefail

qemu=/usr/bin/qemu-i386
probe=/usr/lib/wine/wine  # an i386 program every machine with 32-bit Wine has

native() { "$probe" --version >/dev/null 2>&1; }

if [ "${LUMA_I386_RUNNER_STAGE:-}" = mount ]; then
  # First process in the new namespace: root there, so it may mount and register.
  unset LUMA_I386_RUNNER_STAGE
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  # ELF, 32-bit, little-endian, executable or shared object (pie), machine i386; "F" opens the
  # emulator now, so the registration holds whatever the program's own mounts and paths are.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":lumapass-i386:M::$magic:$mask:$qemu:F" >/proc/sys/fs/binfmt_misc/register
  export LUMA_I386_RUNNER=1
  if [ "${LUMA_I386_RUNNER_UID:-0}" != 0 ]; then
    # Back to the caller's own ids in a nested namespace; it uses this namespace's binfmt_misc.
    uid=$LUMA_I386_RUNNER_UID gid=$LUMA_I386_RUNNER_GID
    unset LUMA_I386_RUNNER_UID LUMA_I386_RUNNER_GID
    exec unshare --user --map-user="$uid" --map-group="$gid" -- "$@"
  fi
  unset LUMA_I386_RUNNER_UID LUMA_I386_RUNNER_GID
  exec "$@"
fi

check=0
if [ "${1:-}" = --check ]; then
  check=1
  set -- "$probe" --version
fi
[ $# -gt 0 ] || { echo "usage: i386-runner.sh [--check | <command> [arguments]]" >&2; exit 2; }

# Already inside the runner, or the machine runs 32-bit programs itself.
if [ -n "${LUMA_I386_RUNNER:-}" ] || native; then
  if [ "$check" = 1 ]; then native; exit; fi
  exec "$@"
fi

fail() {
  [ "$check" = 1 ] || echo "i386-runner: $*" >&2
  exit 125
}
[ -x "$qemu" ] || fail "$qemu is missing (bash tools/setup.sh installs qemu-user 10)"
version=$("$qemu" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p')
[ "${version:-0}" -ge 10 ] || fail "$qemu is version ${version:-unknown}; Wine needs qemu-user 10 or later"
[ -x "$probe" ] || fail "$probe is missing (32-bit Wine, wine32:i386)"

export LUMA_I386_RUNNER_STAGE=mount LUMA_I386_RUNNER_UID=$(id -u) LUMA_I386_RUNNER_GID=$(id -g)
if [ "$check" = 1 ]; then
  unshare --user --map-root-user --mount -- bash "$0" "$@" >/dev/null 2>&1 || exit 125
  exit 0
fi
exec unshare --user --map-root-user --mount -- bash "$0" "$@"
