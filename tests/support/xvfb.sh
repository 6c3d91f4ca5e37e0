#!/usr/bin/env bash
# start: run the run's own X server for tests that open windows, on the first
#   free display from $DISPLAY's number on, and write the display it got to
#   $TIDEWELL_RUN_DIR/display (the wine scripts take it from there).
#   Xvfb alone decides whether a display is free: it refuses one whose lock file
#   names a live server and clears a stale one itself, so nothing here can
#   delete the files of another server.
# stop: end that server.
set -u
: "${DISPLAY:?}" "${TIDEWELL_RUN_DIR:?}"
pidfile=$TIDEWELL_RUN_DIR/xvfb.pid
displayfile=$TIDEWELL_RUN_DIR/display
mkdir -p "$TIDEWELL_RUN_DIR"

# Ends the server of the pid file, if that pid is still an Xvfb (a stale file
# may name another process by now).
stop() {
  if [ -f "$pidfile" ]; then
    local pid
    pid=$(cat "$pidfile")
    if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then
      kill "$pid" 2>/dev/null
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
  fi
  rm -f "$pidfile" "$displayfile"
}

# Waits until the server of pid serves display n. False once it has ended:
# the display was taken, and its lock file names another server.
serving() {
  local pid=$1 n=$2
  for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || return 1
    if [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$pid" ] &&
      xdpyinfo -display ":$n" >/dev/null 2>&1; then
      return 0
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  return 1
}

case "$1" in
start)
  stop
  first=${DISPLAY#:}
  first=${first%%.*}
  for n in $(seq "$first" $((first + 31))); do
    setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$TIDEWELL_RUN_DIR/xvfb.log" 2>&1 &
    pid=$!
    if serving "$pid" "$n"; then
      echo "$pid" >"$pidfile"
      echo ":$n" >"$displayfile"
      echo "xvfb: display :$n"
      exit 0
    fi
    wait "$pid" 2>/dev/null
  done
  echo "Xvfb did not start on any display from :$first to :$((first + 31)); its last log:" >&2
  cat "$TIDEWELL_RUN_DIR/xvfb.log" >&2
  exit 1
  ;;
stop)
  stop
  exit 0
  ;;
esac
