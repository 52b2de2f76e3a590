#!/bin/sh
# demo_run_test.sh GAME PLANS: the two whole-game demos, headless.
#   first  "first steps" (PLANS/first_steps.plan) from an empty home folder;
#   end    "to the end" (PLANS/to_the_end.plan) from the home folder the
#          first left.
# Each is recorded with -record while the autoplay driver plays its plan,
# then played twice with -play, each play from a copy of the home folder the
# recording started from. Every screen's arrival is a checkpoint frame
# (GAME_FRAME_DUMP, "focusNNN_screenT"). Prints for each run its exit code,
# the recording's outcome lines, how many checkpoints the plays saved and
# whether the two plays' checkpoints have the same CRCs, whether each play
# has the recording's outcome lines and saved the recording's profile file,
# and the players in the recorded profile file: name, hard mode, stage,
# level and highest stage. The plays of the first demo run beside the
# recording of the second.
set -u
game=$1 plans=$2
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-demo-run.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
profile_dir=home/data/Korvandel/Mirrowen

# run DEMO RUN START_HOME [game arguments]: one run in $work/DEMO/RUN with a
# copy of START_HOME (empty when none).
run() {
  dir="$work/$1/$2" start=$3
  shift 3
  mkdir -p "$dir/home"
  [ -n "$start" ] && cp -R "$start/." "$dir/home/"
  GAME_HOME="$dir/home" GAME_LOG="$dir/game.log" GAME_FRAME_DUMP="$dir/frames" GAME_BACKEND=headless \
    timeout 1200 "$@" >/dev/null 2>&1
  echo $? > "$dir/exit"
}
record() {
  mkdir -p "$work/$1"
  GAME_AUTOPLAY="$work/$1/autoplay.txt" GAME_AUTOPLAY_PLAN="$plans/$2" \
    run "$1" record "$3" "$game" -record -demofile="$work/$1/demo.dmo"
}
play() {
  run "$1" "$2" "$3" "$game" -play -demofile="$work/$1/demo.dmo"
}
# The checkpoints of one run: each frame's name and CRC.
checkpoints() {
  (cd "$1/frames" 2>/dev/null && for f in focus*.png; do [ -f "$f" ] && echo "$f $(cksum < "$f")"; done)
}
# The players of a profile file: a 48-byte header (the count first), 256-byte records (the name
# in 20 UTF-16 units, hard mode at 52, stage 60, highest stage 64, level 68).
players() {
  p=$1
  count=$(od -A n -t u4 -N 4 "$p" | tr -d ' ')
  i=0
  while [ "$i" -lt "$count" ]; do
    r=$((48 + 256 * i))
    name=$(dd if="$p" bs=1 skip=$r count=40 2>/dev/null | iconv -f UTF-16LE -t UTF-8 | tr -d '\000')
    field() { od -A n -t d4 -j $((r + $1)) -N 4 "$p" | tr -d ' '; }
    echo "player $name hard $(field 52) stage $(field 60) level $(field 68) highest $(field 64)"
    i=$((i + 1))
  done
}
report() {
  demo=$1
  for r in record play1 play2; do
    echo "$demo $r exit $(cat "$work/$demo/$r/exit")"
    grep -E '^level screen: Level_[0-9]+_[0-9]+ (won|lost)|^autoplay: (step|plan done|the|no )|MessageBox' \
      "$work/$demo/$r/game.log" | grep -v '^autoplay: the script' > "$work/$demo/$r/outcome"
  done
  cat "$work/$demo/record/outcome"
  for r in play1 play2; do checkpoints "$work/$demo/$r" > "$work/$demo/$r/checkpoints"; done
  echo "$demo checkpoints $(wc -l < "$work/$demo/play1/checkpoints")"
  # The loading screen's arrival (screen 1) is left out of the comparison: its
  # bar shows how far the loading thread has come, which the machine's load
  # decides, not the demo.
  grep -v '_screen1\.png ' "$work/$demo/play1/checkpoints" > "$work/$demo/play1/compared"
  grep -v '_screen1\.png ' "$work/$demo/play2/checkpoints" > "$work/$demo/play2/compared"
  diff "$work/$demo/play1/compared" "$work/$demo/play2/compared" >/dev/null && echo "$demo plays show the same checkpoints"
  for r in play1 play2; do
    grep -v '^autoplay: ' "$work/$demo/record/outcome" | diff - "$work/$demo/$r/outcome" >/dev/null &&
      echo "$demo $r outcome as recorded"
    cmp -s "$work/$demo/record/$profile_dir/profile.dat" "$work/$demo/$r/$profile_dir/profile.dat" &&
      echo "$demo $r profile as recorded"
  done
  players "$work/$demo/record/$profile_dir/profile.dat"
}

record first first_steps.plan ""
play first play1 "" &
play first play2 "" &
# The second demo starts from the home folder the first left.
cp -R "$work/first/record/home" "$work/end-start"
record end to_the_end.plan "$work/end-start"
wait
play end play1 "$work/end-start" &
play end play2 "$work/end-start" &
wait
report first
report end
# The first player's record is the same after the second demo.
dd if="$work/first/record/$profile_dir/profile.dat" bs=1 skip=48 count=256 2>/dev/null > "$work/first-player"
dd if="$work/end/record/$profile_dir/profile.dat" bs=1 skip=48 count=256 2>/dev/null | cmp -s - "$work/first-player" &&
  echo "first player unchanged"
