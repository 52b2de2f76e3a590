#!/bin/sh
# menu_run_test.sh GAME SEEDED_PROFILE TOUR_SCRIPT: two headless
# runs through the main menu on the sample data. The first, with the seeded
# profile, leaves the loading screen, answers btnExit with btnNo, then
# btnExit again with btnYes; the second plays TOUR_SCRIPT from a first start
# without profile.dat. Prints each run's
# exit code, its menu, dialog, screen and profile log lines, and whether a
# profile file is left; after the tour, the fields of profile.dat.
set -u
game=$1 seeded=$2 tour=$3
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-menu-run.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
profile_dir=home/data/Korvandel/Mirrowen
# The splash pictures end by themselves; then the loading screen's click,
# the menu's btnExit and the dialog's buttons (the sample layout: btnExit at
# 320,380; btnYes at 220,380 and btnNo at 420,380 in a 160 x 40 box).
cat > "$work/exit.txt" <<'SCRIPT'
9000 move 400 300
9100 click left
10600 move 400 400
10700 click left
11500 move 500 400
11600 click left
12400 move 400 400
12500 click left
13300 move 300 400
13400 click left
SCRIPT
run() {
  GAME_HOME="$work/$1/home" GAME_LOG="$work/$1/game.log" GAME_BACKEND=headless GAME_INPUT_SCRIPT="$2" \
    timeout 300 "$game" >/dev/null 2>&1
  echo "exit $?"
  grep -E '^(menu|dialogs|profiles): |^screens: switch|MessageBox|is missing' "$work/$1/game.log"
  test -s "$work/$1/$profile_dir/profile.dat" && echo "profile.dat saved"
}
mkdir -p "$work/exit/$profile_dir"
cp "$seeded" "$work/exit/$profile_dir/profile.dat"
run exit "$work/exit.txt"
mkdir -p "$work/tour"
run tour "$tour"
file="$work/tour/$profile_dir/profile.dat"
bytes() { od -An -tx1 -j "$1" -N "$2" "$file" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
number() { od -An -t"$1" -j "$2" -N 4 "$file" | tr -d ' '; }
echo "records $(number d4 0)"
echo "header name $(bytes 4 10)"
echo "record name $(bytes 48 10)"
echo "full screen $(bytes 88 1), own cursors $(bytes 89 1)"
echo "hard $(number d4 100), chosen $(number d4 104)"
# The value last handed to the framework's ApplySfxVolume, as the game logs
# the call.
applied=$(grep '^game: applied sound volume ' "$work/tour/game.log" | tail -n 1 | cut -d' ' -f5)
stored=$(printf '%.6f' "$(number f4 96)")
test "$applied" = "$stored" && echo "sound volume $stored, the last one applied"
