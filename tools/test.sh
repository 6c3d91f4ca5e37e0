#!/usr/bin/env bash
# Builds Tidewell and runs every test: installs what the machine lacks, builds
# the shipped 32-bit program with warnings as errors (no test runs it, so what
# only that build warns about must stop here), builds the test tree for the architecture this
# machine's wine can run, and runs CTest (one test per core at a time) and the
# bounded fuzz runs on it. Arguments go to CTest.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
. "$top/tools/arch.sh"
jobs=$(nproc)

# A configure step is quiet when it works and shows all it said when it fails.
#   configure <build dir> <cmake options...>
configure() {
  local dir=$1 log
  shift
  log=$(mktemp)
  if ! cmake -S "$top" -B "$dir" "$@" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "test: configuring $dir failed (output above)" >&2
    exit 1
  fi
  rm -f "$log"
}

configure "$top/build/i686" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw.cmake" \
  -DTIDEWELL_ARCH=i686 -DTIDEWELL_TESTS=OFF -DCMAKE_BUILD_TYPE=Release -DTIDEWELL_WERROR=ON
cmake --build "$top/build/i686" -j"$jobs"

tb=$top/build/$TIDEWELL_TEST_ARCH-tests
configure "$tb" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw.cmake" \
  -DTIDEWELL_ARCH="$TIDEWELL_TEST_ARCH" -DCMAKE_BUILD_TYPE=Debug
cmake --build "$tb" -j"$jobs"
(cd "$tb" && ctest -j"$jobs" --output-on-failure --timeout 600 "$@")

if [ -x "$top/tools/fuzz.sh" ]; then "$top/tools/fuzz.sh" bounded; fi
