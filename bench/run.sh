#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them all, with the machine, the
# build type, the date and the load they ran under. Figures taken while the
# machine is busy are noisy: compare the load lines before trusting them.
#   bench/run.sh [build-dir]      default: build/bench-release
#   bench/run.sh real [build-dir] the real librealsense2 (VSRS_REALSENSE_PREFIX,
#                                 default /opt/librealsense-2.54.2) on a recording, plain,
#                                 aligned and with the depth filters; default build/bench-real
#   bench/run.sh real-build DIR   only builds the real-library bench into DIR
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}

if [ "${1:-}" = real ] || [ "${1:-}" = real-build ]; then
  mode=$1
  build=${2:-build/bench-real}
  prefix=${VSRS_REALSENSE_PREFIX:-/opt/librealsense-2.54.2}
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVSRS_SDK=real \
    -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build "$build" -j "$jobs" --target playback_bench rs-make-recording vs_realsense2
  [ "$mode" = real-build ] && exit 0
  # What a D435 streams by default, 3 s, looped by the playback.
  recording=$build/d435.bag
  [ -f "$recording" ] || "$build/bin/rs-make-recording" --out "$recording" \
    --color-size 1280x720 --depth-size 848x480 --fps 30 --framesets 90
  echo "=== machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
  echo "=== kernel: $(uname -r)"
  echo "=== build type: Release ($build); librealsense2 in $prefix"
  echo "=== date: $(date -u '+%Y-%m-%d %H:%M:%S UTC')"
  echo "=== load before: $(cut -d' ' -f1-3 /proc/loadavg)"
  # The plain path, alignment, each depth filter alone and the whole chain, in one run.
  chain='decimate=2&spatial=1&temporal=1&hole_fill=1'
  queries=('' 'align=color' 'decimate=2' 'min_depth=0.3&max_depth=4' 'spatial=1' 'temporal=1'
    'hole_fill=1' "$chain" "$chain&align=color")
  args=()
  for q in "${queries[@]}"; do args+=(--query "$q"); done
  "$build/bin/playback_bench" --recording "$recording" --rounds "${ROUNDS:-3}" --seconds 8 "${args[@]}"
  echo "=== load after: $(cut -d' ' -f1-3 /proc/loadavg)"
  exit 0
fi

build=${1:-build/bench-release}

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
