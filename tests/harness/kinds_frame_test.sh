#!/bin/sh
# kinds_frame_test.sh GAME FRAME_PROBE MODE: runs the game headless on
# the sample scene "mnKinds" and probes the saved 800 x 600 frame.
#   3d     3D on (the capability test runs on the software 3D device and
#          passes), closed after 1 s: every object at its place and colour
#   2d     3D off: the text shows, none of the quads
#   input  3D on, with the pointer clicking the toggle, then resting on the
#          button and pressing and releasing it: the reports in the log, the
#          toggle's on cell and the button's hover cell in the frame
set -u
game=$1 probe=$2 mode=$3
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-kinds-frame.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/config/registry/SOFTWARE/KivoGame"
if [ "$mode" != 2d ]; then
  # The 3D choice a first run stores; start-up then runs the capability test.
  printf '# registry values: name, type, bytes in hex\nIs3D\t4\t01000000\n' \
    > "$work/home/config/registry/SOFTWARE/KivoGame/values.reg"
fi
if [ "$mode" = input ]; then
  printf '%s\n' '300 move 360 220' '350 click left' '500 move 170 205' '600 down left' '700 up left' \
    '1000 close' > "$work/script.txt"
else
  printf '1000 close\n' > "$work/script.txt"
fi
GAME_HOME="$work/home" GAME_LOG="$work/game.log" GAME_BACKEND=headless GAME_SCENE=mnKinds \
  GAME_FRAME_OUT="$work/kinds.png" GAME_INPUT_SCRIPT="$work/script.txt" timeout 300 "$game" >/dev/null 2>&1
echo "exit $?"
grep -E 'MessageBox|scene viewer: (OnButtonClick|OnToggle|scene)' "$work/game.log"
backdrop=808080
case $mode in
  3d)
    "$probe" "$work/kinds.png" --size 800x600 \
      790,590=$backdrop 100,70=C03020 232,72=A020A0 \
      432,72=20C0C0 496,72=E08020 \
      644,104=6040E0 584,44=$backdrop \
      72,232=40E080 170,205=304080 360,220=802020 \
      420,200,740,320~1830A0:40 780,300=$backdrop \
      153,415=302010 300,414=604020 300,450=F0E0C0 136,513=D06010
    ;;
  2d)
    "$probe" "$work/kinds.png" --size 800x600 \
      420,200,740,320~1830A0:40 100,70!=C03020 232,72!=A020A0 170,205!=304080 300,450!=F0E0C0
    ;;
  input)
    "$probe" "$work/kinds.png" --size 800x600 360,220=20A020 170,205=4070D0
    ;;
esac
