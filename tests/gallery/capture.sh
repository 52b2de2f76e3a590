#!/bin/sh
# capture.sh BUILD GALLERY JOBS: makes the gallery of BUILD (tools/gallery)
# in a folder of its own beside GALLERY, then puts it in GALLERY's place, so
# that two runs on one build tree never write into the same folder, nor
# into a gallery the other run's checks are reading: the swap holds
# GALLERY.lock exclusively, each check holds it shared. The gallery is put
# in place even when a run failed, for a person to see why. Exits with
# tools/gallery's status.
set -u
build=$1 gallery=$2 jobs=$3
mkdir -p "$(dirname "$gallery")" || exit 1
fresh=$(mktemp -d "$gallery.new.XXXXXX") || exit 1
trap 'rm -rf "$fresh"' EXIT
"$(dirname "$0")/../../tools/gallery" "$build" "$fresh" "$jobs"
status=$?
# Two renames in one folder under the lock; the old gallery goes after.
flock -x "$gallery.lock" sh -c 'old=$(mktemp -d "$1.old.XXXXXX") && { [ ! -e "$1" ] || mv "$1" "$old/"; } && mv "$2" "$1" && rm -rf "$old"' \
  sh "$gallery" "$fresh" || exit 1
exit $status
