#!/usr/bin/env bash
# Builds and runs every test on both hosts: the native suite (plain, and with
# AddressSanitizer and UndefinedBehaviorSanitizer), then the 32-bit Windows
# DLL and its suite under Wine.
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
