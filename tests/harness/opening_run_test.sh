#!/bin/sh
# opening_run_test.sh GAME WORKDIR SEEDED_PROFILE: runs the game headless
# twice without input (it closes itself when idle): once with no profile file
# and once with the seeded one. Prints the opening's log lines, the size of
# the profile file each run leaves, whether the seeded file came back byte
# for byte, and any temporary file left beside it.
set -u
game=$1 work=$2 seeded=$3
rm -rf "$work" && mkdir -p "$work"
profile_dir=home/data/Korvandel/Mirrowen
run() {
  GAME_HOME="$work/$1/home" GAME_LOG="$work/$1/game.log" GAME_BACKEND=headless timeout 120 "$game" >/dev/null 2>&1
  echo "exit $?"
  grep -E '^(screens|loading|profiles): |^game: (load state|song|"Game")|MessageBox' "$work/$1/game.log"
  echo "profile bytes $(wc -c < "$work/$1/$profile_dir/profile.dat")"
  ls "$work/$1/$profile_dir" | grep -v '^profile.dat$' | sed 's/^/left behind: /'
}
mkdir -p "$work/fresh"
run fresh
mkdir -p "$work/seeded/$profile_dir"
cp "$seeded" "$work/seeded/$profile_dir/profile.dat"
run seeded
cmp -s "$seeded" "$work/seeded/$profile_dir/profile.dat" && echo "seeded profile kept"
