#!/usr/bin/env bash
# The layer check on a scratch copy of the sources: clean as the tree is, then
# failing, with the file named, once a low layer includes a header from above.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/tools"
cp "$top/tools/check-layers" "$scratch/tools/"
for folder in platform shell resources image display ui audio engine frontend levels diagnostics; do
  [ -d "$top/$folder" ] && cp -r "$top/$folder" "$scratch/"
done

"$scratch/tools/check-layers" >/dev/null || { echo "FAIL: the unchanged copy does not pass"; exit 1; }

check_fails() {  # file, include line: the copy with that include must fail and name the file
  local file=$1 line=$2 out status=0
  cp "$scratch/$file" "$scratch/$file.orig"
  printf '#include "%s"\n' "$line" >>"$scratch/$file"
  out=$("$scratch/tools/check-layers" 2>&1) || status=$?
  mv "$scratch/$file.orig" "$scratch/$file"
  if [ "$status" -ne 1 ] || ! grep -q "^$file:" <<<"$out"; then
    echo "FAIL: $file including $line gave status $status:"; echo "$out"; exit 1
  fi
}
# Upward across folders, upward inside a folder, and sideways between layers
# that do not use each other.
check_fails platform/Clock.cpp shell/KivoAppBase.h
check_fails platform/Files.cpp platform/devices/DDraw.h
check_fails shell/base/Buffer.cpp image/Image.h
check_fails audio/SoundCache.cpp ui/Font.h
echo "layer check passes the tree and catches upward includes"
