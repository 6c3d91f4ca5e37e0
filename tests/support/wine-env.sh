# Sourced by the wine scripts: picks the wine loader and server for $TIDEWELL_ARCH,
# and the display the run's X server got (tests/support/xvfb.sh) when there is one.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
if [ "${TIDEWELL_ARCH:-i686}" = x86_64 ]; then
  WINE=/usr/lib/wine/wine64
  export WINELOADER=$WINE
else
  WINE=wine
fi
if [ -x /usr/lib/wine/wineserver64 ]; then WINESERVER=/usr/lib/wine/wineserver64; else WINESERVER=wineserver; fi
if [ -n "${TIDEWELL_RUN_DIR:-}" ] && [ -s "$TIDEWELL_RUN_DIR/display" ]; then
  DISPLAY=$(cat "$TIDEWELL_RUN_DIR/display")
  export DISPLAY
fi
