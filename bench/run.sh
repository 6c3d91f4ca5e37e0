#!/usr/bin/env bash
# Runs pop3_bench under wine against a private Dovecot holding the mailboxes
# of bench/mailboxes (1000 and 10000 generated messages; kept out of the test
# fixtures because generating them slows every test run's Dovecot start).
#   bench/run.sh <build dir> [pop3_bench arguments...]   (none: plain, then TLS)
#   bench/run.sh <build dir> --viewer   (viewer_bench on 1000, then 10000 messages)
set -eu
build=$(cd "${1:?usage: $0 <build dir> [args]}" && pwd)
shift
src=$(cd "$(dirname "$0")/.." && pwd)
export TIDEWELL_SOURCE_DIR=$src
export TIDEWELL_ARCH=${TIDEWELL_ARCH:-$(grep -s '^TIDEWELL_ARCH:' "$build/CMakeCache.txt" | cut -d= -f2)}
export TIDEWELL_RUN_DIR=$build/benchrun
export WINEPREFIX=$TIDEWELL_RUN_DIR/wineprefix
export TIDEWELL_MAILBOXES=$src/bench/mailboxes
export TIDEWELL_POP3_PORT=${TIDEWELL_POP3_PORT:-24995}
export TIDEWELL_POP3S_PORT=${TIDEWELL_POP3S_PORT:-24996}
mkdir -p "$TIDEWELL_RUN_DIR"
trap '"$src/tests/support/dovecot.sh" stop; "$src/tests/support/wine-prefix.sh" stop' EXIT
"$src/tests/support/wine-prefix.sh" start
"$src/tests/support/dovecot.sh" start
if [ "${1:-}" = --viewer ]; then
  "$src/tests/support/wine-run.sh" "$build/bench/viewer_bench.exe" bench benchpw </dev/null
  "$src/tests/support/wine-run.sh" "$build/bench/viewer_bench.exe" bench10k benchpw </dev/null
elif [ $# -gt 0 ]; then
  "$src/tests/support/wine-run.sh" "$build/bench/pop3_bench.exe" "$@" </dev/null
else
  "$src/tests/support/wine-run.sh" "$build/bench/pop3_bench.exe" </dev/null
  "$src/tests/support/wine-run.sh" "$build/bench/pop3_bench.exe" --ssl </dev/null
fi
