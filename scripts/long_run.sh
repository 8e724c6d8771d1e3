#!/usr/bin/env bash
# The long-run check: the module (in the long_run program, once with a host
# that drops every packet and a camera more that records in 10 s files of
# which at most 3 are kept, and once with one that keeps the newest 8 per
# source) and rs-host (--seconds 0, stopped by SIGINT at the end, sampled
# from outside) run side by side on simulated cameras of mixed modes and a
# playback, for the same time. Every few seconds each process's resident
# memory, threads and open descriptors are sampled; each run fails when one
# of them grows beyond its allowance after the warm-up. Tables, CSV files,
# verdicts and PNG plots go to the output directory.
#
#   scripts/long_run.sh [--minutes M | --seconds S] [--interval S] [--warmup S]
#                       [--build DIR] [--no-build] [--out DIR]
#
# Defaults: 60 minutes, a sample every 5 s, 60 s warm-up, build/long-run
# (Release), output in build/long-run-out. CI runs a short version through
# CTest (label long-run).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=3600
interval=5
warmup=60
build=build/long-run
out=build/long-run-out
do_build=1
while [ $# -gt 0 ]; do
  case $1 in
    --minutes) seconds=$(awk "BEGIN { print $2 * 60 }"); shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --interval) interval=$2; shift 2 ;;
    --warmup) warmup=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --no-build) do_build=0; shift ;;
    --out) out=$2; shift 2 ;;
    *) echo "long_run.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

if [ "$do_build" = 1 ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVSRS_SDK=sim >/dev/null
  cmake --build "$build" -j "${JOBS:-2}" --target long_run rs-host vs_realsense2
fi
bin=$build/bin
mkdir -p "$out"
out=$(cd "$out" && pwd)
common=(--seconds "$seconds" --interval "$interval" --warmup "$warmup")
stamp="$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores"

# rs-host's sources: four cameras of mixed modes, and a playback of a
# recording that rs-host itself makes first (record mode, 30 packets).
rec="$out/rs-host-recording.bag"
"$bin/rs-host" --frames 30 --seconds 30 \
  "realsense://?sn=900000000000&c_width=640&c_height=480&c_fps=30&d_width=640&d_height=480&d_fps=30&record_to_file=${rec//\//%2F}" \
  >"$out/recording.txt" 2>&1 || { cat "$out/recording.txt"; exit 1; }
cams=(
  "realsense://?sn=900000000000&c_width=1280&c_height=720&c_fps=30&d_width=848&d_height=480&d_fps=30"
  "realsense://?sn=900000000001&c_width=640&c_height=480&c_fps=15&d_width=640&d_height=480&d_fps=15"
  "realsense://?sn=900000000002&c_width=1920&c_height=1080&c_fps=6&d_width=1280&d_height=720&d_fps=6"
  "realsense://?sn=900000000003&c_width=640&c_height=480&c_fps=30&d_width=1280&d_height=720&d_fps=30"
  "realsense://?playback_from_file=${rec//\//%2F}"
)

echo "=== long run: $seconds s, a sample every $interval s, warm-up $warmup s; $stamp"
pids=()
"$bin/long_run" module "${common[@]}" --record --out "$out/module-drop" \
  --title "module, 4 cameras + playback + a rotating recording, host drops packets ($stamp)" \
  >"$out/module-drop.txt" 2>&1 &
pids+=($!)
"$bin/long_run" module "${common[@]}" --keep 8 --out "$out/module-keep" \
  --title "module, 4 cameras + playback, host keeps 8 packets each ($stamp)" \
  >"$out/module-keep.txt" 2>&1 &
pids+=($!)
RS2SIM_DEVICES=4 "$bin/long_run" process "${common[@]}" --out "$out/rs-host" \
  --title "rs-host --seconds 0, 4 cameras + playback, SIGINT at the end ($stamp)" \
  -- "$bin/rs-host" --seconds 0 "${cams[@]}" \
  >"$out/rs-host.txt" 2>&1 &
pids+=($!)

status=0
names=(module-drop module-keep rs-host)
for i in "${!pids[@]}"; do
  if wait "${pids[$i]}"; then result=PASS; else result=FAIL; status=1; fi
  echo "=== ${names[$i]}: $result"
  cat "$out/${names[$i]}.txt"
done
rm -f "$rec"
echo "=== long run: $([ $status = 0 ] && echo PASS || echo FAIL); plots: $out/*/plot.png"
exit $status
