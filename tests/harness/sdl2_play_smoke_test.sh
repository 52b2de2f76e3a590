#!/bin/sh
# sdl2_play_smoke_test.sh GAME SEEDED_PROFILE: the game on the sdl2
# backend in a real window under xvfb-run, driven by a demo. A short run
# from the splash through the loading screen and the main menu's btnStart to
# the map is recorded headless, then played with -play on the sdl2 backend
# from a fresh copy of the same home folder. Without an audio device the
# sdl2 backend mixes sound to memory, so the machine needs none.
# The run stops at the map: past it, kinds drawing from rand() replay
# exactly only on the headless backend.
# Prints both exit codes, the played run's screen lines and whether they are
# the recorded run's. Without xvfb-run it says it skipped.
set -u
game=$1 seeded=$2
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-sdl2-play-smoke.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
profile_dir=home/data/Korvandel/Mirrowen
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "skipped: the sdl2 smoke test needs xvfb-run"
  exit 0
fi
# The sample layout: empty ground at 400,300 on the loading screen, btnStart
# at 400,220 on the main menu; the map is screen 4.
cat > "$work/to_map.txt" <<'SCRIPT'
0 await loading: "click" shown
600 move 400 300
650 click left
700 await screen 2 focused
1000 move 400 220
1050 click left
1100 await screen 4 focused
2500 close
SCRIPT
# A home folder with the seeded player, who has chosen a difficulty (record
# byte 56, file offset 104), so btnStart goes straight to the map.
seed() {
  mkdir -p "$work/$1/$profile_dir"
  cp "$seeded" "$work/$1/$profile_dir/profile.dat"
  printf '\001' | dd of="$work/$1/$profile_dir/profile.dat" bs=1 seek=104 conv=notrunc 2>/dev/null
}
seed record
GAME_HOME="$work/record/home" GAME_LOG="$work/record/game.log" GAME_BACKEND=headless \
  GAME_INPUT_SCRIPT="$work/to_map.txt" timeout 300 "$game" -record -demofile="$work/to_map.dmo" >/dev/null 2>&1
echo "headless record exit $?"
seed play
# The timeout runs inside xvfb-run so that a hung game still lets it take
# its X server down.
GAME_HOME="$work/play/home" GAME_LOG="$work/play/game.log" GAME_BACKEND=sdl2 \
  xvfb-run -a -s '-screen 0 1024x768x24' timeout 300 "$game" -play -demofile="$work/to_map.dmo" \
  >"$work/play/output.txt" 2>&1
echo "sdl2 play exit $?"
grep -E '^screens: |MessageBox' "$work/play/game.log"
grep -E '^screens: ' "$work/record/game.log" > "$work/record/screens.txt"
grep -E '^screens: ' "$work/play/game.log" > "$work/play/screens.txt"
if cmp -s "$work/record/screens.txt" "$work/play/screens.txt"; then
  echo "screens as recorded"
else
  echo "FAIL the played screens differ from the recorded ones"
fi
