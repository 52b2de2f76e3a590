#!/bin/sh
# effects_scene_test.sh GAME FRAME_PROBE: runs the sample effects
# scene ("mnEffects") headless with 3D on the software device, twice:
#   early  closed at 0.8 s: each of the five fixed effects lights the
#          pixels around the point its emitter stands on (the scene draws no
#          backdrop, so the rest is black);
#   late   closed at 6 s, long after every fixed effect's life: the frame is
#          black but for the fountain that restarts in its own system in the
#          lower right corner and the sprite drawn after it, at the end of
#          its move. Its mix goes to a WAV file (GAME_AUDIO_OUT):
#          the ambience the scene loops from its load (a 60 ms sound
#          repeated) sounds in every tenth of a second of the 6 s.
# Prints each run's exit code, the probes and one line on the WAV.
set -u
game=$1 probe=$2
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-effects-scene.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

# run NAME CLOSE_MS [VARIABLE=VALUE...]
run() {
  name=$1 close=$2
  shift 2
  dir="$work/$name"
  mkdir -p "$dir/home/config/registry/SOFTWARE/KivoGame"
  # The 3D choice a first run stores; start-up then runs the capability test.
  printf '# registry values: name, type, bytes in hex\nIs3D\t4\t01000000\n' \
    > "$dir/home/config/registry/SOFTWARE/KivoGame/values.reg"
  printf '%s close\n' "$close" > "$dir/script.txt"
  env GAME_HOME="$dir/home" GAME_LOG="$dir/game.log" GAME_BACKEND=headless GAME_SCENE=mnEffects \
    GAME_FRAME_OUT="$dir/frame.png" GAME_INPUT_SCRIPT="$dir/script.txt" "$@" \
    timeout 300 "$game" >/dev/null 2>&1
  echo "$name exit $?" > "$dir/exit.txt"
}

# The two runs are independent: they run side by side.
run early 800 &
run late 6000 GAME_AUDIO_OUT="$work/late/audio.wav" &
wait
cat "$work/early/exit.txt" "$work/late/exit.txt"

# Around each fixed effect's point (the emitters of the sample scene):
# magicrain (120, 80), magicrain2 (480, 80), magicrain3 (160, 420),
# magicwand (400, 300), platefly (640, 420). The boxes keep clear of the
# mover's trail and the fountain. The wand throws out only two sparks, which
# circle back toward its point.
"$probe" "$work/early/frame.png" --size 800x600 \
  110,70,250,130!~000000:2000 \
  480,85,720,220!~000000:2000 \
  90,425,230,470!~000000:300 \
  330,190,470,300!~000000:300 \
  560,330,720,420!~000000:3000
# Nothing of them is left: black above the fountain and left of it, but
# for the sprite whose animation moved it to (680, 280): drawn after the
# fountain's own system, it shows (a row lower, as 3D quads land).
"$probe" "$work/late/frame.png" --size 800x600 \
  0,0,800,280~000000:224000 \
  0,280,680,321~000000:27880 \
  720,280,800,321~000000:3280 \
  0,321,800,440~000000:95200 \
  680,280,720,321!~000000:1500 \
  0,440,600,600~000000:96000 \
  600,440,800,600!~000000:100

# 16-bit stereo at 44.1 kHz after a 44-byte header: the RMS of each tenth
# of a second.
wav="$work/late/audio.wav"
if [ -s "$wav" ]; then
  od -An -v -td2 -w4 -j 44 "$wav" | awk '
    { w = int((NR - 1) / 4410); sum[w] += $1 * $1 + $2 * $2; frames[w]++ }
    END {
      tenths = 0; quiet = 0
      for (w in frames) {
        if (frames[w] < 4410) continue
        tenths++
        if (sqrt(sum[w] / (2 * frames[w])) < 1000) quiet++
      }
      printf "audio: %d tenths of a second mixed, %d quiet\n", tenths, quiet
    }'
else
  echo "FAIL no audio written to $wav"
fi
