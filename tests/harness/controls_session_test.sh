#!/bin/sh
# controls_session_test.sh GAME FRAME_PROBE: drives the game
# headless, 3D on the software device, on the sample scene "mnControls" with
# a recorded input
# session (drag the slider, type a Latin and a Cyrillic name with Home,
# Backspace and a refused character, hover, click and wheel the list, click
# and double-click carousel pictures), then plays the recording back. Prints
# the listener calls and the edit's text of the recorded run, and whether
# the played run logged the same lines and left the same last frame, and
# probes that frame: the first slider full with its handle at the end, the
# second empty, the list's selected row on the selector's second column, the
# selected stage picture enlarged in the middle.
set -u
game=$1 probe=$2
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-controls-session.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
cat > "$work/script.txt" <<'SCRIPT'
200 move 250 72
250 down left
300 move 330 72
350 move 450 72
400 up left
450 move 100 72
500 move 200 195
550 click left
600 text Anna
650 key 36
700 text x
750 key 35
800 key 8
850 text .
900 text Ива
950 move 500 95
1000 wheel 2
1050 move 500 70
1100 click left
1150 move 400 380
1200 click left
1250 move 600 380
1300 click left
1800 move 400 380
1850 click left
1860 click left
2300 close
SCRIPT
run() {
  home=$1 log=$2 frame=$3
  shift 3
  mkdir -p "$home/config/registry/SOFTWARE/KivoGame"
  printf '# registry values: name, type, bytes in hex\nIs3D\t4\t01000000\n' \
    > "$home/config/registry/SOFTWARE/KivoGame/values.reg"
  env GAME_HOME="$home" GAME_LOG="$log" GAME_BACKEND=headless GAME_SCENE=mnControls GAME_FRAME_OUT="$frame" \
    "$@" >/dev/null 2>&1
  echo "exit $?"
}
run "$work/rec" "$work/record.log" "$work/record.png" \
  GAME_INPUT_SCRIPT="$work/script.txt" timeout 300 "$game" -record "-demofile=$work/session.dmo"
run "$work/play" "$work/play.log" "$work/play.png" timeout 300 "$game" -play "-demofile=$work/session.dmo"
grep -E 'MessageBox|scene viewer' "$work/record.log" | uniq > "$work/record.lines"
grep -E 'MessageBox|scene viewer' "$work/play.log" | uniq > "$work/play.lines"
cat "$work/record.lines"
if cmp -s "$work/record.lines" "$work/play.lines"; then echo "replay: same log"; else echo "replay: FAIL log differs"; fi
if cmp -s "$work/record.png" "$work/play.png"; then echo "replay: same frame"; else echo "replay: FAIL frame differs"; fi
"$probe" "$work/record.png" --size 800x600 \
  200,72=40B040 400,72=E0E0E0 300,132=303040 100,132=E0E0E0 460,75=8060C0 460,100=202830 \
  400,380=828E90 400,312=7789B7 308,314=8494BE 200,380=538345 200,318=202830
