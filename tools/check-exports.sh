#!/usr/bin/env bash
# Checks the export table of every DLL in a folder (32-bit or x86_64) against its module definition
# file, the <module name>.def of the source tree (the module name is the one the export table
# records, so that a copy of a DLL under another file name is checked as the DLL it is):
#   - the DLL exports exactly the names its .def lists, undecorated: a name like "Func@12" is a
#     stdcall function whose fix-up to the plain name was lost, and GetProcAddress by name fails;
#   - each name sits at the ordinal its .def gives it (callers may import by ordinal);
#   - no DLL exports a name it also imports: such an export is only a jump into another DLL (the
#     linker took the name from an import library instead of our own function);
#   - a DLL that exports anything without its .def fails: its exports would be whatever the
#     compiler marked. Only a DLL that exports nothing (a resource-only fixture) needs none.
#   tools/check-exports.sh <folder of DLLs> [<folder searched for .def files>]
# The .def files are searched under the second folder (default: the repository).
set -euo pipefail
export LC_ALL=C  # one collation for sort, comm and join
root=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:?usage: check-exports.sh <folder of DLLs> [<folder searched for .def files>]}
def_root=${2:-$root}
objdump=x86_64-w64-mingw32-objdump  # reads both pei-i386 and pei-x86-64
status=0

# "name ordinal" per export of a .def ("-" where it gives no ordinal), sorted by name. Reads the
# EXPORTS section: "Name [= Internal] [@Ordinal] [NONAME] [PRIVATE] [DATA]", ";" starts a comment.
def_exports() {
  awk '
    { sub(/;.*/, "") }
    /^[ \t]*EXPORTS([ \t]|$)/ { inside = 1; sub(/^[ \t]*EXPORTS/, "") }
    /^[ \t]*(LIBRARY|NAME|HEAPSIZE|STACKSIZE|SECTIONS|VERSION)([ \t]|$)/ { inside = 0; next }
    inside && NF {
      name = $1; ordinal = "-"
      for (i = 2; i <= NF; ++i) {
        if ($i ~ /^@[0-9]+$/) ordinal = substr($i, 2)
        else if ($i == "@" && i < NF) ordinal = $(i + 1)
      }
      print name, ordinal
    }' "$1" | sort
}

# "name ordinal" per exported name of the DLL's export table, sorted by name.
dll_exports() {
  awk '
    /^Export Address Table -- Ordinal Base/ { base = $NF }
    /^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
    names && /^$/ { names = 0 }
    names && /^\t\[ *[0-9]+\] / { gsub(/[][]/, " "); print $NF, $1 + base }' <<<"$1" | sort
}

mapfile -t defs < <(find "$def_root" -name '*.def' -not -path '*/build*/*' -not -path '*/.git/*' | sort)
for dll in "$folder"/*.dll; do
  [ -e "$dll" ] || continue
  table=$("$objdump" -p "$dll")
  name=$(awk '/^Name[ \t]/ { print $NF; exit }' <<<"$table")
  name=${name%.[dD][lL][lL]}
  [ -n "$name" ] || name=$(basename "$dll" .dll)
  # The .def of this DLL: exactly one file of that name in the tree.
  matches=()
  for def in "${defs[@]}"; do [ "$(basename "$def" .def)" = "$name" ] && matches+=("$def"); done
  if [ ${#matches[@]} -eq 0 ] && [ -z "$(dll_exports "$table")" ]; then
    :  # exports nothing: resource-only
  elif [ ${#matches[@]} -ne 1 ]; then
    echo "check-exports: $name.dll has ${#matches[@]} module definition files named $name.def (needs one)"
    status=1
  else
    expected=$(def_exports "${matches[0]}")
    actual=$(dll_exports "$table")
    decorated=$(awk '$1 ~ /@/ { print $1 }' <<<"$actual")
    if [ -n "$decorated" ]; then
      echo "check-exports: $name.dll exports decorated names (lost stdcall fix-up):" $decorated
      status=1
    fi
    missing=$(comm -23 <(cut -d' ' -f1 <<<"$expected" | sed '/^$/d') <(cut -d' ' -f1 <<<"$actual" | sed '/^$/d'))
    extra=$(comm -13 <(cut -d' ' -f1 <<<"$expected" | sed '/^$/d') <(cut -d' ' -f1 <<<"$actual" | sed '/^$/d'))
    if [ -n "$missing" ]; then
      echo "check-exports: $name.dll lacks exports of $(basename "${matches[0]}"):" $missing
      status=1
    fi
    if [ -n "$extra" ]; then
      echo "check-exports: $name.dll exports names $(basename "${matches[0]}") does not list:" $extra
      status=1
    fi
    # Ordinals, for the names the .def places.
    moved=$(join <(awk '$2 != "-"' <<<"$expected") <(sed '/^$/d' <<<"$actual") | awk '$2 != $3 { print $1 " @" $3 " (not @" $2 ")" }')
    if [ -n "$moved" ]; then
      echo "check-exports: $name.dll exports names at other ordinals than its .def:" $moved
      status=1
    fi
  fi
  exported=$(dll_exports "$table" | cut -d' ' -f1)
  imported=$(awk '/^\t[0-9a-f]+\t +[0-9]+  /{print $NF}' <<<"$table" | sort -u)
  both=$(comm -12 <(echo "$exported") <(echo "$imported"))
  if [ -n "$both" ]; then
    echo "check-exports: $name.dll exports names it imports from another DLL:" $both
    status=1
  fi
done
exit $status
