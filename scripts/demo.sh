#!/usr/bin/env bash
# Builds the SDK natively and runs the main job against the simulated runtime.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "${JOBS:-2}"
build/native/bin/zyvinfo build/native/sim/default
