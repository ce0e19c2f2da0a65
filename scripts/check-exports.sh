#!/usr/bin/env bash
# Checks the export tables: the DLL of a Windows build tree (PE32 i386 or
# PE32+ x86-64) exports exactly the names of the .def file, plainly, and its
# import library gives clients every one of them (decorated __stdcall names
# on i386, the plain names on x86-64); the shared object of a native build
# tree, when given, exports the uZyvSDK functions and nothing else.
# Usage: check-exports.sh <windows build tree> [<native build tree>]
set -euo pipefail
win=$1 native=${2:-}
def=$(dirname "$0")/../src/uZyvSDK.def
dll=$win/bin/uZyvSDK.dll lib=$win/src/uZyvSDK.lib  # the import library is written beside the target
[ -f "$lib" ] || { echo "no import library $lib"; exit 1; }
case "$(file -b "$dll")" in
  "PE32 executable (DLL)"*"Intel 80386"*) tools=i686-w64-mingw32 imported='__imp__%s@[0-9]+' ;;
  "PE32+ executable (DLL)"*"x86-64"*) tools=x86_64-w64-mingw32 imported='__imp_%s' ;;
  *) echo "not a PE32 i386 or PE32+ x86-64 DLL: $dll"; exit 1 ;;
esac
expected=$(grep -E '^[[:space:]]+uZyvSDK' "$def" | tr -d '[:blank:]' | sort)
exports=$("$tools-objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          awk '/^[[:space:]]*\[ *[0-9]+\]/ {print $NF}' | sort)
if [ "$exports" != "$expected" ]; then
  echo "$dll does not export exactly the names of $def:"
  diff <(echo "$expected") <(echo "$exports") || true
  exit 1
fi
symbols=$("$tools-nm" "$lib" | awk '$2 == "I" || $2 == "T" {print $3}') || { echo "cannot list $lib"; exit 1; }
for name in $expected; do
  # shellcheck disable=SC2059
  grep -qxE "$(printf "$imported" "$name")" <<<"$symbols" || { echo "$lib does not import $name"; exit 1; }
done
echo "exports: $(wc -l <<<"$exports") plain names in $dll, all of them in its import library"
[ -n "$native" ] || exit 0
others=$(nm -D --defined-only "$native/bin/libuZyvSDK.so" | awk '$2 ~ /[TtWwDdBbRrVvIi]/ {print $3}' | grep -v '^uZyvSDK' || true)
if [ -n "$others" ]; then echo "libuZyvSDK.so exports more than uZyvSDK functions:"; echo "$others"; exit 1; fi
echo "exports: only uZyvSDK functions in the shared object"
