#!/bin/sh
# plan_cut_short_test.sh GAME: planned runs that cannot be done,
# headless, each from an empty home folder.
#   stall    a new player whose plan first chooses stage 40 on the map,
#            which is not open to them: the driver finds it cannot choose
#            it and gives up on the step.
#   refused  a plan that does not parse: the driver never plays, and the
#            run ends by the idle close.
# Prints each run's exit code and its "autoplay: plan not done" lines.
set -u
game=$1
# Every run works in a temporary folder of its own, so two runs on one build
# tree never meet; it goes when the script ends.
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-plan-cut-short.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
printf 'name Cut\ndifficulty easy\nchoose 40 4\nwin Level_40_4\n' > "$work/stall.plan"
printf 'name Cut\ndifficulty medium\nwin Level_1_1\n' > "$work/refused.plan"
for run in stall refused; do
  mkdir -p "$work/$run/home"
  GAME_HOME="$work/$run/home" GAME_LOG="$work/$run/game.log" GAME_BACKEND=headless \
    GAME_AUTOPLAY="$work/$run/autoplay.txt" GAME_AUTOPLAY_PLAN="$work/$run.plan" \
    timeout 900 "$game" >/dev/null 2>&1
  echo "$run exit $?"
  grep '^autoplay: plan not done' "$work/$run/game.log"
done
