#!/bin/sh
# resource_failure_test.sh GAME DATA_FOLDER: runs copies of the game
# on two damaged manifests. Without the group "Loading" the game shows the
# resource error and ends at once, saving nothing; with a "SOUND_" name
# missing from "Game" it shows the error, shuts down in order and saves
# profile.dat.
set -u
game=$1 data=$2
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-resource-failure.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
for case in no_loading no_sound; do
  mkdir -p "$work/$case"
  cp "$game" "$work/$case/game"
  cp -r "$data" "$work/$case/data"
done
sed -i 's/id="Loading"/id="Renamed"/' "$work/no_loading/data/data.xml"
sed -i '/SOUND_APPLAUSE/d' "$work/no_sound/data/data.xml"
for case in no_loading no_sound; do
  GAME_HOME="$work/$case/home" GAME_LOG="$work/$case/game.log" GAME_BACKEND=headless \
    timeout 300 "$work/$case/game" >/dev/null 2>&1
  echo "$case exit $?"
  grep -E 'MessageBox|^profiles: ' "$work/$case/game.log" | sed 's/ thread=[a-z]*//'
  if [ -e "$work/$case/home/data/Korvandel/Mirrowen/profile.dat" ]; then echo "$case saved"; else echo "$case saved nothing"; fi
done
