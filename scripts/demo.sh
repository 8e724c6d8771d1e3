#!/usr/bin/env bash
# The project's main job in one command, on a fresh Debian 12 machine: install
# the build dependencies, build in Release what the run needs (the module,
# rs-host, and rs2sim when no librealsense2 is installed), and run the
# reference host rs-host on the default simulated camera for a few seconds,
# with a JSON summary and PNG snapshots of the last colour and depth frames.
# The test suites, benchmarks and the long-run check are left to
# scripts/test.sh.
#
#   bash scripts/demo.sh
#
# BUILD_DIR (default build/demo) and BUILD_TARGET (default: rs-host and the
# module; all builds everything) change where and what is built. The summary
# and the snapshots go into BUILD_DIR.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
build_dir="${BUILD_DIR:-build/demo}"
# rs-host depends on what it runs with: rs2sim, when the build uses it, is
# built along; the module is named too, which rs-host only loads at run time.
read -r -a build_targets <<<"${BUILD_TARGET:-rs-host vs_realsense2}"
address='realsense://?c_width=640&c_height=480&c_fps=30'

bash scripts/install-deps.sh
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build_dir" --target "${build_targets[@]}" -j "$(nproc)"

out="$build_dir"
rm -rf "$out/snapshots" "$out/summary.json"
echo
echo "== rs-host --seconds 5 --json $out/summary.json --snapshot $out/snapshots '$address'"
"$build_dir/bin/rs-host" --seconds 5 --json "$out/summary.json" --snapshot "$out/snapshots" \
  "$address"

echo
echo "Snapshots (colour, and depth coloured from near = blue to far = red, black = no depth):"
for png in "$out"/snapshots/*.png; do echo "  $png"; done
echo "JSON summary:"
echo "  $out/summary.json"
