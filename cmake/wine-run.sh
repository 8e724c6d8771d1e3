#!/bin/sh
# The emulator of the MinGW cross build (cmake/mingw-w64-x86_64.cmake): runs
# one Windows program under Wine, in the build's own prefix and without Wine's
# debug chatter, and prints the program's output once it has ended.
#   wine-run.sh <prefix> <program.exe> [arguments...]
# The output goes through a file because Wine's services, started by the
# first program of a session, outlive it: they would inherit and hold open a
# pipe to ctest, which would then wait for them until its timeout.
set -u
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"
out=$(mktemp) || exit 1
"${VSRS_WINE:-wine}" "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
if [ "$status" -ne 0 ] && [ ! -s "$out" ]; then
  # A program that dies before it flushes its first line says nothing itself.
  echo "wine-run.sh: $1 ended with status $status and no output" >&2
fi
rm -f "$out"
exit "$status"
