#!/bin/sh
# window_mode_test.sh GAME SEEDED_PROFILE: a player whose profile
# says full screen turns the window mode off in Options (from the main
# menu), closes Options, switches back to full screen with Alt+Enter and
# closes the window. Prints the exit code, the loading and cursor notes,
# the Options notes and the stored full-screen byte of the profile record.
set -u
game=$1 seeded=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-window-mode.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
profile_dir=home/data/Korvandel/Mirrowen
file="$work/$profile_dir/profile.dat"
mkdir -p "$work/$profile_dir"
cp "$seeded" "$file"
# Byte 40 of the first record (the file's byte 88): full screen.
printf '\001' | dd of="$file" bs=1 seek=88 conv=notrunc 2>/dev/null
# The sample layout: btnOptions 400,280 on the menu; the window-mode toggle
# at 240,290 and the close button at 400,410 in the Options dialog.
cat > "$work/script.txt" <<'SCRIPT'
0 await loading: "click" shown
600 move 400 300
650 click left
700 await screen 2 focused
1000 move 400 280
1050 click left
1800 move 240 290
1850 click left
2400 move 400 410
2450 click left
3200 keydown 0x12
3210 key 0x0D
3220 keyup 0x12
3600 close
SCRIPT
GAME_HOME="$work/home" GAME_LOG="$work/game.log" GAME_BACKEND=headless GAME_INPUT_SCRIPT="$work/script.txt" \
  timeout 300 "$game" >/dev/null 2>&1
echo "exit $?"
grep -E "^game: (sine|the entry's)|^dialogs: (windowed|full screen)|MessageBox" "$work/game.log"
echo "full screen $(od -An -tx1 -j 88 -N 1 "$file" | tr -d ' ')"
