#!/usr/bin/env bash
# Builds the ui and engine tests with ThreadSanitizer in a tree of their own
# (build/tsan) and runs the tests that share data between threads: several
# threads drawing from shared glyph images (tests/ui/glyph_threads_test.cpp)
# and the loading thread preloading the image table while the main thread
# asks it for images (tests/engine/image_table_test.cpp); and the game's
# opening, headless on the sample data, whose loading thread loads the
# "Game" group, preloads images, fills the particle pools and publishes its
# progress while the main thread draws the splash and loading screens and
# takes the click to the main menu. The ordinary suite runs the same under
# AddressSanitizer, which cannot see data races.
# Usage: tests/tsan/run_thread_tests.sh [jobs]
# Exits 0 with "skipped" when the compiler or this machine cannot run
# ThreadSanitizer programs; non-zero when a test fails or a race is found.
set -euo pipefail
cd "$(dirname "$0")/../.."
jobs=${1:-$(nproc)}

probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'int main() { return 0; }' >"$probe/probe.cpp"
if ! c++ -fsanitize=thread "$probe/probe.cpp" -o "$probe/probe" 2>/dev/null || ! "$probe/probe" 2>/dev/null; then
  echo "thread sanitizer tests skipped: ThreadSanitizer programs cannot be built or run here"
  exit 0
fi

# Line tables only: the reports need file and line, nothing more.
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DKIVO_SANITIZE=OFF -DKIVO_PCH=ON \
  -DCMAKE_CXX_FLAGS_DEBUG="-g1" -DCMAKE_C_FLAGS_DEBUG="-g1" \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -O1" -DCMAKE_C_FLAGS="-fsanitize=thread -O1" \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build/tsan -j"$jobs" --target thread_tests game >/dev/null
TSAN_OPTIONS=halt_on_error=1:abort_on_error=0 build/tsan/thread_tests \
  --gtest_filter='GlyphThreads.*:ImageTableTest.PreloadAndMainThreadRequestsShareTheTable' --gtest_brief=1

# The opening: a click once "click" shows, the close once the main menu is
# in; the run must end normally with the loading finished.
run=$(mktemp -d)
trap 'rm -rf "$probe" "$run"' EXIT
printf '%s\n' '0 await loading: "click" shown' '600 move 40 560' '650 click left' \
  '1300 await fade in ended, screen 2 focused' '1400 close' >"$run/script.txt"
status=0
TSAN_OPTIONS=halt_on_error=1:abort_on_error=0:exitcode=66 GAME_HOME="$run/home" GAME_LOG="$run/game.log" \
  GAME_BACKEND=headless GAME_INPUT_SCRIPT="$run/script.txt" timeout 600 build/tsan/game/game \
  >"$run/output.txt" 2>&1 || status=$?
if [ "$status" -ne 0 ] || ! grep -q '^game: load state 1$' "$run/game.log" ||
  ! grep -q '^screens: fade in ended, screen 2 focused$' "$run/game.log"; then
  echo "the game's opening under ThreadSanitizer failed (exit $status):"
  grep -A40 'WARNING: ThreadSanitizer' "$run/output.txt" | head -80 || tail -20 "$run/output.txt"
  exit 1
fi
echo "the game's opening ran clean: loading thread and main thread"
echo "thread sanitizer tests passed"
