#!/usr/bin/env bash
# Runs pop3_bench under wine against a private Dovecot holding the mailboxes
# of bench/mailboxes (1000 and 10000 generated messages; kept out of the test
# fixtures because generating them slows every test run's Dovecot start).
#   bench/run.sh <build dir> [pop3_bench arguments...]   (none: plain, then TLS)
#   bench/run.sh <build dir> --viewer   (viewer_bench on 1000, then 10000 messages:
#     the model alone, then the real window on the run's own X server, and the
#     window's time to the last row as a multiple of the model's)
#   bench/run.sh <build dir> --blocks   (a 5 MB and a 20 MB header block, plain and
#     TLS, beside Python's poplib reading the same replies; the 20 MB block stops
#     at the reply cap of 16 MiB)
#   bench/run.sh <build dir> --soak [cycles]   (cycle_soak: the check cycle back to back
#     against refused connections, memory and log length ten times along the way)
#   bench/run.sh <build dir> --preview   (preview_bench, 200 lines: messages of the
#     10,000-message mailbox, a 5 MB header block and a 5 MB attachment after a text)
set -eu
build=$(cd "${1:?usage: $0 <build dir> [args]}" && pwd)
shift
src=$(cd "$(dirname "$0")/.." && pwd)
export TIDEWELL_SOURCE_DIR=$src
export TIDEWELL_ARCH=${TIDEWELL_ARCH:-$(grep -s '^TIDEWELL_ARCH:' "$build/CMakeCache.txt" | cut -d= -f2)}
export TIDEWELL_RUN_DIR=$build/benchrun
export WINEPREFIX=$TIDEWELL_RUN_DIR/wineprefix
export TIDEWELL_MAILBOXES=$src/bench/mailboxes
if [ "${1:-}" = --blocks ]; then
  # Made for the run: 25 MB of generated headers stay out of the repository.
  export TIDEWELL_MAILBOXES=$build/benchrun/mailboxes
  rm -rf "$TIDEWELL_MAILBOXES"
  mkdir -p "$TIDEWELL_MAILBOXES/blocks"
  echo blockspw >"$TIDEWELL_MAILBOXES/blocks/password"
  python3 "$src/bench/block_server.py" --write "$TIDEWELL_MAILBOXES/blocks"
fi
if [ "${1:-}" = --preview ]; then
  export TIDEWELL_MAILBOXES=$build/benchrun/mailboxes
  rm -rf "$TIDEWELL_MAILBOXES"
  mkdir -p "$TIDEWELL_MAILBOXES/big"
  cp -r "$src/bench/mailboxes/bench10k" "$TIDEWELL_MAILBOXES/"
  echo bigpw >"$TIDEWELL_MAILBOXES/big/password"
  python3 "$src/bench/block_server.py" --write "$TIDEWELL_MAILBOXES/big"
  python3 - "$TIDEWELL_MAILBOXES/big/2.eml" <<'PY'
import base64, os, sys
text = "".join("Line %d of the letter, long enough to look like prose.\r\n" % i for i in range(1, 1001))
data = base64.encodebytes(os.urandom(3700000)).replace(b"\n", b"\r\n")
with open(sys.argv[1], "wb") as f:
    f.write(b"From: Sender <s@example.test>\r\nSubject: Five MB attachment\r\nMIME-Version: 1.0\r\n"
            b"Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n"
            + text.encode() + b"--b\r\nContent-Type: application/octet-stream; name=big.bin\r\n"
            b"Content-Transfer-Encoding: base64\r\n\r\n" + data + b"--b--\r\n")
PY
fi
export TIDEWELL_POP3_PORT=${TIDEWELL_POP3_PORT:-24995}
export TIDEWELL_POP3S_PORT=${TIDEWELL_POP3S_PORT:-24996}
mkdir -p "$TIDEWELL_RUN_DIR"
trap '"$src/tests/support/dovecot.sh" stop; "$src/tests/support/wine-prefix.sh" stop' EXIT
if [ "${1:-}" = --viewer ]; then
  export DISPLAY=${DISPLAY:-:90}
  "$src/tests/support/xvfb.sh" start
  trap '"$src/tests/support/dovecot.sh" stop; "$src/tests/support/wine-prefix.sh" stop; "$src/tests/support/xvfb.sh" stop' EXIT
