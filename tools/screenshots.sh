#!/usr/bin/env bash
# Takes screenshots of the running Tidewell for review: the intro, the tray icon
# with its tooltip, the tray menu, the log window, the settings, accounts,
# account and about dialogs, the View Mail window, its menu and the information window, as PNGs into
# build/screenshots (or the folder given); then the tray menu, the settings dialog and the View Mail
# window again at 96, 144 and 192 DPI (dpi<N>-*.png); last, the tooltip and log of a check in which
# one account failed, and the balloon of a first start without any account. Runs on $DISPLAY, or on an Xvfb of its
# own when there is none, with Tidewell in a private wine prefix whose program
# settings start empty on every run.
#   usage: tools/screenshots.sh [folder]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$top/build/screenshots}")

if [ -z "${DISPLAY:-}" ]; then
  # Room for the 192 DPI desktop, twice the size of the first one.
  exec xvfb-run -a -s "-screen 0 2048x1536x24" "$0" "$out"
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

export WINEPREFIX=$top/build/screenshot-prefix
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
  echo "screenshots: making the wine prefix $WINEPREFIX (once)"
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1
fi
# Wine's own fonts (Tahoma for the dialogs, Marlett for the caption buttons):
# Debian's Wine 8 looks for them in a folder it names wrongly, so they go where
# every Windows program's fonts are.
for font in /usr/share/wine/fonts/*.ttf; do
  [ -e "$font" ] && ln -sf "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
done
# The prefix is ours alone: its server and programs go when we do.
trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT

# Wine takes the screen's DPI from LogPixels when its server starts: the newer
# key, and the older one that some Wine versions read instead.
set_dpi() {
  local key
  for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    "$WINE" reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
  done
  # The server writes the registry out when it ends by itself, a moment after its last program.
  timeout 60 "$WINESERVER" -w >/dev/null 2>&1 || "$WINESERVER" -k >/dev/null 2>&1 || true
}
set_dpi 96

# Fresh settings each run; the intro stays up for ShowIntro x 2 s, long enough to be caught.
intro_units=5
"$WINE" reg delete 'HKCU\Software\Venterly\Tidewell' /f </dev/null >/dev/null 2>&1 || true
"$WINE" reg add 'HKCU\Software\Venterly\Tidewell\Settings' /v ShowIntro /t REG_DWORD /d $intro_units /f \
  </dev/null >/dev/null 2>&1
# Two accounts for the accounts list, the second disabled. Their servers do not
# exist; the checks fail, which the pictures do not show.
account() {
  local key='HKCU\Software\Venterly\Tidewell\Accounts' suffix=$1
  shift
  while [ $# -gt 0 ]; do
    "$WINE" reg add "$key" /v "$1$suffix" /t "$2" /d "$3" /f </dev/null >/dev/null 2>&1
    shift 3
  done
}
# A third account on a private Dovecot with three demo messages fills the View
# Mail window ("MYPi" is the stored, scrambled form of the password "demo"). The
# server starts only for that window, so the first check still shows the error state.
export TIDEWELL_RUN_DIR=$top/build/screenshot-run
export TIDEWELL_POP3_PORT=${TIDEWELL_SHOTS_PORT:-31310}
export TIDEWELL_POP3S_PORT=$((TIDEWELL_POP3_PORT + 1))
export TIDEWELL_MAILBOXES=$top/tools/demo/mailboxes
trap '"$WINESERVER" -k >/dev/null 2>&1 || true; "$top/tests/support/dovecot.sh" stop || true' EXIT
account "" Name REG_SZ Home Host REG_SZ pop.example.com Port REG_DWORD 110 User REG_SZ jo@example.com \
  Password REG_SZ secret SSL REG_DWORD 0 Deleted REG_DWORD 0 Disabled REG_DWORD 0
account _1 Name REG_SZ Work Host REG_SZ mail.example.org Port REG_DWORD 995 User REG_SZ jo.smith \
  Password REG_SZ secret SSL REG_DWORD 1 Deleted REG_DWORD 0 Disabled REG_DWORD 1
account _2 Name REG_SZ Demo Host REG_SZ 127.0.0.1 Port REG_DWORD "$TIDEWELL_POP3_PORT" User REG_SZ demo \
  Password REG_SZ MYPi SSL REG_DWORD 0 Deleted REG_DWORD 0 Disabled REG_DWORD 0

mkdir -p "$out"
rm -f "$out"/[0-9]*-*.png "$out"/dpi*-*.png

# The desktop window only, where a real display has more on its screen.
shoot() {
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$1.png"
  echo "screenshots: $out/$1.png"
}
# The colour of one screen pixel, as ImageMagick names it.
pixel() {
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | tail -n 1 | awk '{print $3}'
}
# Polls until the command succeeds; gives up after $1 seconds.
wait_for() {
  local limit=$1
  shift
  for _ in $(seq $((limit * 5))); do
    if "$@"; then return 0; fi
    sleep 0.2
  done
  echo "screenshots: gave up waiting for: $*" >&2
  return 1
}
pixel_is() { [ "$(pixel "$1" "$2")" = "$3" ]; }
pixel_is_not() { [ "$(pixel "$1" "$2")" != "$3" ]; }

exe=$("$WINE" winepath -w "$build/app/Tidewell.exe" 2>/dev/null)
"$WINE" explorer /desktop=TidewellShots,1024x768 "$exe" </dev/null >/dev/null 2>&1 &
desktop_pid=$!
ended() { ! kill -0 "$desktop_pid" 2>/dev/null; }

wait_for 60 xdotool search --name 'TidewellShots' >/dev/null
desk=$(xdotool search --name 'TidewellShots' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$desk")"
# The intro opens in the middle of the desktop; a point inside it near its
# left edge, clear of its texts.
ix=$((X + WIDTH / 2 - 170)) iy=$((Y + HEIGHT / 2 - 10))
# The desktop is black until its background is painted; a corner no window covers.
wait_for 30 pixel_is_not "$((X + 60))" "$((Y + 60))" '#000000'
background=$(pixel "$((X + 60))" "$((Y + 60))")
wait_for 30 pixel_is_not "$ix" "$iy" "$background"
sleep 0.5
shoot 1-intro

# The notification area's icon sits at the right end of the taskbar; its
# tooltip shows once the pointer has rested on it.
tx=$((X + WIDTH - 10)) ty=$((Y + HEIGHT - 10))
hover_icon() {
  xdotool mousemove "$((tx - 200))" "$((ty - 200))"
  sleep 0.3
  xdotool mousemove "$tx" "$ty"
  sleep 0.3
  xdotool mousemove "$((tx + 1))" "$ty"
  sleep 1.5
}
hover_icon
shoot 2-tray-tooltip-intro
wait_for $((intro_units * 2 + 30)) pixel_is "$ix" "$iy" "$background"
# The first check has run by now and set the tooltip to its outcome.
sleep 1
hover_icon
shoot 3-tray-tooltip

xdotool click 3
sleep 1.5
shoot 4-tray-menu

# Settings, Accounts, Check Mail Now, View, then past the separator to Log.
# Without a window manager the desktop window has the keyboard only when given it.
xdotool windowfocus --sync "$desk"
xdotool key Down Down Down Down Down Return
# Away from the icon, so its tooltip does not cover the picture.
xdotool mousemove "$((X + WIDTH / 2))" "$((Y + HEIGHT / 2))"
sleep 2
shoot 5-log-window

xdotool key Escape
sleep 1

# Opens the tray menu and walks down to an item: 1 Settings, 2 Accounts, 3 Check Mail Now, 4 View,
# 5 Log, 6 About.
menu_item() {
  xdotool mousemove "$tx" "$ty" click 3
  sleep 1
  xdotool windowfocus --sync "$desk"
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return
  xdotool mousemove "$((X + 20))" "$((Y + 20))"
  sleep 2
}
menu_item 1
shoot 6-settings
xdotool key Escape
sleep 1

menu_item 2
shoot 7-accounts
# The list has the focus: select the first row, then Tab past Add to Edit.
xdotool key Down Tab Tab Return
sleep 2
shoot 8-account
xdotool key Escape
sleep 1
xdotool key Escape
sleep 1

menu_item 6
shoot 9-about
xdotool key Escape
sleep 1

# View Mail, centred on the desktop at its first size. Home's server does not
# exist: its failure box comes first and is answered; then Demo's messages.
"$top/tests/support/dovecot.sh" start >/dev/null
menu_item 4
sleep 3
xdotool key Return
sleep 5
row() { echo "$((X + 300)) $((Y + 301 + 14 * ($1 - 1)))"; }
# The third row marked, the first selected.
xdotool mousemove $(row 3) click 1
xdotool key Delete
xdotool mousemove $(row 1) click 1
xdotool mousemove "$((X + 20))" "$((Y + 20))"
sleep 1
shoot 10-viewmail
xdotool mousemove $(row 1) click 3
sleep 1
shoot 11-viewmail-menu
xdotool key Escape
sleep 1
xdotool mousemove $(row 1) click --repeat 2 1
sleep 2
shoot 12-info
xdotool key Escape
sleep 1
# Closing asks about the marked row: No deletes nothing.
xdotool mousemove "$((X + 20))" "$((Y + 20))"
xdotool key alt+F4
sleep 1
xdotool key n
sleep 4

xdotool mousemove "$tx" "$ty" click 3
sleep 1
xdotool windowfocus --sync "$desk"
xdotool key Up Return
wait_for 60 ended || echo "screenshots: Tidewell did not end on Exit" >&2

# The tray menu, the settings dialog and the View Mail window at each DPI, on a
# desktop that grows with it, without the intro and the balloon. Each picture is
# cut to what it shows: the window on the desktop, or the taskbar's corner with the menu.
for value in ShowIntro BalloonHelp; do
  "$WINE" reg add 'HKCU\Software\Venterly\Tidewell\Settings' /v $value /t REG_DWORD /d 0 /f \
    </dev/null >/dev/null 2>&1
done
shoot_window() {
  local bar=$((40 * dpi / 96)) margin=$((12 * dpi / 96))
  import -window root -crop "${WIDTH}x$((HEIGHT - bar))+${X}+${Y}" +repage miff:- |
    convert - -fuzz 1% -trim +repage -bordercolor "$background" -border "$margin" "$out/$1.png"
  echo "screenshots: $out/$1.png"
}
shoot_corner() {
  local w=$((200 * dpi / 96)) h=$((160 * dpi / 96))
  import -window root -crop "${w}x${h}+$((X + WIDTH - w))+$((Y + HEIGHT - h))" +repage "$out/$1.png"
  echo "screenshots: $out/$1.png"
}
for dpi in 96 144 192; do
  set_dpi "$dpi"
  "$WINE" explorer /desktop=TidewellDpi$dpi,$((1024 * dpi / 96))x$((768 * dpi / 96)) "$exe" \
    </dev/null >/dev/null 2>&1 &
  desktop_pid=$!
  wait_for 60 xdotool search --name "TidewellDpi$dpi" >/dev/null
  desk=$(xdotool search --name "TidewellDpi$dpi" | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$desk")"
  wait_for 30 pixel_is_not "$((X + 60))" "$((Y + 60))" '#000000'
  background=$(pixel "$((X + 60))" "$((Y + 60))")
  tx=$((X + WIDTH - 10)) ty=$((Y + HEIGHT - 10))
  # The first check, at once without the intro, sets the icon the menu sits above.
  sleep 5

  xdotool mousemove "$tx" "$ty" click 3
  sleep 1.5
  shoot_corner "dpi$dpi-tray-menu"
  # The menu has the keyboard; the hidden main window must not get the Escape.
  xdotool windowfocus --sync "$desk" key Escape
  sleep 1

  menu_item 1
  shoot_window "dpi$dpi-settings"
  xdotool key Escape
  sleep 1

  # Home's failure box first, then Demo's messages; the third marked, the first selected.
  menu_item 4
  sleep 3
  xdotool key Return
  sleep 5
  xdotool key Home Down Down Delete Home
  sleep 1
  shoot_window "dpi$dpi-viewmail"
  xdotool key alt+F4
  sleep 1
  xdotool key n
  sleep 4

  xdotool mousemove "$tx" "$ty" click 3
  sleep 1
  xdotool windowfocus --sync "$desk"
  xdotool key Up Return
  wait_for 60 ended || echo "screenshots: Tidewell did not end on Exit at $dpi DPI" >&2
done

# At 96 DPI again, without the intro: Demo answers while Home's server refuses
# (the tooltip counts the failure, the log says why); then a start without any
# account, whose balloon points to the Accounts window.
set_dpi 96
start_desktop() {
  "$WINE" explorer /desktop="$1",1024x768 "$exe" </dev/null >/dev/null 2>&1 &
  desktop_pid=$!
  wait_for 60 xdotool search --name "$1" >/dev/null
  desk=$(xdotool search --name "$1" | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$desk")"
  wait_for 30 pixel_is_not "$((X + 60))" "$((Y + 60))" '#000000'
  tx=$((X + WIDTH - 10)) ty=$((Y + HEIGHT - 10))
}
exit_tidewell() {
  xdotool mousemove "$tx" "$ty" click 3
  sleep 1
  xdotool windowfocus --sync "$desk"
  xdotool key Up Return
  wait_for 60 ended || echo "screenshots: Tidewell did not end on Exit" >&2
}
"$WINE" reg delete 'HKCU\Software\Venterly\Tidewell\Accounts' /f </dev/null >/dev/null 2>&1 || true
account "" Name REG_SZ Demo Host REG_SZ 127.0.0.1 Port REG_DWORD "$TIDEWELL_POP3_PORT" User REG_SZ demo \
  Password REG_SZ MYPi SSL REG_DWORD 0 Deleted REG_DWORD 0 Disabled REG_DWORD 0
account _1 Name REG_SZ Home Host REG_SZ 127.0.0.1 Port REG_DWORD 1 User REG_SZ jo@example.com \
  Password REG_SZ secret SSL REG_DWORD 0 Deleted REG_DWORD 0 Disabled REG_DWORD 0
start_desktop TidewellFailed
sleep 5
hover_icon
shoot 13-tray-tooltip-failed
menu_item 5
shoot 14-log-failed
xdotool key Escape
sleep 1
exit_tidewell

"$WINE" reg delete 'HKCU\Software\Venterly\Tidewell\Accounts' /f </dev/null >/dev/null 2>&1 || true
start_desktop TidewellFirst
# The shell shows a balloon two seconds after it is asked for.
sleep 5
xdotool mousemove "$((X + WIDTH / 2))" "$((Y + HEIGHT / 2))"
sleep 1
shoot 15-first-start-balloon
exit_tidewell
