#!/bin/sh
# broken_data_test.sh BUILD EXPECTED: the gallery's checks fail where the
# data is broken. A copy of BUILD's game and sample data gets five faults:
#   text-format      the main menu's "Play" reads "%d"
#   inside-window    the exit dialog's btnYes moved off the window, and
#                    in Level_6_2 the association element "element1" (a
#                    piece the kind drags) moved below it
#   contrast         the exit dialog's message in the colour of its panel
#   overlap-caption  the difficulty dialog's btnHard put on its btnEasy
#   hud              the level scene Level_6_2 without its HUD anchor
#                    (game_menu_draw, the HUD's place in its draw order):
#                    its kind, association, then draws the HUD first and
#                    the level's backdrop over it
# and the gallery's runs "first" and "level_6_2" are made on it. Each check is
# run with today's list of known failures (EXPECTED) and must fail, naming
# the frame and the object of its fault.
set -u
build=$1 expected=$2
tools=$build/tools
# A temporary folder of its own, gone when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-gallery-broken.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/build/game" "$work/build/tools"
cp -r "$build/game/data" "$build/game/settings.ini" "$build/game/game" "$work/build/game/"
ln -s "$tools/gallery_sheet" "$work/build/tools/gallery_sheet"
data=$work/build/game/data
iconv -f UTF-16LE -t UTF-8 "$data/data.txt" | sed 's/^menu_start\t.*\r$/menu_start\t%d\r/' |
  iconv -f UTF-8 -t UTF-16LE > "$work/data.txt" && mv "$work/data.txt" "$data/data.txt"
# 7352384 is red 0x40, green 0x30, blue 0x70 (red in the low byte): the
# middle of the dialogs' panel behind the message.
"$tools/gallery_break" "$data/data.dtm" move dlgExit btnYes 700 0 \
  prop dlgExit txtMessage _colObj 7352384 \
  place dlgDifficulty btnHard btnEasy \
  move Level_6_2 element1 0 700 \
  drop Level_6_2 game_menu_draw || echo "FAIL: the data cannot be broken"
"$(dirname "$0")/../../tools/gallery" "$work/build" "$work/out" 2 first level_6_2 >"$work/gallery.log" 2>&1 ||
  { echo "FAIL: the gallery did not run"; tail -20 "$work/gallery.log"; }
# Each check with the failure lines its faults must give, one a line.
fault() {
  case $1 in
    text-format) echo 'menu_no_player text-format "%d"' ;;
    inside-window)
      echo 'dialog_dlgExit inside-window dialog_dlgExit:btnYes'
      echo 'assoc_start inside-window level:element1'
      ;;
    contrast) echo 'dialog_dlgExit contrast "Do you really want to quit?"' ;;
    overlap-caption) echo 'dialog_dlgDifficulty overlap-caption dialog_dlgDifficulty:btnHard+dialog_dlgDifficulty:btnEasy' ;;
    hud) echo 'assoc_start hud hud:btnMenu' ;;
  esac
}
for check in text-format inside-window contrast overlap-caption hud; do
  if "$tools/gallery_check" "$work/out" $check --expected "$expected" >"$work/$check.log"; then
    echo "FAIL: $check passes on broken data"
    continue
  fi
  fault $check | while read -r line; do
    if grep -qF "FAIL: $line -- " "$work/$check.log"; then
      echo "$check fails: $line"
    else
      echo "FAIL: $check fails, but not with: $line"
      grep '^FAIL: ' "$work/$check.log"
    fi
  done
done
