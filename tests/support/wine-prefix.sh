#!/usr/bin/env bash
# start: make a fresh WINEPREFIX for this test run and keep a wineserver alive in it.
# stop: end that wineserver (and every wine process of the run).
set -u
: "${WINEPREFIX:?}"
. "$(dirname "$0")/wine-env.sh"
case "$1" in
start)
  "$WINESERVER" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Wine's background services inherit our standard streams; detach them so
  # CTest is not left waiting on a pipe that never closes.
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1
  # One virtual desktop with a taskbar: every program shares it, and the tray
  # icon lives in its notification area.
  "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1
  # wineboot's explorer already made a plain desktop, which would outlive the
  # setting: boot once more on a fresh server, so the virtual desktop comes up
  # here, with its explorer detached from CTest's streams.
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINE" wineboot </dev/null >/dev/null 2>&1
  test -d "$WINEPREFIX/drive_c/windows"
  ;;
stop)
  "$WINESERVER" -k >/dev/null 2>&1 || true
  ;;
esac
