#!/bin/sh
# map_story_run_test.sh GAME FRAME_PROBE SEEDED_PROFILE: the road
# from the main menu into a level, headless on the sample data, with a
# profile that has chosen its difficulty. Three runs:
#   map    btnStart opens the map, btnLevel1 redraws the story page; the
#          page area of the last frame is printed as a CRC.
#   story  stage 1, btnLevel1, btnGame: the conversation; one background
#          click per speech line of data/dialogs/dlg_1_1.dtxt (read beside
#          the game), then the level takes over.
#   skip   the same road, btnNextMenu at the first speech line.
# Prints each run's exit code and its screen, conversation and profile log
# lines.
set -u
game=$1 probe=$2 seeded=$3
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-map-story-run.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
profile_dir=home/data/Korvandel/Mirrowen
dialog="$(dirname "$game")/data/dialogs/dlg_1_1.dtxt"
# The sample layout: btnStart 400,220 on the menu; on the map the first
# stage picture at 110,480, btnLevel1 at 440,95, btnGame at 685,570; the
# conversation's btnNextMenu at 585,570 and empty background at 20,580.
cat > "$work/menu_to_map.txt" <<'SCRIPT'
0 await loading: "click" shown
600 move 400 300
650 click left
700 await screen 2 focused
1000 move 400 220
1050 click left
1100 await screen 4 focused
SCRIPT
{
  cat "$work/menu_to_map.txt"
  printf '%s\n' '1500 move 440 95' '1550 click left' '4500 close'
} > "$work/map.txt"
{
  cat "$work/menu_to_map.txt"
  printf '%s\n' '1500 move 110 480' '1550 click left' '2200 move 440 95' '2250 click left' \
    '2800 move 685 570' '2850 click left' '2900 await screen 12 focused' '3000 move 20 580'
  t=3100
  # Speech lines are "name_mood=text key"; each is awaited, then clicked.
  tr -d '\r' < "$dialog" | grep -E '^[^(:]+=' | while IFS='=' read -r key value; do
    echo "$t await conversation: $key says $value,"
    echo "$((t + 300)) click left"
    t=$((t + 400))
  done
  echo "9000 await screen 6 focused"
  echo "9500 close"
} > "$work/story.txt"
{
  cat "$work/menu_to_map.txt"
  printf '%s\n' '1500 move 685 570' '1550 click left' '1600 await screen 12 focused' '1700 move 585 570' \
    '1800 click left' '1900 await screen 6 focused' '2400 close'
} > "$work/skip.txt"
run() {
  mkdir -p "$work/$1/$profile_dir"
  cp "$seeded" "$work/$1/$profile_dir/profile.dat"
  # The seeded player has chosen a difficulty: btnStart goes to the map.
  printf '\001' | dd of="$work/$1/$profile_dir/profile.dat" bs=1 seek=104 conv=notrunc 2>/dev/null
  GAME_HOME="$work/$1/home" GAME_LOG="$work/$1/game.log" GAME_BACKEND=headless \
    GAME_INPUT_SCRIPT="$work/$1.txt" GAME_FRAME_OUT="$work/$1/frame.png" timeout 300 "$game" >/dev/null 2>&1
  echo "$1 exit $?"
  grep -E '^(screens: (switch|fade in ended)|conversation: |profiles: saved)|MessageBox|is missing' "$work/$1/game.log"
}
run map
"$probe" "$work/map/frame.png" 380,160,760,320@crc
run story
run skip
