#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them all, with the machine, the
# build type, the date and the load they ran under. Figures taken while the
# machine is busy are noisy: compare the load lines before trusting them.
#   bench/run.sh [build-dir]      default: build/bench-release
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench-release}
jobs=${JOBS:-2}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$jobs" --target frame_path_bench scale_bench start_stop_bench

echo "=== machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
echo "=== kernel: $(uname -r)"
echo "=== build type: Release ($build)"
echo "=== date: $(date -u '+%Y-%m-%d %H:%M:%S UTC')"
echo "=== load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for bench in frame_path_bench scale_bench start_stop_bench; do
  echo "=== $bench"
  "$build/bin/$bench" --benchmark_counters_tabular=true
done
echo "=== load after: $(cut -d' ' -f1-3 /proc/loadavg)"
