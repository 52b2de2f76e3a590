// The SDL2 backend under a real X server: window placement, cursors, and
// real input from xdotool giving the same records as the headless table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/platform/probe_runner.h"

namespace {

bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// The probe's output split into steps: step name -> record lines ("msg=...").
std::map<std::string, std::vector<std::string>> Steps(const std::string& output) {
  std::map<std::string, std::vector<std::string>> steps;
  std::istringstream in(output);
  std::string line, current = "setup";
  while (std::getline(in, line)) {
    if (line.rfind("step ", 0) == 0)
      current = line.substr(5);
    else if (line == "end")
      current = "end";
    else if (line.rfind("msg=", 0) == 0 && line.rfind("msg=0x0020", 0) != 0)
      steps[current].push_back(line);
  }
  return steps;
}

// True when `wanted` appears in `lines` in this order (other lines may sit between).
bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
  size_t next = 0;
  for (const std::string& l : lines)
    if (next < wanted.size() && l == wanted[next]) ++next;
  return next == wanted.size();
}

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

TEST(Sdl2UnderXvfb, RealInputGivesTheSameRecords) {
  if (!Have("xvfb-run") || !Have("xdotool")) GTEST_SKIP() << "xvfb-run or xdotool is missing; the SDL2 test is skipped";
  ProbeResult run = RunCommand("timeout 120 xvfb-run -a '" + ProbePath() + "' sdl2-input 2>&1");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::string& out = run.output;
  EXPECT_NE(out.find("client 640 480"), std::string::npos) << out;
  EXPECT_NE(out.find("cursor system set"), std::string::npos);
  EXPECT_NE(out.find("cursor mono set"), std::string::npos);
  EXPECT_EQ(out.find("xdotool failed"), std::string::npos) << out;

  auto steps = Steps(out);
  // The window was asked for at (100, 50): the pointer at (110, 70) is client (10, 20).
  EXPECT_TRUE(InOrder(steps["move"], {"msg=0x0200 w=0x0 l=0x0014000A"})) << Join(steps["move"]);
  EXPECT_TRUE(InOrder(steps["click"], {"msg=0x0201 w=0x1 l=0x0014000A", "msg=0x0202 w=0x0 l=0x0014000A"}))
      << Join(steps["click"]);
  EXPECT_TRUE(InOrder(steps["double"], {"msg=0x0201 w=0x1 l=0x0014000A", "msg=0x0202 w=0x0 l=0x0014000A",
                                        "msg=0x0203 w=0x1 l=0x0014000A", "msg=0x0202 w=0x0 l=0x0014000A"}))
      << Join(steps["double"]);
  ASSERT_FALSE(steps["wheel"].empty());
  EXPECT_EQ(steps["wheel"][0].substr(0, 24), "msg=0x020A w=0xFF880000 ") << Join(steps["wheel"]);
  EXPECT_TRUE(InOrder(steps["altenter"], {"msg=0x0104 w=0x12 l=0x20000001", "msg=0x0104 w=0xD l=0x20000001",
                                          "msg=0x0106 w=0xD l=0x20000001"}))
      << Join(steps["altenter"]);
  EXPECT_TRUE(InOrder(steps["a"], {"msg=0x0100 w=0x41 l=0x00000001", "msg=0x0102 w=0x61 l=0x00000001"}))
      << Join(steps["a"]);
  if (steps["eacute"].empty()) {
    // xdotool types a key missing from the server's keymap by remapping a
    // spare key for a moment; the X server under test delivered nothing.
    std::cout << "note: the X server delivered no event for \"\xC3\xA9\"; its record was not checked\n";
  } else {
    EXPECT_TRUE(InOrder(steps["eacute"], {"msg=0x0102 w=0xE9 l=0x00000001"})) << Join(steps["eacute"]);
  }
}

// No display reachable (none named, or one nobody serves): sdl2 asked for
// by name ends with a clear message; left to choose, the backend falls back
// to headless. SDL's own windowless drivers are never taken silently.
TEST(BackendChoice, Sdl2WithoutADisplayFailsOnlyWhenAskedFor) {
  for (const char* display : {"-u DISPLAY", "DISPLAY=:987"}) {
    SCOPED_TRACE(display);
    // env takes its -u options before any assignment.
    const std::string env = std::string("env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u GAME_BACKEND ") + display + " ";
    ProbeResult asked = RunCommand(env + "GAME_BACKEND=sdl2 timeout 60 '" + ProbePath() + "' backend 2>&1");
    EXPECT_EQ(asked.exitCode, 1) << asked.output;
    EXPECT_NE(asked.output.find("GAME_BACKEND=sdl2, but SDL2 could not open a display"), std::string::npos)
        << asked.output;
    ProbeResult chosen = RunCommand(env + "timeout 60 '" + ProbePath() + "' backend 2>&1");
    EXPECT_EQ(chosen.exitCode, 0) << chosen.output;
    EXPECT_NE(chosen.output.find("backend headless"), std::string::npos) << chosen.output;
  }
}

}  // namespace
