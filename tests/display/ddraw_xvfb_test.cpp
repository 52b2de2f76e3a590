// The test card in a real SDL2 window under Xvfb: the window's pixels, read
// from the X server's framebuffer file, equal the frame the display
// presented, on 8-8-8 and (after the display's own conversion) on 5-6-5.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/wait.h>

#include "tests/support/temp_folder.h"

namespace {

bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string RunShell(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    *status = -1;
    return output;
  }
  char buffer[512];
  while (fgets(buffer, sizeof(buffer), pipe) != nullptr) output += buffer;
  const int raw = pclose(pipe);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

TEST(TestCardUnderXvfb, WindowShowsThePresentedFrame) {
  if (!Have("xvfb-run")) GTEST_SKIP() << "xvfb-run is missing; the SDL2 window test is skipped";
  for (const char* format : {"888", "565"}) {
    SCOPED_TRACE(format);
    TempFolder folder("xvfb-fb");
    const std::string& dir = folder.path();
    int status = 0;
    // Leak checking stays on: the binary carries the suppressions for what
    // the SDL2 session's system libraries (D-Bus) keep past exit.
    const std::string output = RunShell(
        "env -u LSAN_OPTIONS ASAN_OPTIONS=detect_leaks=1 timeout 120 xvfb-run -a -s '-screen 0 1024x768x24 -fbdir " +
            dir + "' '" + std::string(DDTESTCARD_PATH) + "' --backend sdl2 --format " + format + " --expect-fb '" +
            dir + "' 2>&1",
        &status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find(": 0 of 76800 pixels differ"), std::string::npos) << output;
  }
}

}  // namespace
