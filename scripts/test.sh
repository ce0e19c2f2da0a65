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
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

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
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

echo "== Windows i686 DLL under Wine"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
bash scripts/check-exports.sh build/win32 build/native
wineboot -i >/dev/null 2>&1 || true
ctest --preset win32 -j "$jobs"
wine build/win32/bin/zyvscope.exe -q -r build/win32/sim/default -o build/win32/demo demo >/dev/null && echo "zyvscope demo under Wine: done"
wine build/win32/bin/uzyv_results_digest.exe | tr -d '\r' >build/win32/results-digest.txt

echo "== Windows x86-64 DLL under 64-bit Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
bash scripts/check-exports.sh build/win64
# A prefix made while only the 32-bit loader was installed runs no 64-bit
# program; the leg then uses a 64-bit prefix of its own.
if grep -qx '#arch=win32' "${WINEPREFIX:-$HOME/.wine}/system.reg" 2>/dev/null; then
  export WINEPREFIX=$HOME/.wine64 WINEARCH=win64
  wineboot -i >/dev/null 2>&1 || true
fi
ctest --preset win64 -j "$jobs"
wine build/win64/bin/zyvscope.exe -q -r build/win64/sim/default -o build/win64/demo demo >/dev/null
wine build/win64/bin/uzyv_results_digest.exe | tr -d '\r' >build/win64/results-digest.txt
diff build/win32/results-digest.txt build/win64/results-digest.txt
diff -r -x "spectrum.*" build/win32/demo build/win64/demo
echo "results of the 64-bit DLL: the 32-bit DLL's, bit for bit (digest and zyvscope demo; decibels take the host's log10)"

echo "== examples on the simulated runtime, every leg"
for example in zyvinfo capture_read measure spectrum mask; do
  build/native/bin/$example build/native/sim/default >/dev/null
  wine build/win32/bin/$example.exe build/win32/sim/default >/dev/null
  wine build/win64/bin/$example.exe build/win64/sim/default >/dev/null
done
echo "examples: done"

echo "== install, packages and outside consumers"
bash scripts/check-packages.sh build/native build/win32 build/win64

# ---------------------------------------------------------------------------
# Fuzzing: every libFuzzer target for FUZZ_SECONDS (30) each, when clang is
# there (scripts/fuzz.sh runs them longer on demand).
if command -v clang++ >/dev/null 2>&1; then
  echo "== fuzzing with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer"
  FUZZ_SECONDS=${FUZZ_SECONDS:-30} bash scripts/fuzz.sh
else
  echo "== fuzzing skipped: clang is not installed"
fi
