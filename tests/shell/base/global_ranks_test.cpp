#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> RunProbe(const std::string& mode) {
  std::vector<std::string> lines;
  const std::string command = std::string(KIVO_RANK_PROBE) + " " + mode;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return lines;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe)) {
    std::string line = buffer;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    lines.push_back(line);
  }
  EXPECT_EQ(pclose(pipe), 0);
  return lines;
}

}  // namespace

// Ranked globals in two source files and a static library are built in rank
// order before everything unranked, main() already sees the shell's globals
// at their start values, and teardown runs in reverse after function-local
// statics, whether main returns or calls exit().
TEST(GlobalRanks, BuildInRankOrderAndTearDownInReverse) {
  const std::vector<std::string> expected = {
      "build 5",
      "build 10",
      "build 20",
      "build 40",
      "build 47",
      "build unranked",
      "white 255 255 255 255 folder-empty 1 random 2146374468",
      "build local",
      "main",
      "drop local",
      "drop unranked",
      "drop 47",
      "drop 40",
      "drop 20",
      "drop 10",
      "drop 5",
  };
  for (const char* mode : {"return", "exit"}) {
    EXPECT_EQ(RunProbe(mode), expected) << mode;
  }
}
