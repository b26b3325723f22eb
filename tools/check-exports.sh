#!/usr/bin/env bash
# Checks that no DLL in the folder exports a name it also imports: such an export is only a jump
# into another DLL (the linker took the name from an import library instead of our own function).
#   tools/check-exports.sh <folder of DLLs>
set -euo pipefail
folder=${1:?usage: check-exports.sh <folder of DLLs>}
objdump=i686-w64-mingw32-objdump
status=0
for dll in "$folder"/*.dll; do
  [ -e "$dll" ] || continue
  table=$("$objdump" -p "$dll")
  exported=$(awk '/^\t\[ *[0-9]+\] /{print $NF}' <<<"$table" | sort -u)
  imported=$(awk '/^\t[0-9a-f]+\t +[0-9]+  /{print $NF}' <<<"$table" | sort -u)
  both=$(comm -12 <(echo "$exported") <(echo "$imported"))
  if [ -n "$both" ]; then
    echo "check-exports: $(basename "$dll") exports names it imports from another DLL:" $both
    status=1
  fi
done
exit $status
