#!/usr/bin/env bash
# Builds Tidewell and runs every test: installs what the machine lacks, builds
# the shipped 32-bit program, builds the test tree for the architecture this
# machine's wine can run, and runs CTest (and the bounded fuzz runs) on it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
. "$top/tools/arch.sh"
jobs=$(nproc)

cmake -S "$top" -B "$top/build/i686" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw.cmake" \
  -DTIDEWELL_ARCH=i686 -DTIDEWELL_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$top/build/i686" -j"$jobs"

tb=$top/build/$TIDEWELL_TEST_ARCH-tests
cmake -S "$top" -B "$tb" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw.cmake" \
  -DTIDEWELL_ARCH="$TIDEWELL_TEST_ARCH" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$tb" -j"$jobs"
(cd "$tb" && ctest --output-on-failure --timeout 600 "$@")

if [ -x "$top/tools/fuzz.sh" ]; then "$top/tools/fuzz.sh" bounded; fi
