#!/usr/bin/env bash
# The project's main job in one command, on a fresh Debian 12 machine: install
# the build dependencies, build everything in Release, and run the reference
# host rs-host on the default simulated camera for a few seconds, with a JSON
# summary and PNG snapshots of the last colour and depth frames.
#
#   bash scripts/demo.sh
#
# BUILD_DIR (default build) and BUILD_TARGET (default all; rs-host builds just
# the program and the module it loads) change where and what is built.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
build_dir="${BUILD_DIR:-build}"
build_target="${BUILD_TARGET:-all}"
address='realsense://?c_width=640&c_height=480&c_fps=30'

bash scripts/install-deps.sh
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build_dir" --target "$build_target" -j "$(nproc)"

out="$build_dir/demo"
rm -rf "$out"
mkdir -p "$out"
echo
echo "== rs-host --seconds 5 --json $out/summary.json --snapshot $out/snapshots '$address'"
"$build_dir/bin/rs-host" --seconds 5 --json "$out/summary.json" --snapshot "$out/snapshots" \
  "$address"

echo
echo "Snapshots (colour, and depth coloured from near = blue to far = red, black = no depth):"
for png in "$out"/snapshots/*.png; do echo "  $png"; done
echo "JSON summary:"
echo "  $out/summary.json"
