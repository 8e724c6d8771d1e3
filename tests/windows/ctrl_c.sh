#!/usr/bin/env bash
# Ctrl-C to rs-host.exe under Wine: Wine turns a SIGINT to the program's
# process into a console control event, which reaches the console handler
# on a thread of its own. The program must stop its source in order, write
# its summary and exit with status 0, as it does on Linux.
#   ctrl_c.sh <Wine prefix> <rs-host.exe> <output folder>
# Wine is run here, not through the build's emulator script: that one holds
# the output until the end, and a signal must reach the program itself.
set -uo pipefail
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rs_host=$2
out=$3
rm -rf "$out"
mkdir -p "$out"
json="Z:$out/summary.json"

"${VSRS_WINE:-wine}" "$rs_host" --seconds 0 --json "$json" \
  "realsense://?c_width=640&c_height=480&c_fps=30" >"$out/output.txt" 2>&1 </dev/null &
program=$!
trap 'kill -KILL "$program" 2>/dev/null' EXIT

# The first status line with packets: the source is running. Polled, as the
# program's output is all there is to wait on; 60 s covers a cold Wine.
for _ in $(seq 600); do
  grep -q ' pkts ' "$out/output.txt" && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q ' pkts ' "$out/output.txt"; then
  echo "rs-host.exe never showed a status line:"
  cat "$out/output.txt"
  exit 1
fi

# Wine execs the program in the process it was started as.
kill -INT "$program"
wait "$program"
status=$?
cat "$out/output.txt"
fail() {
  echo "FAILED: $*"
  exit 1
}
[ "$status" -eq 0 ] || fail "exit status $status after Ctrl-C, not 0"
grep -q '^stopping on signal 2' "$out/output.txt" || fail "no 'stopping on signal 2' line"
grep -q '"stopped_by": *"signal"' "$out/summary.json" || fail "summary not stopped by signal"
packets=$(grep -o '"packets": *[0-9]*' "$out/summary.json" | head -1 | grep -o '[0-9]*$')
[ "${packets:-0}" -gt 0 ] || fail "no packets in the summary"
echo "Ctrl-C: exit 0, summary written, $packets packets"
