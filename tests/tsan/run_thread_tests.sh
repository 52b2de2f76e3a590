#!/usr/bin/env bash
# Builds the ui and engine tests with ThreadSanitizer in a tree of their own
# (build/tsan) and runs the tests that share data between threads: several
# threads drawing from shared glyph images (tests/ui/glyph_threads_test.cpp)
# and the loading thread preloading the image table while the main thread
# asks it for images (tests/engine/image_table_test.cpp). The ordinary suite
# runs the same tests under AddressSanitizer, which cannot see data races.
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

cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DKIVO_SANITIZE=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -O1" -DCMAKE_C_FLAGS="-fsanitize=thread -O1" \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build/tsan -j"$jobs" --target ui_tests engine_tests >/dev/null
TSAN_OPTIONS=halt_on_error=1:abort_on_error=0 build/tsan/ui/ui_tests --gtest_filter='GlyphThreads.*' --gtest_brief=1
TSAN_OPTIONS=halt_on_error=1:abort_on_error=0 build/tsan/engine/engine_tests \
  --gtest_filter='ImageTableTest.PreloadAndMainThreadRequestsShareTheTable' --gtest_brief=1
echo "thread sanitizer tests passed"
