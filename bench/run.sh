#!/usr/bin/env bash
# Runs pop3_bench under wine against a private Dovecot holding the mailboxes
# of bench/mailboxes (1000 and 10000 generated messages; kept out of the test
# fixtures because generating them slows every test run's Dovecot start).
#   bench/run.sh <build dir> [pop3_bench arguments...]   (none: plain, then TLS)
#   bench/run.sh <build dir> --viewer   (viewer_bench on 1000, then 10000 messages)
#   bench/run.sh <build dir> --blocks   (a 5 MB and a 20 MB header block, plain and
#     TLS, beside Python's poplib reading the same replies; the 20 MB block stops
#     at the reply cap of 16 MiB)
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
  python3 - "$TIDEWELL_MAILBOXES/blocks" <<'PY'
import sys
for n, megabytes in ((1, 5), (2, 20)):
    with open("%s/%d.eml" % (sys.argv[1], n), "wb") as f:
        f.write(b"From: Sender <sender@example.test>\r\nSubject: Block of %d MB\r\n"
                b"Date: Tue, 05 Jun 2007 14:03:22 +0200\r\n" % megabytes)
        line, written = 0, 0
        while written < megabytes * 1000000:
            text = b"X-Relay-%07d: by relay%d.example.test with ESMTP id %08X\r\n" % (line, line % 97, line)
            f.write(text)
            written += len(text)
            line += 1
        f.write(b"\r\nBody.\r\n")
PY
fi
export TIDEWELL_POP3_PORT=${TIDEWELL_POP3_PORT:-24995}
export TIDEWELL_POP3S_PORT=${TIDEWELL_POP3S_PORT:-24996}
mkdir -p "$TIDEWELL_RUN_DIR"
trap '"$src/tests/support/dovecot.sh" stop; "$src/tests/support/wine-prefix.sh" stop' EXIT
"$src/tests/support/wine-prefix.sh" start
"$src/tests/support/dovecot.sh" start
if [ "${1:-}" = --viewer ]; then
  "$src/tests/support/wine-run.sh" "$build/bench/viewer_bench.exe" bench benchpw </dev/null
  "$src/tests/support/wine-run.sh" "$build/bench/viewer_bench.exe" bench10k benchpw </dev/null
elif [ "${1:-}" = --blocks ]; then
  # One line per block and transport: both clients' median time and rate, and
  # the ratio of the rates.
  for transport in plain ssl; do
    if [ $transport = ssl ]; then flag=--ssl port=$TIDEWELL_POP3S_PORT; else flag= port=$TIDEWELL_POP3_PORT; fi
    ours=$("$src/tests/support/wine-run.sh" "$build/bench/pop3_bench.exe" $flag --blocks "$port" blocks blockspw </dev/null | tr -d '\r')
    theirs=$(python3 "$src/bench/poplib_reference.py" $flag "$port" blocks blockspw)
    paste <(echo "$ours") <(echo "$theirs") | awk -v t=$transport '{
      printf "%-5s block %d: tidewell %9d bytes %8.1f ms %7.1f MB/s | poplib %9d bytes %8.1f ms %7.1f MB/s | ratio %.2f\n",
        t, $2, $3, $4, $5, $8, $9, $10, $5 / $10 }'
  done
elif [ $# -gt 0 ]; then
  "$src/tests/support/wine-run.sh" "$build/bench/pop3_bench.exe" "$@" </dev/null
else
  "$src/tests/support/wine-run.sh" "$build/bench/pop3_bench.exe" </dev/null
  "$src/tests/support/wine-run.sh" "$build/bench/pop3_bench.exe" --ssl </dev/null
fi
