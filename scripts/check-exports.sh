#!/usr/bin/env bash
# Checks the export tables: the DLL is PE32 i386 and exports every name of
# the .def file plainly, with no decorated name; the shared object exports
# the uZyvSDK functions and nothing else.
set -euo pipefail
win=$1 native=$2
def=$(dirname "$0")/../src/uZyvSDK.def
dll=$win/bin/uZyvSDK.dll
file "$dll" | grep -q 'PE32 executable (DLL).*Intel 80386' || { echo "not a PE32 i386 DLL: $dll"; exit 1; }
exports=$(i686-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -o 'uZyv[A-Za-z0-9_@]*' || true)
if grep -q '@' <<<"$exports"; then echo "decorated exports in $dll"; exit 1; fi
for name in $(grep -E '^[[:space:]]+uZyvSDK' "$def"); do
  grep -qx "$name" <<<"$exports" || { echo "$dll does not export $name"; exit 1; }
done
listed=$(grep -cE '^[[:space:]]+uZyvSDK' "$def")
[ "$(wc -w <<<"$exports")" -eq "$listed" ] || { echo "$dll exports other names than the $listed of the .def file"; exit 1; }
others=$(nm -D --defined-only "$native/bin/libuZyvSDK.so" | awk '$2 ~ /[TtWwDdBbRrVvIi]/ {print $3}' | grep -v '^uZyvSDK' || true)
if [ -n "$others" ]; then echo "libuZyvSDK.so exports more than uZyvSDK functions:"; echo "$others"; exit 1; fi
echo "exports: $(wc -w <<<"$exports") plain names in the DLL, only uZyvSDK functions in the shared object"
