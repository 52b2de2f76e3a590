#!/bin/sh
# menu_run_test.sh GAME WORKDIR SEEDED_PROFILE: two headless runs through the
# main menu on the sample data. The first starts without profile.dat and
# waits; the second, with the seeded profile, leaves the loading screen,
# answers btnExit with btnNo, then btnExit again with btnYes. Prints each
# run's exit code, its menu, screen and profile log lines, and whether a
# profile file is left.
set -u
game=$1 work=$2 seeded=$3
rm -rf "$work" && mkdir -p "$work"
profile_dir=home/data/Korvandel/Mirrowen
# The loading screen's click, then the menu's btnExit and the dialog's
# buttons (the sample layout: btnExit at 320,380; btnYes at 220,380 and
# btnNo at 420,380 in a 160 x 40 box).
cat > "$work/exit.txt" <<'SCRIPT'
2000 move 400 300
2100 click left
3600 move 400 400
3700 click left
4500 move 500 400
4600 click left
5400 move 400 400
5500 click left
6300 move 300 400
6400 click left
SCRIPT
run() {
  GAME_HOME="$work/$1/home" GAME_LOG="$work/$1/game.log" GAME_BACKEND=headless GAME_INPUT_SCRIPT="$2" \
    timeout 120 "$game" >/dev/null 2>&1
  echo "exit $?"
  grep -E '^(menu|profiles): |^screens: switch|MessageBox' "$work/$1/game.log"
  test -s "$work/$1/$profile_dir/profile.dat" && echo "profile.dat saved"
}
mkdir -p "$work/first"
printf '2000 move 400 300\n2100 click left\n4000 close\n' > "$work/first.txt"
run first "$work/first.txt"
mkdir -p "$work/exit/$profile_dir"
cp "$seeded" "$work/exit/$profile_dir/profile.dat"
run exit "$work/exit.txt"
