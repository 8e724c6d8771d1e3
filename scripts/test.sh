#!/usr/bin/env bash
# Builds and runs every test suite: a plain build on rs2sim, the module on the
# real librealsense2 with recordings instead of a camera, the rs2sim build again
# under AddressSanitizer+UndefinedBehaviorSanitizer and under ThreadSanitizer,
# then the address fuzzer, the memcheck run of the soak suite and the Windows
# cross build under Wine. Each stage prints its time.
#   scripts/test.sh            all stages
#   scripts/test.sh plain      one stage (format, locks, plain, real, asan, tsan, fuzz, memcheck, windows)
# The real stage looks for librealsense2 in VSRS_REALSENSE_PREFIX (default
# /opt/librealsense-2.54.2); when it is not there but ../shared/third_party
# is, it builds and installs it first (about 15 minutes, once per machine).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-$(nproc)}
stages=("$@")
[ ${#stages[@]} -eq 0 ] && stages=(format locks plain real asan tsan fuzz memcheck windows)

bash scripts/install-deps.sh

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
export GTEST_COLOR=no

configure_build() {  # dir, extra cmake args...
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1 || {
    cat "$dir.configure.log"
    return 1
  }
  cmake --build "$dir" -j "$jobs"
}

summary=build/test-summary.txt
run_ctest() {  # dir, extra ctest args...
  local dir=$1
  shift
  local out="$dir.ctest.log"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300 "$@" 2>&1 | tee "$out"
  # "N% tests passed, F tests failed out of T" and one line per skipped test
  awk '/tests passed, .* tests failed out of/ { failed += $4; total += $NF }
       /\(Skipped\)$/ { skipped++ }
       END { printf "%d %d %d\n", total - failed - skipped, failed, skipped }' "$out" >>"$summary"
}

stage_format() {
  git ls-files '*.cpp' '*.hpp' '*.h' | xargs clang-format --dry-run --Werror
}
# clang's thread-safety analysis of the lock annotations (utils/mutex.hpp),
# from the plain stage's compile commands; no build needed.
stage_locks() {
  cmake -S "$root" -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVSRS_SDK=sim \
    >build/test.configure.log 2>&1 || {
    cat build/test.configure.log
    return 1
  }
  python3 scripts/thread_safety.py build/test clang++-14
}
# The rs2sim stages name their library, so that an installed librealsense2
# never changes what they build.
stage_plain() {
  configure_build build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVSRS_SDK=sim
  run_ctest build/test -LE memcheck
  bash tests/install/check.sh build/test
}
# The randomized lifecycle stress runs a minute under each sanitizer (10 s in
# the plain stage); its seed is printed, VSRS_STRESS_SEED replays it.
stage_asan() {
  configure_build build/asan -DCMAKE_BUILD_TYPE=Debug -DVSRS_SDK=sim -DVSRS_SANITIZE=address -DVSRS_BUILD_BENCH=OFF
  VSRS_STRESS_SECONDS=${VSRS_STRESS_SECONDS:-60} run_ctest build/asan
}
stage_tsan() {
  configure_build build/tsan -DCMAKE_BUILD_TYPE=Debug -DVSRS_SDK=sim -DVSRS_SANITIZE=thread -DVSRS_BUILD_BENCH=OFF
  VSRS_STRESS_SECONDS=${VSRS_STRESS_SECONDS:-60} run_ctest build/tsan
}
stage_real() {
  local prefix=${VSRS_REALSENSE_PREFIX:-/opt/librealsense-2.54.2}
  local builder="$root/../shared/third_party/build-librealsense.sh"
  if ! real_library_in "$prefix"; then
    if [ ! -f "$builder" ]; then
      echo "real stage skipped: no librealsense2 in $prefix (set VSRS_REALSENSE_PREFIX) and no"
      echo "  ../shared/third_party/build-librealsense.sh to build it with"
      return 0
    fi
    echo "librealsense2 not in $prefix: building it with $builder"
    local began
    began=$(date +%s)
    bash "$builder" "$prefix"
    echo "librealsense2 built and installed in $(($(date +%s) - began)) s"
  fi
  configure_build build/real -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVSRS_SDK=real \
    -DCMAKE_PREFIX_PATH="$prefix" -DVSRS_BUILD_BENCH=OFF
  grep -m1 "Camera SDK:" build/real.configure.log || true
  run_ctest build/real -LE memcheck
}
real_library_in() {  # prefix
  compgen -G "$1/lib*/cmake/realsense2/realsense2Config.cmake" >/dev/null
}
stage_fuzz() {
  if [ -f fuzz/run.sh ]; then bash fuzz/run.sh; else echo "no fuzz target"; fi
}
stage_memcheck() {
  # The soak suite's short version under valgrind's memcheck, on the plain build.
  if [ ! -d build/test ]; then configure_build build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVSRS_SDK=sim; fi
  if ctest --test-dir build/test -N -L memcheck | grep -q "Total Tests: [1-9]"; then
    run_ctest build/test -L memcheck -j 1
  else
    echo "no memcheck tests"
  fi
}
stage_windows() {
  # MinGW-w64 cross build; ctest starts the Windows programs through Wine (the
  # toolchain file's emulator, with the same prefix as here). docs/WINDOWS.md.
  local dir=build/windows
  mkdir -p "$dir"
  export WINEDEBUG=-all WINEPREFIX="$root/$dir/wine-prefix" WINEDLLOVERRIDES=mscoree,mshtml=
  local boot
  boot=$(date +%s)
  # The prefix's first boot, timed, and one Wine server for the whole stage,
  # so that each test program starts in about a second; the server ends by
  # itself a minute after its last program, also when the stage fails.
  mkdir -p "$WINEPREFIX"
  wineserver -p60 >"$dir.wine.log" 2>&1 || true # already running: reused
  wineboot --init >>"$dir.wine.log" 2>&1
  echo "wine prefix ready in $(($(date +%s) - boot)) s ($WINEPREFIX)"
  configure_build "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVSRS_SDK=sim -DVSRS_BUILD_TOOLS=ON -DVSRS_BUILD_BENCH=OFF
  echo "windows stage covers (MinGW-w64 GCC $(x86_64-w64-mingw32-g++-posix -dumpversion), $(wine --version 2>/dev/null)):"
  echo "  built and run under Wine, in $dir/bin: $(cd "$dir/bin" && ls -- *.dll *.exe | grep -v '^lib[a-z]*[_+-]' | tr '\n' ' ')"
  echo "    OrvLog.dll with test_host; rs2sim with rs2sim_hello"
  if [ -f "$dir/bin/vs_realsense2.dll" ]; then
    echo "    utils' Windows file probe, clocks and URL parser with test_utils; addresses with test_address"
    echo "    (uriparser built for Windows from $(sed -n 's/^VSRS_URIPARSER_SOURCE:PATH=//p' "$dir/CMakeCache.txt"))"
    echo "    vs_realsense2.dll: its exports and the DLLs it needs; loaded by test_module (protocol, lifecycle,"
    echo "    delivery, times, recording and playback, recovery, controls, align, health); test_module_units"
    echo "    and test_module_parts (thread names); test_lifecycle and test_stress on the stepped and the"
    echo "    real clock; test_soak and test_fault"
    echo "    (each suite is one ctest test under Wine: a program start costs about a second)"
    echo "    rs-host.exe, the main job: two seconds on the simulated camera, its JSON summary and PNG snapshots"
    echo "  left out on Windows: the FIFO playback case (POSIX), the export check by nm (objdump checks the DLL)"
  else
    echo "    utils' Windows file probe and clocks with test_utils (no URL parser cases)"
    echo "  skipped: uriparser's sources are missing ($(sed -n 's/^VSRS_URIPARSER_SOURCE:PATH=//p' "$dir/CMakeCache.txt")),"
    echo "    so the URL parser, the address suite, vs_realsense2.dll and the module's suites are compiled"
    echo "    or left out, not run"
  fi
  echo "  not built: the rs-host suites (POSIX processes and signals), the real-library suites, benchmarks"
  run_ctest "$dir"
  wineserver -k
}

mkdir -p build
: >"$summary"
all_start=$(date +%s)
for s in "${stages[@]}"; do
  start=$(date +%s)
  echo "=== stage $s"
  "stage_$s"
  echo "=== stage $s passed in $(($(date +%s) - start)) s"
done
awk '{ p += $1; f += $2; k += $3 } END { printf "tests: %d passed, %d failed, %d skipped\n", p, f, k }' "$summary"
echo "=== ${#stages[@]} stages in $(($(date +%s) - all_start)) s"
