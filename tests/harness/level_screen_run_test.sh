#!/bin/sh
# level_screen_run_test.sh GAME SEEDED_PROFILE: the game's own level
# screen, headless on the sample data. A profile that has chosen its
# difficulty goes from the main menu to the map, skips the conversation of
# stage 1 level 1, closes the goal notebook that opens by itself with its
# "btnOk", then opens the level menu with the HUD's "btnMenu" (at 740,28 in
# the panel right of x 680) and closes the window. Prints the exit code and
# the screen and level-screen log lines.
set -u
game=$1 seeded=$2
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-level-screen-run.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
profile_dir=home/data/Korvandel/Mirrowen
cat > "$work/level.txt" <<'SCRIPT'
0 await loading: "click" shown
600 move 400 300
650 click left
700 await screen 2 focused
1000 move 400 220
1050 click left
1100 await screen 4 focused
1500 move 685 570
1550 click left
1600 await screen 12 focused
1700 move 585 570
1800 click left
1900 await screen 6 focused
2000 await level screen: dialog 107
2800 move 400 400
2850 click left
4000 move 740 28
4100 click left
4200 await level screen: dialog 108
4800 close
SCRIPT
mkdir -p "$work/run/$profile_dir"
cp "$seeded" "$work/run/$profile_dir/profile.dat"
# The seeded player has chosen a difficulty: btnStart goes to the map.
printf '\001' | dd of="$work/run/$profile_dir/profile.dat" bs=1 seek=104 conv=notrunc 2>/dev/null
GAME_HOME="$work/run/home" GAME_LOG="$work/run/game.log" GAME_BACKEND=headless \
  GAME_INPUT_SCRIPT="$work/level.txt" timeout 300 "$game" >/dev/null 2>&1
echo "exit $?"
grep -E '^(screens: switch|level screen: )|MessageBox|is missing' "$work/run/game.log"
