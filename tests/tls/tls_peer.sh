#!/usr/bin/env bash
# start: run the native TLS test peer (tls_peer.py) on 127.0.0.1:
#   ports $TIDEWELL_PORT_BASE+6 .. +9 (see tls_peer.py for what each does).
# stop: end it by its own pid.
set -eu
: "${TIDEWELL_RUN_DIR:?}" "${TIDEWELL_PORT_BASE:?}"
dir=$TIDEWELL_RUN_DIR/tlspeer
here=$(cd "$(dirname "$0")" && pwd)

stop() {
  if [ -f "$dir/pid" ]; then
    kill "$(cat "$dir/pid")" 2>/dev/null || true
    rm -f "$dir/pid"
  fi
}

case "$1" in
stop) stop; exit 0 ;;
start) ;;
*) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac

stop
rm -rf "$dir"; mkdir -p "$dir"
openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj /CN=localhost \
  -keyout "$dir/peer.key" -out "$dir/peer.crt" >/dev/null 2>&1
. "$here/../support/ports.sh"
tls=$(take_ports $((TIDEWELL_PORT_BASE + 6)) 4)
nohup python3 "$here/tls_peer.py" "$tls" "$dir/peer.crt" "$dir/peer.key" \
  >"$dir/log" 2>&1 </dev/null &
echo $! >"$dir/pid"
for _ in $(seq 100); do
  if python3 -c "import socket; [socket.create_connection(('127.0.0.1', $tls + i), 1).close() for i in range(4)]" 2>/dev/null; then
    exit 0
  fi
  sleep 0.1
done
echo "TLS peer did not start; log:" >&2; cat "$dir/log" >&2; exit 1
