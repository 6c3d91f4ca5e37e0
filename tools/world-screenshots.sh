#!/usr/bin/env bash
# Takes the View Mail window and the information window listing a mailbox of
# subjects and senders in many scripts and charsets (tests/fixtures/mailboxes/world),
# once under an English and once under a Japanese system code page, as PNGs into
# build/screenshots (or the folder given): world-en-viewmail.png, world-en-info.png,
# world-ja-viewmail.png, world-ja-info.png. Runs on $DISPLAY, or on an Xvfb of
# its own when there is none, with Tidewell in a private wine prefix and a
# private Dovecot.
#   usage: tools/world-screenshots.sh [folder]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$top/build/screenshots}")

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$out"
fi

for tool in cmake xdotool import xvfb-run wine; do
  command -v "$tool" >/dev/null || { "$top/tools/setup.sh"; break; }
done
. "$top/tools/arch.sh"
export TIDEWELL_ARCH=$TIDEWELL_TEST_ARCH
. "$top/tests/support/wine-env.sh"

# A tree that is already configured (TIDEWELL_BUILD_DIR) is built as it is.
build=${TIDEWELL_BUILD_DIR:-$top/build/$TIDEWELL_ARCH}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw.cmake" \
    -DTIDEWELL_ARCH="$TIDEWELL_ARCH" -DTIDEWELL_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target Tidewell

export WINEPREFIX=$top/build/world-screenshot-prefix
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
  echo "world-screenshots: making the wine prefix $WINEPREFIX (once)"
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1
fi

# Wine's own fonts (Marlett for the caption buttons) where every Windows program's fonts are.
for font in /usr/share/wine/fonts/*.ttf; do
  [ -e "$font" ] && ln -sf "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
done
# Windows links its dialog font to a CJK font for the characters it lacks; this
# prefix does the same with the CJK font that setup installs.
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2"; do
  "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
    /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f </dev/null >/dev/null 2>&1
done

# Dovecot serves the one mailbox; the prefix's server and programs go when we do.
export TIDEWELL_RUN_DIR=$top/build/world-screenshot-run
export TIDEWELL_POP3_PORT=${TIDEWELL_WORLD_SHOTS_PORT:-31320}
export TIDEWELL_POP3S_PORT=$((TIDEWELL_POP3_PORT + 1))
boxes=$(mktemp -d)
ln -s "$top/tests/fixtures/mailboxes/world" "$boxes/world"
export TIDEWELL_MAILBOXES=$boxes
cleanup() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$top/tests/support/dovecot.sh" stop || true
  rm -rf "$boxes"
}
trap cleanup EXIT
"$top/tests/support/dovecot.sh" start >/dev/null

reg_add() {  # key value type data
  "$WINE" reg add "HKCU\\Software\\Venterly\\Tidewell\\$1" /v "$2" /t "$3" /d "$4" /f </dev/null >/dev/null 2>&1
}
# One account on that Dovecot ("`cUfMdZ" is the stored, scrambled form of the
# password "worldpw"); the windows wide enough for the longer subjects.
settings() {
  "$WINE" reg delete 'HKCU\Software\Venterly\Tidewell' /f </dev/null >/dev/null 2>&1 || true
  reg_add Settings ShowIntro REG_DWORD 0
  reg_add Settings ViewWidth REG_DWORD 900
  reg_add Settings ViewHeight REG_DWORD 330
  reg_add Settings InfoWidth REG_DWORD 640
  reg_add Settings InfoHeight REG_DWORD 420
  local i=0
  for width in 80 290 260 160 60; do
    reg_add Settings "Column_$i" REG_DWORD "$width"
    i=$((i + 1))
  done
  local values=(Name REG_SZ World Host REG_SZ 127.0.0.1 Port REG_DWORD "$TIDEWELL_POP3_PORT" User REG_SZ world
    Password REG_SZ '`cUfMdZ' SSL REG_DWORD 0 Deleted REG_DWORD 0 Disabled REG_DWORD 0)
  for ((k = 0; k < ${#values[@]}; k += 3)); do reg_add Accounts "${values[k]}" "${values[k + 1]}" "${values[k + 2]}"; done
}

mkdir -p "$out"
shoot() {
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$1.png"
  echo "world-screenshots: $out/$1.png"
}

exe=$("$WINE" winepath -w "$build/app/Tidewell.exe" 2>/dev/null)
for run in en_US.UTF-8:en ja_JP.UTF-8:ja; do
  locale=${run%%:*} tag=${run##*:}
  "$WINESERVER" -k >/dev/null 2>&1 || true
  settings
  # Wine takes the system's code page from the locale the program starts in.
  LC_ALL=$locale "$WINE" explorer /desktop=TidewellWorld,1024x768 "$exe" </dev/null >/dev/null 2>&1 &
  desktop_pid=$!
  for _ in $(seq 300); do xdotool search --name 'TidewellWorld' >/dev/null 2>&1 && break; sleep 0.2; done
  desk=$(xdotool search --name 'TidewellWorld' | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$desk")"
  sleep 6
  # Tray menu: Settings, Accounts, Check Mail Now, View.
  tx=$((X + WIDTH - 10)) ty=$((Y + HEIGHT - 10))
  xdotool mousemove "$tx" "$ty" click 3
  sleep 1
  xdotool windowfocus --sync "$desk"
  xdotool key Down Down Down Down Return
  xdotool mousemove "$((X + 20))" "$((Y + 20))"
  sleep 12
  # The window is centred: its list's rows start below the toolbar and the headings.
  row() { echo "$((X + 400)) $((Y + 299 + 14 * ($1 - 1)))"; }
  xdotool mousemove $(row 7) click 1
  xdotool mousemove "$((X + 20))" "$((Y + 20))"
  sleep 1
  shoot "world-$tag-viewmail"
  xdotool mousemove $(row 7) click --repeat 2 1
  xdotool mousemove "$((X + 20))" "$((Y + 20))"
  sleep 3
  shoot "world-$tag-info"
  xdotool key Escape
  sleep 1
  xdotool key alt+F4
  sleep 4
  xdotool mousemove "$tx" "$ty" click 3
  sleep 1
  xdotool windowfocus --sync "$desk"
  xdotool key Up Return
  for _ in $(seq 150); do kill -0 "$desktop_pid" 2>/dev/null || break; sleep 0.2; done
done
