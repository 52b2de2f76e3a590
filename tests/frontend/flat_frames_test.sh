#!/bin/sh
# flat_frames_test.sh GAME FRAME_PROBE TOUR_SCRIPT: a first start on the
# sample data with 3D switched off on the loading screen (the developer
# keys: Ctrl+Alt+K, then Shift+F8), then the main menu's tour. Every dumped
# frame of the menu and its dialogs must show the backdrop and the dialog
# panels drawn flat, not texts on black.
set -u
game=$1 probe=$2 tour=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-flat-frames.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
{
  echo '8500 await loading: "click" shown'
  printf '%s\n' '8900 keydown 0x11' '8910 keydown 0x12' '8920 key 0x4B' '8930 keyup 0x12' '8940 keyup 0x11' \
    '8950 keydown 0x10' '8960 key 0x77' '8970 keyup 0x10'
  # The tour slowed as the gallery slows it, so each dialog has faded in.
  awk '/^#/ { next } $1 > 9000 { $1 = 9000 + int(($1 - 9000) * 5 / 4) } { print }' "$tour"
} > "$work/script.txt"
GAME_HOME="$work/home" GAME_LOG="$work/game.log" GAME_BACKEND=headless GAME_FRAME_DUMP="$work/frames" \
  GAME_TEXT_LOG="$work/texts.log" GAME_INPUT_SCRIPT="$work/script.txt" timeout 300 "$game" >/dev/null 2>&1
echo "exit $?"
grep -E '^game: applied screen mode|3D-Mode' "$work/game.log" | sed 's/ thread=main//'
# The whole window is the backdrop, so hardly any pixel is black; a dialog's
# panel covers 400 x 300 pixels.
for frame in menu dialog_dlgName dialog_dlgOptions dialog_dlgPlayer dialog_dlgCredits; do
  "$probe" "$work/frames/$frame.png" --size 800x600 --tol 4 0,0,800,600!~000000:400000 || echo "FAIL in $frame"
done
for frame in dialog_dlgOptions dialog_dlgPlayer; do
  "$probe" "$work/frames/$frame.png" --tol 4 200,150,600,450!~000000:110000 || echo "FAIL in $frame"
done
