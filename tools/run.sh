#!/usr/bin/env bash
# Builds Tidewell and runs it under Wine's virtual desktop, whose taskbar shows
# the notification area with the tray icon. Uses a prefix of its own
# (build/run-prefix), so the program's registry settings persist between runs.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
. "$top/tools/arch.sh"
export TIDEWELL_ARCH=$TIDEWELL_TEST_ARCH
. "$top/tests/support/wine-env.sh"

build=$top/build/$TIDEWELL_ARCH
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw.cmake" \
  -DTIDEWELL_ARCH="$TIDEWELL_ARCH" -DTIDEWELL_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target Tidewell

if [ -z "${DISPLAY:-}" ]; then
  echo "run: no X display; run under one (or: xvfb-run -a $0)" >&2
  exit 1
fi

export WINEPREFIX=$top/build/run-prefix
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
  echo "run: making the wine prefix $WINEPREFIX (once)"
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1
fi
exe=$("$WINE" winepath -w "$build/app/Tidewell.exe" 2>/dev/null)
echo "run: starting Tidewell; its icon is in the desktop window's notification area (choose Exit there to end)"
exec "$WINE" explorer /desktop=Tidewell,1024x768 "$exe"
