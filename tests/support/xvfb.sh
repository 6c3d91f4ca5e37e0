#!/usr/bin/env bash
# start/stop the run's own X server on $DISPLAY for tests that open windows.
set -u
: "${DISPLAY:?}" "${TIDEWELL_RUN_DIR:?}"
pidfile=$TIDEWELL_RUN_DIR/xvfb.pid
mkdir -p "$TIDEWELL_RUN_DIR"
case "$1" in
start)
  [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null
  n=${DISPLAY#:}
  rm -f "/tmp/.X${n}-lock" "/tmp/.X11-unix/X${n}"
  setsid Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$TIDEWELL_RUN_DIR/xvfb.log" 2>&1 &
  echo $! >"$pidfile"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && exit 0; sleep 0.1; done
  echo "Xvfb did not start on $DISPLAY" >&2; exit 1
  ;;
stop)
  [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null
  rm -f "$pidfile"; exit 0
  ;;
esac
