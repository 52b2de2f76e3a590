#!/bin/sh
# opening_frames_test.sh GAME FRAME_PROBE SEEDED_PROFILE MODE: the
# game's opening on the sample data, looked at through its log, its saved
# frames (GAME_FRAME_DUMP) and profile.dat.
#   first     a first start (no profile.dat), headless: the title, the
#             defaults applied (full screen with 3D, music 0.5, sound 0.7,
#             own cursors), the loading bar's values in order, the dumped
#             frames of the splash, the finished loading screen (backdrop,
#             full bar, "Click to continue") and the main menu.
#   windowed  the seeded profile made full screen (record byte 40 = 1):
#             Alt+Enter on the main menu makes the window windowed, the
#             close saves the record with byte 40 = 0.
#   sdl2      the seeded profile (windowed, no own cursors) headless, then
#             with the sdl2 backend under xvfb-run with xdotool clicking at
#             the same point: the four dumped frames are the same pixels.
#             Without xvfb-run or xdotool it says it skipped.
#   greeting  a first start: "Анна" typed into the name dialog that opens by
#             itself; the last frame shows the greeting with the name drawn
#             in the sample font's Cyrillic letters, to the right of where
#             "Welcome," alone ends.
set -u
game=$1 probe=$2 seeded=$3 mode=$4
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-opening-frames.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
profile_dir=home/data/Korvandel/Mirrowen

# The click on the loading screen lands where the main menu has no button,
# so no hover fade is running when the menu's frame is taken.
click_x=40 click_y=560

headless() {
  dir="$work/$1"
  GAME_HOME="$dir/home" GAME_LOG="$dir/game.log" GAME_BACKEND=headless GAME_FRAME_DUMP="$dir/frames" \
    GAME_INPUT_SCRIPT="$dir/script.txt" timeout 300 "$game" >/dev/null 2>&1
  echo "$1 exit $?"
}

script() {
  mkdir -p "$work/$1"
  shift
  printf '%s\n' '0 await loading: "click" shown' '600 await frame dump: loading saved' \
    "700 move $click_x $click_y" '750 click left' '1300 await frame dump: menu saved' "$@" \
    > "$dir/script.txt"
}

seed() {
  mkdir -p "$work/$1/$profile_dir"
  cp "$seeded" "$work/$1/$profile_dir/profile.dat"
}

