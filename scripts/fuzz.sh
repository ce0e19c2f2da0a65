#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (build/fuzz) and runs
# each for a bounded time, starting from the seeds each target writes from
# the tests' own cases. Inputs that fail are kept in build/fuzz/crashes/.
#
#   scripts/fuzz.sh                 every target, FUZZ_SECONDS (30) each
#   scripts/fuzz.sh 600             every target, ten minutes each
#   scripts/fuzz.sh 120 passfail    one target
#
# Targets: settings_file measurement spectrum passfail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-${FUZZ_SECONDS:-30}}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(settings_file measurement spectrum passfail)
build=build/fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUZYV_FUZZ=ON \
  -DUZYV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target fuzz_targets

# Runtime copies and the initialisation trace go to a folder of the run's own.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch

failed=()
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  crashes=$build/crashes/$target
  mkdir -p "$corpus" "$crashes"
  UZYV_FUZZ_SEEDS=$corpus "$build/bin/fuzz_$target"
  echo "== fuzz_$target for ${seconds} s"
  if "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$crashes/" -print_final_stats=1 "$corpus" >"$build/$target.log" 2>&1; then
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/$target.log" | tr '\n' ' '
    echo
  else
    tail -n 40 "$build/$target.log"
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found failures in: ${failed[*]} (inputs in $build/crashes/)"
  exit 1
fi
echo "fuzzing: no failure"
