#!/usr/bin/env bash
# Builds the SDK natively and runs zyvscope's demo against the simulated
# instrument: autoset, capture, measurement, spectrum, mask test, pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "${JOBS:-2}"
out=build/demo
mkdir -p "$out"
build/native/bin/zyvscope --runtime build/native/sim/default --out "$out" demo
echo "The pictures are SVG files: open them in a web browser."
