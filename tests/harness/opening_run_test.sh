#!/bin/sh
# opening_run_test.sh GAME SEEDED_PROFILE: runs the game headless
# twice, clicking once the loading screen shows "click" and closing once the
# main menu is shown: once with no profile file and once with the seeded one. Prints the opening's log lines, the size of
# the profile file each run leaves, whether the seeded file came back byte
# for byte, and any temporary file left beside it.
set -u
game=$1 seeded=$2
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-opening-run.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
printf '%s\n' '0 await loading: "click" shown' '600 move 400 300' '650 click left' \
  '1300 await fade in ended, screen 2 focused' '1400 close' > "$work/script.txt"
profile_dir=home/data/Korvandel/Mirrowen
run() {
  GAME_HOME="$work/$1/home" GAME_LOG="$work/$1/game.log" GAME_BACKEND=headless \
    GAME_INPUT_SCRIPT="$work/script.txt" timeout 300 "$game" >/dev/null 2>&1
  echo "exit $?"
  grep -E '^(screens|loading|profiles|splash): |^game: (load state|song|"Game"|sample|music)|MessageBox' "$work/$1/game.log"
  echo "profile bytes $(wc -c < "$work/$1/$profile_dir/profile.dat")"
  ls "$work/$1/$profile_dir" | grep -v '^profile.dat$' | sed 's/^/left behind: /'
}
mkdir -p "$work/fresh"
run fresh
mkdir -p "$work/seeded/$profile_dir"
cp "$seeded" "$work/seeded/$profile_dir/profile.dat"
run seeded
cmp -s "$seeded" "$work/seeded/$profile_dir/profile.dat" && echo "seeded profile kept"