case $mode in
  first)
    dir="$work/first"
    script first '1400 close'
    headless first
    log="$dir/game.log"
    grep -E '^game: (window|applied|own cursors)|^frame dump: ' "$log" | grep -v '^frame dump: focus'
    # The loading thread's values: 0.2, the preload from 0.2 to 0.4, 0.5,
    # 0.55, the sounds from 0.5 to 0.8, 1.0; each part never going back.
    grep '^game: progress ' "$log" | cut -d' ' -f3 | awk '
      # The part of the sequence a value belongs to, given the part before.
      function part(v) {
        if (seen == "") return v == 0.2 ? "start" : "bad"
        if (v == 1.0 && seen == "sound") return "end"
        if (v == 0.5 && (seen == "start" || seen == "preload")) return "half"
        if (v == 0.55 && seen == "half") return "sounds"
        if (v >= 0.2 && v <= 0.4 && last <= v && (seen == "start" || seen == "preload")) return "preload"
        if (v > 0.5 && v <= 0.8 && (seen == "sounds" || (seen == "sound" && last <= v))) return "sound"
        return "bad"
      }
      { p = part($1 + 0); if (p != seen) printf "%s%s", seen == "" ? "" : ", ", p; seen = p; last = $1 + 0 }
      END { printf " (last %.3f)\n", last }' | sed 's/^/progress: /'
    # The finished loading screen: its backdrop, the whole bar filled and
    # the white text under it; the splash picture held; the menu's backdrop.
    "$probe" "$dir/frames/loading.png" --size 800x600 --tol 8 100,100=182349 700,550!=000000 \
      205,412=E0B040 400,412=E0B040 594,412=E0B040 200,402=E0E0E0 200,440,600,480~FFFFFF:100
    "$probe" "$dir/frames/splash4.png" 0,0,200,600~000000:120000 201,151!=000000 598,448!=000000
    "$probe" "$dir/frames/menu.png" 10,300!=000000 400,220!=000000
    ;;
  windowed)
    dir="$work/windowed"
    seed windowed
    # Byte 40 of the first record (file offset 88): full screen.
    printf '\001' | dd of="$dir/$profile_dir/profile.dat" bs=1 seek=88 conv=notrunc 2>/dev/null
    script windowed '1400 keydown 0x12' '1420 key 0x0D' '1440 keyup 0x12' '2000 close'
    headless windowed
    grep -E '^game: applied screen mode|^profiles: ' "$dir/game.log"
    echo "full screen byte $(od -An -tx1 -j 88 -N 1 "$dir/$profile_dir/profile.dat" | tr -d ' ')"
    ;;
  greeting)
    dir="$work/greeting"
    mkdir -p "$dir"
    printf '%s\n' '0 await loading: "click" shown' "600 move $click_x $click_y" '650 click left' \
      '700 await the name dialog opens' '1700 text Анна' '1900 key 0x0D' \
      '2000 await dialogs: player "Анна" created' '3500 close' > "$dir/script.txt"
    GAME_HOME="$dir/home" GAME_LOG="$dir/game.log" GAME_BACKEND=headless GAME_FRAME_OUT="$dir/frame.png" \
      GAME_INPUT_SCRIPT="$dir/script.txt" timeout 300 "$game" >/dev/null 2>&1
    echo "greeting exit $?"
    grep -E '^dialogs: ' "$dir/game.log"
    # "Welcome," alone ends at x = 293; the white of "Анна" reaches on to
    # about 325 and nothing is drawn beyond it.
    "$probe" "$dir/frame.png" --size 800x600 --tol 40 150,30,265,58~FFFFFF:200 298,30,332,58~FFFFFF:60 \
      332,30,420,58!~FFFFFF:2464
    ;;
  sdl2)
    if ! command -v xvfb-run >/dev/null 2>&1 || ! command -v xdotool >/dev/null 2>&1; then
      echo "skipped: the sdl2 comparison needs xvfb-run and xdotool"
      exit 0
    fi
    dir="$work/headless"
    seed headless
    script headless '1400 close'
    headless headless
    seed sdl2
    dir="$work/sdl2"
    # Under Xvfb: wait for the log lines the headless script awaits, click
    # with xdotool at the same point of the window, then end the run with
    # SIGTERM (an orderly shutdown).
    cat > "$dir/drive.sh" <<'DRIVE'
#!/bin/sh
dir=$1 game=$2 x=$3 y=$4
log="$dir/game.log"
waitfor() {
  i=0
  until grep -qF "$1" "$log" 2>/dev/null; do
    i=$((i + 1))
    if [ $i -gt 1200 ]; then echo "FAIL waited in vain for: $1"; return 1; fi
    sleep 0.1
  done
}
GAME_HOME="$dir/home" GAME_LOG="$log" GAME_BACKEND=sdl2 GAME_FRAME_DUMP="$dir/frames" "$game" >/dev/null 2>&1 &
pid=$!
if waitfor 'frame dump: loading saved'; then
  window=$(xdotool search --sync --onlyvisible --name 'Kivo Game' | head -n 1)
  xdotool mousemove --window "$window" "$x" "$y"
  sleep 0.3
  xdotool click 1
  waitfor 'frame dump: menu saved'
fi
kill -TERM $pid 2>/dev/null
wait $pid
echo "sdl2 exit $?"
DRIVE
    timeout 300 xvfb-run -a -s '-screen 0 1024x768x24' sh "$dir/drive.sh" "$dir" "$game" $click_x $click_y
    grep -E '^frame dump: ' "$dir/game.log" | grep -v '^frame dump: focus'
    for frame in splash4 splash2 loading menu; do
      "$probe" "$work/headless/frames/$frame.png" --tol 0 --same "$dir/frames/$frame.png"
    done
    ;;
esac
