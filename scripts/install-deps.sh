#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libboost-dev            # boost::shared_ptr, unordered_map, hash in the host interface
  liburiparser-dev        # source address parsing
  libspdlog-dev libfmt-dev  # sinks behind the orvlog logging library
  libcli11-dev            # the reference host's command line
  libpng-dev              # the reference host's snapshots
  gnuplot-nox             # the long-run check's plot
  nlohmann-json3-dev      # the reference host's JSON summary, and its tests reading it back
  libgtest-dev libgmock-dev  # tests
  libbenchmark-dev        # benchmarks
  clang-14 libclang-rt-14-dev  # libFuzzer for the address fuzz target; thread-safety analysis
  python3                 # runs that analysis over the compile commands
  valgrind                # memcheck run of the soak suite
  clang-format
  g++-mingw-w64-x86-64-posix  # the Windows cross build
  libstb-dev              # its reference host's snapshots (Debian has no Windows libpng)
  wine wine64             # runs its test programs
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
