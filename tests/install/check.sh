#!/usr/bin/env bash
# Installs a build into a fresh prefix and uses it from outside the tree: the
# installed rs-host streams from the installed module, and a separate CMake
# project finds the package and loads the module.
#   tests/install/check.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
prefix="$build/install-check/prefix"
rm -rf "$build/install-check"
cmake --install "$build" --prefix "$prefix" >/dev/null

"$prefix/bin/rs-host" --frames 5 --seconds 30 --json "$build/install-check/summary.json" \
  'realsense://?c_width=640&c_height=480' >/dev/null
grep -q '"packets": 5' "$build/install-check/summary.json" || {
  cat "$build/install-check/summary.json"
  echo "installed rs-host delivered no packets" >&2
  exit 1
}

cmake -S "$here/consumer" -B "$build/install-check/consumer" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$build/install-check/consumer" >/dev/null
"$build/install-check/consumer/consumer" | grep -qx "scheme: realsense"
echo "install check: passed"
