#!/usr/bin/env bash
# Builds the source-address fuzzer with clang's libFuzzer under
# AddressSanitizer+UndefinedBehaviorSanitizer and runs it from the seed
# corpus for a fixed number of inputs. Exits non-zero on any crash, leak,
# time-out or sanitizer report, and when fewer inputs than asked were run.
#   FUZZ_RUNS       inputs to run (default 200000)
#   FUZZ_SEED       libFuzzer's random seed (default 1, so that CI runs repeat)
#   FUZZ_BUILD_DIR  build folder (default build/fuzz in the repository)
#   FUZZ_CXX        the clang++ to use (default clang++-14)
#   FUZZ_JOBS       build jobs (default 2)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${FUZZ_BUILD_DIR:-$root/build/fuzz}
runs=${FUZZ_RUNS:-200000}
seed=${FUZZ_SEED:-1}
cxx=${FUZZ_CXX:-clang++-14}
jobs=${FUZZ_JOBS:-2}

if ! command -v "$cxx" >/dev/null; then
  echo "fuzz: $cxx not found; install clang-14 and libclang-rt-14-dev" >&2
  exit 1
fi

mkdir -p "$build"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$cxx" >"$build/configure.log" 2>&1 || {
  cat "$build/configure.log" >&2
  exit 1
}
cmake --build "$build" -j "$jobs"

# New inputs go to a fresh folder, never into the seed corpus in the tree;
# a crashing input lands in the artifacts folder.
work="$build/corpus"
artifacts="$build/artifacts"
rm -rf "$work" "$artifacts"
mkdir -p "$work" "$artifacts"
log="$build/fuzz.log"

export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}halt_on_error=1:print_stacktrace=1"

status=0
"$build/source_address_fuzzer" -runs="$runs" -seed="$seed" -max_len=1024 -timeout=10 \
  -rss_limit_mb=2048 -dict="$here/address.dict" -artifact_prefix="$artifacts/" \
  -print_final_stats=1 "$work" "$here/corpus" >"$log" 2>&1 || status=$?

# Belt and braces: a report must fail the run even if an option above ever
# lets the process carry on.
if [ "$status" -eq 0 ] && grep -qE 'ERROR: (Address|Leak|UndefinedBehavior)Sanitizer|runtime error:|ERROR: libFuzzer|broken promise' "$log"; then
  status=1
fi
done_runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -n 1)
if [ "$status" -eq 0 ] && [ "${done_runs:-0}" -lt "$runs" ]; then
  echo "fuzz: only ${done_runs:-0} of $runs runs completed" >&2
  status=1
fi

if [ "$status" -ne 0 ]; then
  tail -n 60 "$log" >&2
  echo "fuzz: FAILED (exit $status); log: $log, artifacts: $artifacts" >&2
  exit "$status"
fi
grep -E '^(Done|stat::)' "$log"
echo "fuzz: passed, $done_runs runs"
