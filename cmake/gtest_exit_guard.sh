#!/bin/sh
# Runs a GoogleTest binary and fails the run when it ends before GoogleTest's
# own end-of-run report, even with exit code 0 (code under test that calls
# exit() would otherwise pass silently). GoogleTest creates the file named by
# TEST_PREMATURE_EXIT_FILE when it starts running and removes it when
# RUN_ALL_TESTS returns, so a file left behind means the run was cut short.
# Usage: gtest_exit_guard.sh <test binary> [arguments...]
marker_dir=$(mktemp -d "${TMPDIR:-/tmp}/gtest_exit_guard.XXXXXX") || exit 1
TEST_PREMATURE_EXIT_FILE="$marker_dir/premature_exit"
export TEST_PREMATURE_EXIT_FILE
"$@"
status=$?
if [ $status -eq 0 ] && [ -e "$TEST_PREMATURE_EXIT_FILE" ]; then
  echo "gtest_exit_guard: $1 ended before GoogleTest's end-of-run report (exit code 0); counted as a failure" >&2
  status=1
fi
rm -rf "$marker_dir"
exit $status
