// Prints the global objects' build and teardown order and what main() sees
// of the shell's globals. Argument "exit" leaves through exit() instead of
// returning from main.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "rank_logger.h"
#include "shell/base/Color.h"
#include "shell/base/Paths.h"
#include "shell/base/TwisterRandom.h"

KIVO_GLOBAL_RANK(40) RankLogger gMainRank40("40");
KIVO_GLOBAL_RANK(5) RankLogger gMainRank5("5");

static void UseLocalStatic() { static RankLogger local("local"); }

int main(int argc, char** argv) {
  const Kivo::Color white = Kivo::Color::White;
  const bool folderEmpty = Kivo::gUserDataFolder.empty();
  const uint32_t firstDraw = Kivo::gRandom.Next();
  char line[160];
  std::snprintf(line, sizeof line, "white %d %d %d %d folder-empty %d random %u", white.red, white.green, white.blue,
                white.alpha, folderEmpty ? 1 : 0, firstDraw);
  RankLogger::Log("", line);
  UseLocalStatic();
  RankLogger::Log("", "main");
  if (argc > 1 && std::strcmp(argv[1], "exit") == 0) std::exit(0);
  return 0;
}
