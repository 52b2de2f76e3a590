#!/usr/bin/env bash
# Lists the C++ files of the repository that clang-format (with the project's
# .clang-format) would change, and exits 1 when there is any. With --fix it
# rewrites them instead. Files under tests/fuzz/corpus and regressions are
# data, not code, and are never touched. Files are checked in parallel, one
# clang-format per batch of files on every core.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 2; }
fix=0
[ "${1:-}" = "--fix" ] && fix=1
list=$(mktemp)
trap 'rm -f "$list"' EXIT
git ls-files -z -- '*.cpp' '*.h' '*.cc' '*.hpp' |
  grep -z -v -E '^tests/fuzz/(corpus|regressions)/' >"$list" || true
if [ $fix -eq 1 ]; then
  xargs -0 -r -n 40 -P "$(nproc)" clang-format -i --style=file <"$list"
  exit 0
fi
# --dry-run names each file it would change in a "code should be
# clang-formatted" warning; the file names are collected from those.
changed=$(xargs -0 -r -n 40 -P "$(nproc)" clang-format --dry-run --style=file <"$list" 2>&1 |
  sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: \(warning\|error\): code should be clang-formatted.*/\1/p' | sort -u)
if [ -n "$changed" ]; then
  echo "$changed"
  echo "check-format: the files above differ from the house style (tools/check-format.sh --fix rewrites them)" >&2
  exit 1
fi
