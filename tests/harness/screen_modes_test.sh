#!/bin/sh
# screen_modes_test.sh GAME SCREEN_PROBE SEEDED_PROFILE WxH: the game
# on the sdl2 backend under xvfb-run with a W x H desktop, started once in
# full screen and once windowed, driven by real X pointer and key events
# (xdotool). The seeded player has chosen a difficulty and uses the game's
# own cursors.
# A headless run takes the main menu's frame with the pointer at a
# free spot; each sdl2 run then:
#   - clicks through the loading screen at the screen point where that spot
#     is shown, and compares the X framebuffer (Xvfb -fbdir) with the
#     headless frame scaled to fit the window, centred with black bars; the
#     drawn cursor must sit at the pointer;
#   - presses Alt+Enter ten times, comparing the frame after each switch
#     (on a desktop no bigger than the game the keys change nothing);
#   - opens the options, clicks the screen-mode toggle, closes them and
#     compares the frame in the mode the toggle chose;
#   - clicks the main menu's "Play", which leads to the map.
# Prints what each step showed; FAIL marks what went wrong. Without xvfb-run
# or xdotool it says it skipped.
set -u
game=$1 probe=$2 seeded=$3 size=$4
if [ ! -x "$probe" ]; then
  echo "FAIL: $probe is not built"
  exit 1
fi
profile_dir=home/data/Korvandel/Mirrowen
if ! command -v xvfb-run >/dev/null 2>&1 || ! command -v xdotool >/dev/null 2>&1; then
  echo "skipped: the screen mode test needs xvfb-run and xdotool"
  exit 0
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-screen-modes.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

# A free spot of the main menu (no button under it) in game coordinates.
free_x=40 free_y=560

# The seeded record (file offset 48): byte 40 full screen, 41 own cursors,
# 56 difficulty chosen.
seed() {
  mkdir -p "$work/$1/$profile_dir"
  p="$work/$1/$profile_dir/profile.dat"
  cp "$seeded" "$p"
  printf "\\$(printf '%03o' "$2")" | dd of="$p" bs=1 seek=88 conv=notrunc 2>/dev/null
  printf '\001' | dd of="$p" bs=1 seek=89 conv=notrunc 2>/dev/null
  printf '\001' | dd of="$p" bs=1 seek=104 conv=notrunc 2>/dev/null
}

seed headless 0
dir="$work/headless"
printf '%s\n' '0 await loading: "click" shown' '600 await frame dump: loading saved' "700 move $free_x $free_y" \
  '750 click left' '1300 await frame dump: menu saved' '1400 close' > "$dir/script.txt"
GAME_HOME="$dir/home" GAME_LOG="$dir/game.log" GAME_BACKEND=headless GAME_FRAME_DUMP="$dir/frames" \
  GAME_INPUT_SCRIPT="$dir/script.txt" timeout 300 "$game" >/dev/null 2>&1
echo "headless exit $?"
reference="$dir/frames/menu.png"

# The part that runs inside the X server.
cat > "$work/drive.sh" <<'DRIVE'
#!/bin/sh
set -u
dir=$1 game=$2 probe=$3 reference=$4 fbdir=$5 free_x=$6 free_y=$7 want=$8
log="$dir/game.log"
screen_w=$(xdotool getdisplaygeometry | cut -d' ' -f1)
screen_h=$(xdotool getdisplaygeometry | cut -d' ' -f2)
# On a desktop no bigger than the game's 800 x 600 the program locks the
# mode against Alt+Enter.
if [ "$screen_w" -le 800 ] || [ "$screen_h" -le 600 ]; then only_full=1; else only_full=0; fi

count() {
  c=$(grep -c "^$1" "$log" 2>/dev/null)
  echo "${c:-0}"
}
# Waits (bounded) until the log holds more than N lines starting with TEXT.
waitmore() {
  i=0
  while [ "$(count "$1")" -le "$2" ]; do
    i=$((i + 1))
    if [ $i -gt 1200 ]; then echo "FAIL waited in vain for: $1"; return 1; fi
    sleep 0.1
  done
}
# The game's window: sets win_x, win_y, win_w, win_h.
window() {
  id=$(xdotool search --sync --onlyvisible --name 'Kivo Game' 2>/dev/null | tail -n 1)
  win_X=0 win_Y=0 win_WIDTH=0 win_HEIGHT=0
  eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | sed -n 's/^\([XY]\|WIDTH\|HEIGHT\)=/win_\1=/p')"
  win_x=$win_X win_y=$win_Y win_w=$win_WIDTH win_h=$win_HEIGHT
}
# The screen point where game point X,Y is shown in the window: the frame
# fitted and centred as the backend shows it.
point() {
  awk -v x="$1" -v y="$2" -v wx="$win_x" -v wy="$win_y" -v ww="$win_w" -v wh="$win_h" 'BEGIN {
    if (ww * 600 <= wh * 800) { w = ww; h = int((600 * ww * 2 + 800) / 1600) } else { h = wh; w = int((800 * wh * 2 + 600) / 1200) }
    ox = int((ww - w) / 2); oy = int((wh - h) / 2)
    printf "%d %d\n", wx + ox + (x + 0.5) * w / 800, wy + oy + (y + 0.5) * h / 600 }'
}
click() {
  window
  # shellcheck disable=SC2046
  xdotool mousemove $(point "$1" "$2")
  sleep 0.2
  xdotool click 1
}
# The mode the log names last, and the window that mode must have.
flip() { [ "$1" = windowed ] && echo "full screen" || echo windowed; }
mode() { grep '^game: applied screen mode' "$log" | tail -n 1 | sed 's/^game: applied screen mode \([a-z ]*\),.*/\1/'; }
# Waits (bounded) until the game's window has the place of mode $want and
# shows something: a click must reach the new window, not the one before.
settle() {
  i=0
  while :; do
    window
    if [ "$want" = "full screen" ]; then
      [ "$win_x,$win_y,$win_w,$win_h" = "0,0,$screen_w,$screen_h" ] && break
    else
      [ "$win_w x $win_h" = "800 x 600" ] && break
    fi
    i=$((i + 1))
    if [ $i -gt 200 ]; then return; fi
    sleep 0.1
  done
  cp "$fbdir/Xvfb_screen0" "$dir/screen.xwd"
  i=0
  until "$probe" "$dir/screen.xwd" "$reference" "$win_x,$win_y,$win_w,$win_h" --max-off 1000 >/dev/null; do
    i=$((i + 1))
    if [ $i -gt 100 ]; then return; fi
    sleep 0.2
    cp "$fbdir/Xvfb_screen0" "$dir/screen.xwd"
  done
}

