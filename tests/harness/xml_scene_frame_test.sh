#!/bin/sh
# xml_scene_frame_test.sh GAME FRAME_PROBE MODE: runs the game
# headless with 3D on, the sample database scene "mnEngineDemo" and the
# sample XML scene over it, and probes the saved 800 x 600 frames.
#   moments  four runs closed at 0.3, 1, 1.5 and 3 s: the strip fading in
#            (blended with the backdrop), whole, fading out, gone; the
#            "blinker" sprite at its database place, then where its entity
#            carried it; the "title" sprite drifting with its group. The
#            log of the 3 s run shows the bindings and listener codes.
#   replay   a 3 s run recorded with -record, then played with -play: the
#            scene lines of both logs are the same, the two final frames
#            are the same bytes, and they pass the 3 s checks.
set -u
game=$1 probe=$2 mode=$3
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-xml-scene-frame.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
backdrop=28456D   # the backdrop at the strip's left edge
border=F0D25A     # the strip picture's frame
green=3CDC50      # the blinker's cell

# run NAME CLOSE_MS [OPTIONS...]: one headless run in $work/NAME.
run() {
  name=$1 close=$2
  shift 2
  dir="$work/$name"
  mkdir -p "$dir/home/config/registry/SOFTWARE/KivoGame"
  # The 3D choice a first run stores; start-up then runs the capability test.
  printf '# registry values: name, type, bytes in hex\nIs3D\t4\t01000000\n' \
    > "$dir/home/config/registry/SOFTWARE/KivoGame/values.reg"
  script=/dev/null
  if [ -n "$close" ]; then
    printf '%s close\n' "$close" > "$dir/script.txt"
    script="$dir/script.txt"
  fi
  GAME_HOME="$dir/home" GAME_LOG="$dir/game.log" GAME_BACKEND=headless GAME_SCENE=mnEngineDemo \
    GAME_XML_SCENE=data/scenes/engine_demo.xml GAME_FRAME_OUT="$dir/frame.png" GAME_INPUT_SCRIPT="$script" \
    timeout 300 "$game" "$@" >/dev/null 2>&1
  echo "$name exit $?"
}

scene_lines() { grep -E 'MessageBox|scene viewer: |xml scene: ' "$1"; }

# The state at 3 s: the strip is gone, the blinker stands where its clip
# ended (172, 412), and the title has drifted right.
probe_at_3s() {
  "$probe" "$1" --size 800x600 101,300=$backdrop 101,300!=$border \
    172,412=$green 72,512!=$green 608,84=141414 616,84!=141414
}

case $mode in
  moments)
    run fadein 300
    run whole 1000
    run fadeout 1500
    run late 3000
    scene_lines "$work/late/game.log"
    # Fading in: the frame blends with the backdrop; the blinker still waits
    # at its database place.
    "$probe" "$work/fadein/frame.png" --size 800x600 101,300!=$border 101,300!=$backdrop 72,512=$green
    # Whole: both ends of the frame opaque; the blinker has hopped away.
    "$probe" "$work/whole/frame.png" 101,300=$border 778,300=$border 72,512!=$green 616,84=141414
    "$probe" "$work/fadeout/frame.png" 101,300!=$border 101,300!=$backdrop
    probe_at_3s "$work/late/frame.png"
    ;;
  replay)
    run recorded 3000 -record "-demofile=$work/scene.dmo"
    run played "" -play "-demofile=$work/scene.dmo"
    scene_lines "$work/recorded/game.log" > "$work/recorded.lines"
    scene_lines "$work/played/game.log" > "$work/played.lines"
    if cmp -s "$work/recorded.lines" "$work/played.lines"; then
      echo "same scene lines: $(wc -l < "$work/recorded.lines")"
    else
      echo "FAIL the played log differs:"
      diff "$work/recorded.lines" "$work/played.lines"
    fi
    if cmp -s "$work/recorded/frame.png" "$work/played/frame.png"; then
      echo "same frame"
    else
      echo "FAIL the played frame differs"
    fi
    probe_at_3s "$work/recorded/frame.png"
    ;;
esac
