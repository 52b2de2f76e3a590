#!/bin/sh
# focus_pause_test.sh GAME SEEDED_PROFILE: the window loses and
# regains the focus twice, headless on the sample data: first on the main
# menu (no level exists, nothing is paused), then with the level of stage 1
# level 1 in its slot, reached through the map and the conversation's skip
# button; the level stands still while the focus is away. Prints the exit
# code and the screen and level log lines.
set -u
game=$1 seeded=$2
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-focus-pause.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
profile_dir=home/data/Korvandel/Mirrowen
mkdir -p "$work/$profile_dir"
cp "$seeded" "$work/$profile_dir/profile.dat"
# The seeded player has chosen a difficulty: btnStart goes to the map.
printf '\001' | dd of="$work/$profile_dir/profile.dat" bs=1 seek=104 conv=notrunc 2>/dev/null
# The sample layout: btnStart 400,220 on the menu; btnGame 685,570 on the
# map; the conversation's btnNextMenu at 585,570.
cat > "$work/script.txt" <<'SCRIPT'
0 await loading: "click" shown
600 move 400 300
650 click left
700 await screen 2 focused
800 focus off
900 focus on
1000 move 400 220
1050 click left
1100 await screen 4 focused
1500 move 685 570
1550 click left
1600 await screen 12 focused
1700 move 585 570
1800 click left
1900 await screen 6 focused
2000 focus off
2300 focus on
2600 close
SCRIPT
GAME_HOME="$work/home" GAME_LOG="$work/game.log" GAME_BACKEND=headless GAME_INPUT_SCRIPT="$work/script.txt" \
  timeout 300 "$game" >/dev/null 2>&1
echo "exit $?"
grep -E '^screens: fade in ended|^game: level |MessageBox' "$work/game.log"