# Compares the screen with the reference frame. The window and the frame
# may still be on their way, so a failing look is repeated (bounded) before
# it counts. The log must name the mode wanted ($want). Full screen must
# cover the desktop; a window is 800 x 600,
# centred across the desktop.
look() {
  i=0
  while :; do
    window
    xdotool mousemove $(point "$free_x" "$free_y")
    m=$(mode)
    if [ "$m" = "full screen" ]; then
      place=$([ "$win_x,$win_y,$win_w,$win_h" = "0,0,$screen_w,$screen_h" ] && echo desktop)
    else
      place=$([ "$win_w x $win_h" = "800 x 600" ] && [ "$win_x" = $(((screen_w - 800) / 2)) ] && echo "800x600 centred")
    fi
    cp "$fbdir/Xvfb_screen0" "$dir/screen.xwd"
    out=$("$probe" "$dir/screen.xwd" "$reference" "$win_x,$win_y,$win_w,$win_h" --near "$free_x,$free_y")
    if [ $? = 0 ] && [ -n "$place" ]; then break; fi
    i=$((i + 1))
    if [ $i -gt 60 ]; then break; fi
    sleep 0.5
  done
  [ -n "$place" ] || place="FAIL $win_x,$win_y ${win_w}x$win_h"
  [ "$m" = "$want" ] || m="FAIL $m instead of $want"
  echo "$1: $m on $place: $(echo "$out" | grep -c '^ok') checks ok$(echo "$out" | grep '^FAIL' | sed 's/^/, /' | tr '\n' ' ')"
}

GAME_HOME="$dir/home" GAME_LOG="$log" GAME_BACKEND=sdl2 GAME_FRAME_DUMP="$dir/frames" "$game" >/dev/null 2>&1 &
pid=$!
if waitmore 'frame dump: loading saved' 0; then
  click "$free_x" "$free_y"
  waitmore 'frame dump: menu saved' 0 && look start
  n=1
  while [ $n -le 10 ]; do
    before=$(count 'game: applied screen mode')
    xdotool key alt+Return
    [ $only_full = 1 ] || want=$(flip "$want")
    if [ $only_full = 1 ]; then
      # Nothing to wait for: the keys leave the mode as it is.
      sleep 0.5
    else
      waitmore 'game: applied screen mode' "$before" || break
    fi
    look "alt+enter $n"
    n=$((n + 1))
  done
  before=$(count 'game: applied screen mode')
  click 400 280
  sleep 1
  toggles=$(count 'dialogs: ')
  click 240 290
  want=$(flip "$want")
  waitmore 'dialogs: ' "$toggles" && grep '^dialogs: ' "$log" | tail -n 1
  waitmore 'game: applied screen mode' "$before"
  settle
  click 400 410
  sleep 1
  look "options toggle"
  switches=$(count 'screens: switch to 4')
  click 400 220
  waitmore 'screens: switch to 4' "$switches" && grep '^screens: switch to 4' "$log" | tail -n 1
fi
kill -TERM $pid 2>/dev/null
wait $pid
echo "sdl2 exit $?"
DRIVE

for start in full window; do
  seed "$start" $([ $start = full ] && echo 1 || echo 0)
  dir="$work/$start"
  mkdir -p "$dir/fb"
  echo "start $start"
  # The timeout runs inside xvfb-run so that a hung game still lets it take
  # its X server down.
  xvfb-run -a -s "-screen 0 ${size}x24 -fbdir $dir/fb" timeout 600 sh "$work/drive.sh" "$dir" "$game" "$probe" \
    "$reference" "$dir/fb" $free_x $free_y "$([ $start = full ] && echo 'full screen' || echo windowed)"
done
