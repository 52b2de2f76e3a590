#!/bin/sh
# Runs the game headless with the developer keys' script and checks that it
# left a screenshot and a dump, in the per-user data folder (company, then
# game name, under GAME_HOME's data root), whose page links only files that
# exist.
set -eu
game=$1
script=$2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
dir=$home/data/Kivo/KivoGame
GAME_BACKEND=headless GAME_HOME="$home" GAME_INPUT_SCRIPT="$script" timeout 120 "$game" >/dev/null 2>&1
test -s "$dir/_screenshots/image1.png" || { echo "no screenshot"; exit 1; }
page="$dir/_dump/imagelist.html"
test -s "$page" || { echo "no dump page"; exit 1; }
rows=$(grep -o '<TR>' "$page" | wc -l)
test "$rows" -gt 0 || { echo "no images listed"; exit 1; }
for name in $(grep -o '\(HREF\|SRC\)=[^ >]*' "$page" | cut -d= -f2); do
  test -s "$dir/_dump/$name" || { echo "the page links $name, which is missing"; exit 1; }
done
echo "screenshot and dump of $rows images"
