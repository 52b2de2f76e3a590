#!/bin/sh
# private_run.sh [-C FOLDER] COMMAND [ARGUMENT...]: runs COMMAND with a
# temporary folder of its own, removed when it ends, so that two test runs
# on one build tree, or a game the user runs beside them, never meet:
#   - the working folder is that temporary folder (or FOLDER, for a command
#     that reads its input by relative names), so relative outputs are
#     private;
#   - HOME, and with it the per-user settings, data and caches, is a fresh
#     folder inside it, and the runtime folder that holds the single-instance
#     locks is another;
#   - TMPDIR points inside it, so whatever the command makes with mktemp goes
#     with it.
# The folder's path is in TEST_FOLDER. Exits with the command's status.
set -u
cd_to=
if [ "${1:-}" = -C ]; then
  cd_to=$2
  shift 2
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-test.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run" "$work/tmp" && chmod 700 "$work/run" || exit 1
export TEST_FOLDER="$work" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" TMPDIR="$work/tmp"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME GAME_HOME
cd "${cd_to:-$work}" || exit 1
"$@"
status=$?
exit $status
