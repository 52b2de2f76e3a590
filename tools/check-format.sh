#!/usr/bin/env bash
# Lists the C++ files of the repository that clang-format (with the project's
# .clang-format) would change, and exits 1 when there is any. With --fix it
# rewrites them instead. Files under tests/fuzz/corpus and regressions are
# data, not code, and are never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 2; }
fix=0
[ "${1:-}" = "--fix" ] && fix=1
changed=0
while IFS= read -r -d '' file; do
  case "$file" in tests/fuzz/corpus/*|tests/fuzz/regressions/*) continue ;; esac
  if [ $fix -eq 1 ]; then
    clang-format -i --style=file "$file"
  elif ! clang-format --style=file "$file" | cmp -s - "$file"; then
    echo "$file"
    changed=1
  fi
done < <(git ls-files -z -- '*.cpp' '*.h' '*.cc' '*.hpp')
if [ $changed -eq 1 ]; then
  echo "check-format: the files above differ from the house style (tools/check-format.sh --fix rewrites them)" >&2
  exit 1
fi