fi
"$src/tests/support/wine-prefix.sh" start
"$src/tests/support/dovecot.sh" start
if [ "${1:-}" = --viewer ]; then
  for box in bench bench10k; do
    model=$("$src/tests/support/wine-run.sh" "$build/bench/viewer_bench.exe" $box benchpw </dev/null | tr -d '\r')
    window=$("$src/tests/support/wine-run.sh" "$build/bench/viewer_bench.exe" --window $box benchpw </dev/null | tr -d '\r')
    echo "$model"
    echo "$window" | grep '^window\|^last row'
    echo "$model"$'\n'"$window" | awk '/^last row +model/ { m = $6 } /^last row +window/ { w = $6 }
      END { if (m > 0 && w > 0) printf "ratio      window / model %.2f\n", w / m }'
  done
elif [ "${1:-}" = --blocks ]; then
  # The same blocks from Dovecot and from a server that holds them in memory (so
  # that the clients' own costs show). One line per server, transport and block:
  # both clients' median wall and CPU time and rate, and the ratio of the rates.
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
    -keyout "$TIDEWELL_RUN_DIR/block.key" -out "$TIDEWELL_RUN_DIR/block.crt" >/dev/null 2>&1
  block_port=$((TIDEWELL_POP3_PORT + 2))
  python3 "$src/bench/block_server.py" $block_port $((block_port + 1)) \
    "$TIDEWELL_RUN_DIR/block.crt" "$TIDEWELL_RUN_DIR/block.key" &
  block_pid=$!
  trap 'kill $block_pid; "$src/tests/support/dovecot.sh" stop; "$src/tests/support/wine-prefix.sh" stop' EXIT
  sleep 1
  for server in dovecot memory; do
    for transport in plain ssl; do
      if [ $server = dovecot ]; then port=$TIDEWELL_POP3_PORT tls=$TIDEWELL_POP3S_PORT; else port=$block_port tls=$((block_port + 1)); fi
      flag=
      if [ $transport = ssl ]; then flag=--ssl port=$tls; fi
      ours=$("$src/tests/support/wine-run.sh" "$build/bench/pop3_bench.exe" $flag --blocks $port blocks blockspw </dev/null | tr -d '\r')
      theirs=$(python3 "$src/bench/poplib_reference.py" $flag $port blocks blockspw)
      paste <(echo "$ours") <(echo "$theirs") | awk -v s=$server -v t=$transport '{
        printf "%-7s %-5s block %d: tidewell %8d B %7.1f ms (CPU %6.1f) %5.1f MB/s | poplib %8d B %7.1f ms (CPU %6.1f) %5.1f MB/s | ratio %.2f\n",
          s, t, $2, $3, $4, $6, $5, $9, $10, $12, $11, $5 / $11 }'
    done
  done
elif [ "${1:-}" = --soak ]; then
  "$src/tests/support/wine-run.sh" "$build/bench/cycle_soak.exe" ${2:-} </dev/null
elif [ "${1:-}" = --preview ]; then
  "$src/tests/support/wine-run.sh" "$build/bench/preview_bench.exe" bench10k benchpw 200 1 5000 10000 </dev/null
  "$src/tests/support/wine-run.sh" "$build/bench/preview_bench.exe" big bigpw 200 1 2 </dev/null
elif [ $# -gt 0 ]; then
  "$src/tests/support/wine-run.sh" "$build/bench/pop3_bench.exe" "$@" </dev/null
else
  "$src/tests/support/wine-run.sh" "$build/bench/pop3_bench.exe" </dev/null
  "$src/tests/support/wine-run.sh" "$build/bench/pop3_bench.exe" --ssl </dev/null
fi
