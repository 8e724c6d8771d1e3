#!/usr/bin/env bash
# Installs a build into a fresh prefix and uses it from outside the tree: the
# installed rs-host streams from the installed module, and a separate CMake
# project finds the package and loads the module. A build on rs2sim must
# first refuse to install and to package unless VSRS_PACKAGE_SIM is on; it is
# then reconfigured with it on, and its package must be named as simulated.
#   tests/install/check.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
work="$build/install-check"
prefix="$work/prefix"
rm -rf "$work"
mkdir -p "$work"

fail() {
  echo "install check: $*" >&2
  exit 1
}

if [ -e "$build/lib/librs2sim.so" ]; then
  cmake "$build" -DVSRS_PACKAGE_SIM=OFF >/dev/null
  if cmake --install "$build" --prefix "$prefix" >"$work/refused.log" 2>&1; then
    fail "a build on rs2sim installed without VSRS_PACKAGE_SIM"
  fi
  grep -q "This build runs on rs2sim" "$work/refused.log" || {
    cat "$work/refused.log"
    fail "the refusal does not say why"
  }
  [ -z "$(find "$prefix" -type f 2>/dev/null)" ] || fail "a refused install left files behind"
  if (cd "$build" && cpack -G DEB -B "$work/package" >"$work/refused-cpack.log" 2>&1); then
    fail "a build on rs2sim was packaged without VSRS_PACKAGE_SIM"
  fi
  cmake "$build" -DVSRS_PACKAGE_SIM=ON >/dev/null
fi

cmake --install "$build" --prefix "$prefix" >/dev/null

"$prefix/bin/rs-host" --frames 5 --seconds 30 --json "$work/summary.json" \
  'realsense://?c_width=640&c_height=480' >/dev/null
grep -q '"packets": 5' "$work/summary.json" || {
  cat "$work/summary.json"
  fail "installed rs-host delivered no packets"
}

cmake -S "$here/consumer" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
"$work/consumer/consumer" | grep -qx "scheme: realsense" || fail "the consumer project failed"

if [ -e "$build/lib/librs2sim.so" ]; then
  (cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"
    fail "cpack failed"
  }
  deb=$(find "$work/package" -maxdepth 1 -name '*.deb')
  [ "$(dpkg-deb -f "$deb" Package)" = "vs-realsense2-sim" ] || fail "package not named as simulated"
  dpkg-deb -f "$deb" Description | grep -q "SIMULATED" || fail "description hides the simulator"
  dpkg-deb -c "$deb" >"$work/contents.txt"
  grep -q "librs2sim.so" "$work/contents.txt" || fail "the simulated package lacks rs2sim"
fi
echo "install check: passed"
