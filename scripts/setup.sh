#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine, if missing:
# CMake, Ninja, GoogleTest sources, mingw-w64 for i686 and x86-64, Wine with
# wine32 and wine64, Python 3 with numpy, pytest and matplotlib, clang with
# its sanitizer and fuzzer runtimes (libclang-rt-14-dev).
set -euo pipefail
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for p in cmake ninja-build g++ file googletest libgtest-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 \
         clang libclang-rt-14-dev; do
  have "$p" || need+=("$p")
done
# The Python package: Debian's python3 with numpy, setuptools, pip and venv to
# install it, pytest for its tests, matplotlib for its plots and pictures.
for p in python3 python3-numpy python3-setuptools python3-pip python3-venv python3-pytest python3-matplotlib; do
  have "$p" || need+=("$p")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need+=(wine32:i386)
elif ! have wine32:i386; then
  need+=(wine32:i386)
fi
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${need[@]}"
fi
