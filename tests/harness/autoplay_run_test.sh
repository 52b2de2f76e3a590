#!/bin/sh
# autoplay_run_test.sh GAME SEEDED_PROFILE STAGE LEVEL MODE: a whole
# game run into one sample level, headless, with the seeded player put at
# stage STAGE, level LEVEL (both from 1) and, for the level's stage, best
# level LEVEL - 1. A prepared script goes from the splash through the main
# menu, the map's btnGame and the conversation's btnNextMenu to the level.
#   win   easy mode. Three runs, each from the same home folder:
#         record  the autoplay driver (GAME_AUTOPLAY) plays the level while
#                 the run is recorded as a demo;
#         play    -play of that demo, without the driver;
#         script  the prepared script followed by the script the driver
#                 wrote, without the driver.
#   lose  hard mode; the prepared script then clicks empty ground until the
#         clock runs out (quick misses add the penalty) and the defeat
#         menu shows.
# Prints each run's exit code, its outcome lines and the saved profile's
# stage, level, highest stage and best level of the stage.
set -u
game=$1 seeded=$2 stage=$3 level=$4 mode=$5
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-autoplay-run.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
profile_dir=home/data/Korvandel/Mirrowen
. "$(dirname "$0")/level_profile.sh"
cp "$(dirname "$0")/to_level_script.txt" "$work/to_level.txt"
prepare() {
  rm -rf "$work/$1"
  place_profile "$work/$1/$profile_dir/profile.dat" "$seeded" "$2" "$stage" "$level"
}
report() {
  echo "$1 exit $2"
  grep -E '^level screen: (Level_[0-9]+_[0-9]+ (won|lost)|dialog 108 )|^autoplay: |MessageBox' "$work/$1/game.log"
  p="$work/$1/$profile_dir/profile.dat"
  s=$(peek "$p" 108)
  echo "$1 profile stage $s level $(peek "$p" 116) highest $(peek "$p" 112) best $(peek "$p" $((120 + 4 * s)))"
}
run() {
  name=$1
  shift
  GAME_HOME="$work/$name/home" GAME_LOG="$work/$name/game.log" GAME_BACKEND=headless timeout 300 "$@" >/dev/null 2>&1
  report "$name" $?
}
if [ "$mode" = win ]; then
  prepare record 0
  GAME_AUTOPLAY="$work/autoplay.txt" GAME_INPUT_SCRIPT="$work/to_level.txt" \
    run record "$game" -record -demofile="$work/level.dmo"
  prepare play 0
  run play "$game" -play -demofile="$work/level.dmo"
  prepare script 0
  # The driver's times count from the level's focus, the prepared script's
  # last line: shift them past it.
  base=$(tail -n 1 "$work/to_level.txt" | cut -d' ' -f1)
  # It ends once the level has gone and the map has faded in (0.5 s), not
  # by the idle close.
  {
    cat "$work/to_level.txt"
    awk -v base="$base" '{ $1 = $1 + base; print }
      END { print $1 " await screens: switch to 4, removing 6"; print $1 + 600 " close" }' "$work/autoplay.txt"
  } > "$work/script.txt"
  GAME_INPUT_SCRIPT="$work/script.txt" run script "$game"
else
  prepare lose 1
  {
    cat "$work/to_level.txt"
    # The goal notebook's btnOk (400,400), then misses on empty ground,
    # four every 2 s: each fourth within 6 s of the earlier ones is a
    # penalty, and the clock runs ten times as fast through it.
    printf '%s\n' '2400 move 400 400' '2900 click left'
    # The tutorial's three "ok" presses (its button at 340,285).
    printf '%s\n' '3500 move 340 285' '4100 click left' '4700 move 340 285' '5300 click left' \
      '5900 move 340 285' '6500 click left'
    # Misses until a little past the clock's end (the level is lost about
    # 26 s after its focus); should it last longer, it runs out at its
    # own pace.
    i=0
    while [ $i -lt 48 ]; do
      echo "$((7500 + i * 500)) move 20 $((560 - (i % 4) * 2))"
      echo "$((7500 + i * 500 + 50)) click left"
      i=$((i + 1))
    done
    # The run ends once the defeat menu shows, not by the idle close.
    echo "$((7500 + i * 500)) await level screen: dialog 108 dlgDefeatMenu"
    echo "$((7500 + i * 500)) close"
  } > "$work/lose.txt"
  GAME_INPUT_SCRIPT="$work/lose.txt" run lose "$game"
fi
