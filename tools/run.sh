#!/usr/bin/env bash
# Builds Tidewell and runs it under Wine's virtual desktop, whose taskbar shows
# the notification area with the tray icon. Uses a prefix of its own
# (build/run-prefix), so the program's registry settings persist between runs.
#   usage: tools/run.sh [--demo]
# --demo also starts a private Dovecot with a demo mailbox of three messages
# and runs Tidewell in a prefix of its own (build/demo-prefix) whose one
# account points at it: the first check shows the mail icon, the tooltip
# "Tidewell (3 messages)" and the balloon. Dovecot stops when Tidewell ends.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

demo=0
case "${1:-}" in
"") ;;
--demo) demo=1 ;;
*)
  echo "usage: $0 [--demo]" >&2
  exit 2
  ;;
esac

"$top/tools/setup.sh"
. "$top/tools/arch.sh"
export TIDEWELL_ARCH=$TIDEWELL_TEST_ARCH
. "$top/tests/support/wine-env.sh"

build=$top/build/$TIDEWELL_ARCH
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw.cmake" \
  -DTIDEWELL_ARCH="$TIDEWELL_ARCH" -DTIDEWELL_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target Tidewell

if [ -z "${DISPLAY:-}" ]; then
  echo "run: no X display; run under one (or: xvfb-run -a $0 $*)" >&2
  exit 1
fi

if [ $demo = 1 ]; then
  export WINEPREFIX=$top/build/demo-prefix
else
  export WINEPREFIX=$top/build/run-prefix
fi
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
  echo "run: making the wine prefix $WINEPREFIX (once)"
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1
fi
exe=$("$WINE" winepath -w "$build/app/Tidewell.exe" 2>/dev/null)

if [ $demo = 0 ]; then
  echo "run: starting Tidewell; its icon is in the desktop window's notification area (choose Exit there to end)"
  exec "$WINE" explorer /desktop=Tidewell,1024x768 "$exe"
fi

# The demo's Dovecot: the test suite's script with a run folder, ports and
# mailboxes of its own (user "demo", password "demo", three messages).
export TIDEWELL_RUN_DIR=$top/build/demo-run
export TIDEWELL_POP3_PORT=${TIDEWELL_DEMO_PORT:-40110}
export TIDEWELL_POP3S_PORT=$((TIDEWELL_POP3_PORT + 1))
export TIDEWELL_MAILBOXES=$top/tools/demo/mailboxes
demo_user=demo
demo_password=demo

stop_dovecot() { "$top/tests/support/dovecot.sh" stop || true; }
trap stop_dovecot EXIT
# Interrupted (Ctrl-C, kill): end through the exit trap, and take the program down with it.
trap '"$WINESERVER" -k 2>/dev/null; exit 130' INT TERM
"$top/tests/support/dovecot.sh" start

# The program stores a password with each byte raised by one of four key bytes
# in turn (modulo 256); the demo password's stored form is plain ASCII.
scramble() {
  local text=$1 out="" i code
  local key=(233 244 227 250)
  for ((i = 0; i < ${#text}; i++)); do
    code=$(printf '%d' "'${text:i:1}")
    out+=$(printf "\\x$(printf '%02x' $(((code + key[i % 4]) & 255)))")
  done
  printf '%s' "$out"
}

# Every demo run starts from the program's defaults, with the one demo account.
mkdir -p "$TIDEWELL_RUN_DIR"
reg=$TIDEWELL_RUN_DIR/demo-account.reg
cat >"$reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Venterly\\Tidewell\\Accounts]
"Name"="Demo mailbox"
"SSL"=dword:00000000
"Host"="127.0.0.1"
"Port"=dword:$(printf '%08x' "$TIDEWELL_POP3_PORT")
"User"="$demo_user"
"Password"="$(scramble "$demo_password")"
"Deleted"=dword:00000000
"Disabled"=dword:00000000
REG
"$WINE" reg delete 'HKCU\Software\Venterly\Tidewell' /f </dev/null >/dev/null 2>&1 || true
"$WINE" reg import "$("$WINE" winepath -w "$reg" 2>/dev/null)" </dev/null >/dev/null 2>&1

echo "run: demo mailbox on 127.0.0.1:$TIDEWELL_POP3_PORT (user $demo_user, password $demo_password)"
echo "run: starting Tidewell; after its intro it checks the demo mailbox: the tray icon, its tooltip and a"
echo "run: balloon show the three messages (choose Exit in the icon's menu to end; Dovecot stops with it)"
# In the background and waited for, so that an interruption reaches the traps at once.
"$WINE" explorer /desktop=Tidewell,1024x768 "$exe" </dev/null &
wait $!
