#!/usr/bin/env bash
# Makes the recordings of the real-library suites, all at once: each is
# written in real time, so together they take as long as the longest (~1.5 s).
#   make_recordings.sh RS_MAKE_RECORDING DIR
set -euo pipefail
tool=$1
dir=$2
mkdir -p "$dir"
small=(--color-size 320x240 --depth-size 320x240)
pids=()
make() {  # name, options...
  local name=$1
  shift
  "$tool" --out "$dir/$name.bag" "$@" &
  pids+=($!)
}
# Colour and depth of different sizes, so that alignment shows.
make rgb8_z16 --color rgb8 --color-size 640x480 --depth-size 480x270 --framesets 12
make bgr8_system --color bgr8 --depth none --color-size 320x240 --domain system --framesets 8
make rgb8_global --domain global --framesets 8 "${small[@]}"
make yuyv_z16 --color yuyv --framesets 4 "${small[@]}"
make z16_only --color none --framesets 6 "${small[@]}"
# Framesets 5 and 6 never sent: the times jump by three periods.
make holes --framesets 10 --hole 4:2 "${small[@]}"
# 1.2 s without frames after the third frameset.
make silence --framesets 6 --silence 3:1200 "${small[@]}"
status=0
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
exit $status
