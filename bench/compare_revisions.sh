#!/usr/bin/env bash
# The reader's CPU per frameset of two revisions of the module, side by side
# on the real librealsense2: each revision's module is built in Release
# against the library, the current tree's playback_bench plays one recording
# (1280x720 RGB8 + 848x480 Z16 at 30 Hz, looped) through each in turn, and
# the rounds alternate A B B A ... so that a drift of the machine's load
# falls on both. Prints each run, then per revision the median of the run
# medians and the difference.
#   bench/compare_revisions.sh [REV_A] [REV_B] [ROUNDS] [SECONDS] [QUERY]
#   defaults: 2fb3b6e main 12 8 ""   (QUERY: address keys for both, e.g. align=color)
# A revision may also be a folder holding an edited copy of the tree, to
# measure a change before it is committed.
# Every run is pinned to one core (PIN_CPU, default 1; empty: not pinned):
# the library's decompression and the reader then share that core's caches
# and TLB in every run, where unpinned the scheduler's placement made runs of
# one build differ by ±25 %.
# VSRS_REALSENSE_PREFIX: where librealsense2 is (default /opt/librealsense-2.54.2).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
rev_a=${1:-2fb3b6e}
rev_b=${2:-main}
rounds=${3:-12}
seconds=${4:-8}
query=${5:-}
prefix=${VSRS_REALSENSE_PREFIX:-/opt/librealsense-2.54.2}
jobs=${JOBS:-2}
pin_cpu=${PIN_CPU-1}
pin=()
[ -n "$pin_cpu" ] && pin=(taskset -c "$pin_cpu")
work=$root/build/compare

# The bench and the recording maker, from this tree.
bash bench/run.sh real-build "$work/bench"
bench=$work/bench/bin/playback_bench
recording=$work/d435.bag
[ -f "$recording" ] || "$work/bench/bin/rs-make-recording" --out "$recording" \
  --color-size 1280x720 --depth-size 848x480 --fps 30 --framesets 90

module_of() {  # revision or source folder -> path of its module, built once per revision
  local rev=$1 src build
  if [ -d "$rev" ]; then
    # A folder (an edited copy of the tree): rebuilt on every call.
    src=$(cd "$rev" && pwd)
    build=$work/build-dir-$(basename "$src")
  else
    local commit
    commit=$(git rev-parse --short "$rev^{commit}")
    src=$work/src-$commit
    build=$work/build-$commit
  fi
  if [ -d "$rev" ] || [ ! -f "$build/lib/libvs_realsense2.so" ]; then
    if [ ! -d "$rev" ]; then
      rm -rf "$src"
      mkdir -p "$src"
      git archive "$commit" | tar -x -C "$src"
    fi
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVSRS_SDK=real \
      -DCMAKE_PREFIX_PATH="$prefix" -DVSRS_BUILD_TESTS=OFF -DVSRS_BUILD_BENCH=OFF \
      -DVSRS_BUILD_TOOLS=OFF >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
    cmake --build "$build" -j "$jobs" --target vs_realsense2 >&2
  fi
  echo "$build/lib/libvs_realsense2.so"
}
module_a=$(module_of "$rev_a")
module_b=$(module_of "$rev_b")

echo "=== $rev_a: $module_a"
echo "=== $rev_b: $module_b"
echo "=== machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
echo "=== date: $(date -u '+%Y-%m-%d %H:%M:%S UTC'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "=== $rounds rounds of $seconds s per revision, query '${query}', pinned to cpu '${pin_cpu}'"
results=$work/results.txt
: >"$results"
run() {  # label module
  local line
  line=$("${pin[@]}" "$bench" --recording "$recording" --module "$2" --seconds "$seconds" --query "$query" | tail -1)
  echo "$1 $line" | tee -a "$results"
}
for ((r = 0; r < rounds; r++)); do
  if ((r % 2 == 0)); then run A "$module_a"; run B "$module_b"; else run B "$module_b"; run A "$module_a"; fi
done
echo "=== load after: $(cut -d' ' -f1-3 /proc/loadavg)"
# Per revision the median of the runs' medians; per round the difference
# B - A of its two runs, whose median and sign count say more than either
# alone on a busy machine.
awk -v a="$rev_a" -v b="$rev_b" '
  { for (i = 1; i <= NF; i++) if ($i ~ /^med=/) { v = substr($i, 5) + 0; m[$1, ++n[$1]] = v } }
  function median(arr, c,   i, j, t) {
    for (i = 1; i <= c; i++) for (j = i + 1; j <= c; j++) if (arr[j] < arr[i]) { t = arr[i]; arr[i] = arr[j]; arr[j] = t }
    return c % 2 ? arr[(c + 1) / 2] : (arr[c / 2] + arr[c / 2 + 1]) / 2
  }
  END {
    for (i = 1; i <= n["A"]; i++) { sa[i] = m["A", i]; sb[i] = m["B", i]; d[i] = m["B", i] - m["A", i]; up += d[i] > 0 }
    ma = median(sa, n["A"]); mb = median(sb, n["B"]); md = median(d, n["A"])
    printf "median of run medians: %s %.1f us, %s %.1f us, difference %+.1f %%\n", a, ma, b, mb, (mb - ma) / ma * 100
    printf "paired by round: median %s - %s %+.1f us (%+.1f %%); %s higher in %d of %d rounds\n", b, a, md, md / ma * 100, b, up, n["A"]
  }' "$results"
