# Sourced by the fixtures that listen on loopback. The ports derived from the
# build folder may be taken by another program: take_ports <derived> <count>
# prints the first of <count> free consecutive ports, the derived ones when
# they are free, else the first free run 100, 200, ... above them, and records
# each as $TIDEWELL_RUN_DIR/ports/<derived port>, where the tests look first
# (EnvInt, EnvPort).

ports_free() {  # first count
  python3 - "$1" "$2" <<'PY' 2>/dev/null
import socket, sys
first, count = int(sys.argv[1]), int(sys.argv[2])
held = []
for port in range(first, first + count):
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", port))
    held.append(s)
PY
}

take_ports() {  # derived count
  local want=$1 count=$2 port k i
  for k in $(seq 0 40); do
    port=$((want + k * 100))
    [ "$port" -lt 65536 ] || break
    if ports_free "$port" "$count"; then
      mkdir -p "$TIDEWELL_RUN_DIR/ports"
      for i in $(seq 0 $((count - 1))); do echo $((port + i)) >"$TIDEWELL_RUN_DIR/ports/$((want + i))"; done
      [ "$k" = 0 ] || echo "ports: $want is taken; listening on $port instead" >&2
      echo "$port"
      return 0
    fi
  done
  echo "$want"  # the listener reports what stops it
}
