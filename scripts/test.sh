#!/usr/bin/env bash
# Builds and runs every test on both hosts: the native suite (plain, and with
# AddressSanitizer and UndefinedBehaviorSanitizer), then the 32-bit Windows
# DLL and its suite under Wine, then the 64-bit Windows DLL and its suite
# under 64-bit Wine, whose results must be the 32-bit DLL's bit for bit.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=${JOBS:-2}
export WINEDEBUG=-all

echo "== native (Linux x86-64)"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$jobs"
ctest --test-dir build/native --output-on-failure

echo "== Python package uzyv against the simulated instrument (native build)"
# Installed offline into a fresh virtual environment on Debian's python3 and
# numpy, then tested from there.
rm -rf build/python-venv
/usr/bin/python3 -m venv --system-site-packages build/python-venv
build/python-venv/bin/pip install -q --no-build-isolation --no-index ./python
UZYV_LIBRARY=build/native/bin/libuZyvSDK.so UZYV_SIMULATOR=build/native/sim/default \
  UZYV_SIM_HUB=build/native/bin/libzyvsim.so \
  build/python-venv/bin/python -m pytest -q -p no:cacheprovider python/tests

echo "== native with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DUZYV_SANITIZE=ON >/dev/null
cmake --build build/sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build/sanitize --output-on-failure

echo "== Windows i686 DLL under Wine"
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win32 -j "$jobs"
bash scripts/check-exports.sh build/win32 build/native
wineboot -i >/dev/null 2>&1 || true
ctest --test-dir build/win32 --output-on-failure
wine build/win32/bin/zyvscope.exe -q -r build/win32/sim/default -o build/win32/demo demo >/dev/null && echo "zyvscope demo under Wine: done"
wine build/win32/bin/uzyv_results_digest.exe | tr -d '\r' >build/win32/results-digest.txt

echo "== Windows x86-64 DLL under 64-bit Wine"
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win64 -j "$jobs"
bash scripts/check-exports.sh build/win64
# A prefix made while only the 32-bit loader was installed runs no 64-bit
# program; the leg then uses a 64-bit prefix of its own.
if grep -qx '#arch=win32' "${WINEPREFIX:-$HOME/.wine}/system.reg" 2>/dev/null; then
  export WINEPREFIX=$HOME/.wine64 WINEARCH=win64
  wineboot -i >/dev/null 2>&1 || true
fi
ctest --test-dir build/win64 --output-on-failure
wine build/win64/bin/zyvscope.exe -q -r build/win64/sim/default -o build/win64/demo demo >/dev/null
wine build/win64/bin/uzyv_results_digest.exe | tr -d '\r' >build/win64/results-digest.txt
diff build/win32/results-digest.txt build/win64/results-digest.txt
diff -r build/win32/demo build/win64/demo
echo "results of the 64-bit DLL: the 32-bit DLL's, bit for bit (digest and zyvscope demo)"
