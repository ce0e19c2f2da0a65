#!/usr/bin/env bash
# Checks the SDK as its users get it, outside the source tree:
#  - cmake --install into an empty prefix; an outside CMake project
#    (find_package) and an outside Makefile (pkg-config) build against it and
#    run on its simulated runtime; the installed examples build against it;
#    the build tree serves find_package too;
#  - the .deb holds what it should, and the same consumer builds against its
#    unpacked contents and runs;
#  - the Windows .zip holds what it should, and a mingw client built from the
#    unpacked archive alone runs under Wine; with a win64 tree the archive
#    carries its SDK in x64/ beside x86/, checked the same way.
# Usage: check-packages.sh <native build tree> <win32 build tree> [<win64 build tree>]
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(realpath "$1") win=$(realpath "$2") win64=${3:+$(realpath "$3")}
work=$(mktemp -d "${TMPDIR:-/tmp}/uzyv-packages.XXXXXX")
trap 'rm -rf "$work"' EXIT
consumer=$PWD/tests/consumer
export WINEDEBUG=-all
fail() { echo "check-packages: $*" >&2; exit 1; }
# Every path named must be in the listing given on standard input.
require() {
  local listing; listing=$(cat)
  for path in "$@"; do grep -qE "(^|/|\./)${path}\$" <<<"$listing" || fail "missing: $path"; done
}

echo "-- install into an empty prefix"
prefix=$work/prefix
cmake --install "$native" --prefix "$prefix" >/dev/null
(cd "$prefix" && find . -type f -o -type l) | require \
  lib/libuZyvSDK.so lib/libuZyvSDK.so.1 lib/libuZyvSDK.so.1.0.0 include/uZyvSDK.h include/uZyvSDK_version.h \
  lib/cmake/uZyvSDK/uZyvSDKConfig.cmake lib/cmake/uZyvSDK/uZyvSDKConfigVersion.cmake \
  lib/pkgconfig/uZyvSDK.pc bin/zyvscope lib/libzyvsim.so lib/uZyvSDK/sim/default/Zyvrun.dll \
  share/doc/uZyvSDK/README.md share/doc/uZyvSDK/examples/CMakeLists.txt
readelf -d "$prefix/lib/libuZyvSDK.so.1.0.0" | grep -q 'SONAME.*\[libuZyvSDK.so.1\]' || fail "no SONAME libuZyvSDK.so.1"
# The simulated runtime's hub lives in the prefix's library folder; a prefix
# other than the configured one is found through LD_LIBRARY_PATH.
run() { LD_LIBRARY_PATH=$1/lib "${@:2}" "$1/lib/uZyvSDK/sim/default"; }

cmake -S "$consumer" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
run "$prefix" "$work/cmake/consumer" | sed 's/^/   find_package: /'
cp "$consumer/consumer.c" "$consumer/Makefile" "$work/"
PKG_CONFIG_PATH="$prefix/lib/pkgconfig" make -s -C "$work" consumer
run "$prefix" "$work/consumer" | sed 's/^/   pkg-config:   /'

cmake -S "$prefix/share/doc/uZyvSDK/examples" -B "$work/examples" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/examples" >/dev/null
for example in zyvinfo capture_read measure spectrum mask; do
  run "$prefix" "$work/examples/$example" >/dev/null || fail "installed example $example failed"
done
echo "   installed examples: built and run"

cmake -S "$consumer" -B "$work/buildtree" -G Ninja -DuZyvSDK_DIR="$native" >/dev/null
cmake --build "$work/buildtree" >/dev/null
"$work/buildtree/consumer" "$native/sim/default" >/dev/null || fail "consumer against the build tree failed"
echo "   build tree: find_package(uZyvSDK) with uZyvSDK_DIR=<build tree>"

echo "-- .deb"
rm -rf "$native/packages"
(cd "$native" && cpack -G DEB >/dev/null)
deb=$(ls "$native"/packages/uzyvsdk_*.deb)
dpkg-deb -c "$deb" | awk '{print $NF}' | require \
  usr/lib/libuZyvSDK.so.1.0.0 usr/include/uZyvSDK.h usr/lib/cmake/uZyvSDK/uZyvSDKConfig.cmake \
  usr/lib/pkgconfig/uZyvSDK.pc usr/bin/zyvscope usr/lib/uZyvSDK/sim/default/Zyvrun.dll
dpkg-deb -f "$deb" Package Version Depends | sed 's/^/   /'
dpkg-deb -x "$deb" "$work/deb"
cmake -S "$consumer" -B "$work/debcmake" -G Ninja -DCMAKE_PREFIX_PATH="$work/deb/usr" >/dev/null
cmake --build "$work/debcmake" >/dev/null
run "$work/deb/usr" "$work/debcmake/consumer" >/dev/null || fail "consumer against the .deb failed"
echo "   $(basename "$deb"): contents checked, consumer built and run against it"

echo "-- Windows .zip"
rm -rf "$win/packages"
# The win64 tree's install joins the win32 tree's archive.
projects="$win;uZyvSDK;ALL;/"
[ -z "$win64" ] || projects="$projects;$win64;uZyvSDK;ALL;/"
(cd "$win" && cpack -G ZIP -D "CPACK_INSTALL_CMAKE_PROJECTS=$projects" >/dev/null)
zip=$(ls "$win"/packages/uZyvSDK-*-windows.zip)
unzip -q "$zip" -d "$work/zip"
archs="x86:i686"
[ -z "$win64" ] || archs="$archs x64:x86_64"
for pair in $archs; do
  arch=${pair%%:*} gcc=${pair##*:}-w64-mingw32-gcc
  unzip -Z1 "$zip" | require \
    README.txt $arch/bin/uZyvSDK.dll $arch/bin/zyvscope.exe $arch/bin/zyvsim.dll $arch/include/uZyvSDK.h \
    $arch/include/uZyvSDK_version.h $arch/lib/uZyvSDK.lib $arch/lib/libuZyvSDK.dll.a $arch/lib/uZyvSDK.def \
    $arch/lib/cmake/uZyvSDK/uZyvSDKConfig.cmake $arch/lib/pkgconfig/uZyvSDK.pc $arch/sim/default/Zyvrun.dll \
    examples/capture_read.c examples/CMakeLists.txt doc/README.md
  sdk=$(ls -d "$work"/zip/uZyvSDK-*-windows)/$arch
  # mingw's import library through pkg-config, and the MSVC-named one directly.
  $gcc -std=c99 -Wall -Wextra -Werror -o "$work/consumer-$arch.exe" "$consumer/consumer.c" \
    $(PKG_CONFIG_PATH="$sdk/lib/pkgconfig" pkg-config --cflags --libs uZyvSDK)
  $gcc -std=c99 -Wall -Wextra -Werror -I "$sdk/include" -o "$work/consumer-lib-$arch.exe" "$consumer/consumer.c" \
    "$sdk/lib/uZyvSDK.lib"
  simdir=$(winepath -w "$sdk/sim/default" 2>/dev/null)
  for exe in consumer-$arch.exe consumer-lib-$arch.exe; do
    WINEPATH=$(winepath -w "$sdk/bin" 2>/dev/null) wine "$work/$exe" "$simdir" | tr -d '\r' | sed "s/^/   $exe: /"
  done
  wine "$sdk/bin/zyvscope.exe" -q info >/dev/null || fail "$arch/bin/zyvscope.exe from the archive failed"
done
echo "   $(basename "$zip"): contents checked ($(sed 's/:[a-z0-9_]*//g' <<<"$archs")), mingw clients built from it alone and run under Wine"
