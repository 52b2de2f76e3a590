// The harness's path variables name places in the folder the program was
// started from, whatever folder it moves to afterwards.
#include "platform/Environment.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/support/temp_folder.h"

namespace {

TEST(HarnessPaths, RelativeOnesAreAnchoredAtTheStartingFolder) {
  TempFolder start;
  char previous[4096];
  ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(::chdir(start.path().c_str()), 0);
  const char* const relative[] = {"GAME_HOME",       "GAME_LOG",       "GAME_INPUT_SCRIPT", "GAME_FRAME_OUT",
                                  "GAME_FRAME_DUMP", "GAME_AUDIO_OUT", "GAME_AUTOPLAY",     "GAME_AUTOPLAY_PLAN"};
  for (const char* name : relative) ::setenv(name, (std::string("out/") + name).c_str(), 1);
  ::setenv("GAME_XML_SCENE", "data/scenes/x.xml", 1);  // the program's folder is its root
  Platform::AnchorHarnessPaths();
  for (const char* name : relative) EXPECT_EQ(Platform::EnvironmentValue(name), start.path() + "/out/" + name) << name;
  EXPECT_EQ(Platform::EnvironmentValue("GAME_XML_SCENE"), "data/scenes/x.xml");

  ::setenv("GAME_LOG", "/var/log/kivo.log", 1);
  ::unsetenv("GAME_FRAME_OUT");
  Platform::AnchorHarnessPaths();
  EXPECT_EQ(Platform::EnvironmentValue("GAME_LOG"), "/var/log/kivo.log") << "absolute paths stay";
  EXPECT_EQ(std::getenv("GAME_FRAME_OUT"), nullptr) << "an unset variable stays unset";

  for (const char* name : relative) ::unsetenv(name);
  ::unsetenv("GAME_XML_SCENE");
  ASSERT_EQ(::chdir(previous), 0);
}

}  // namespace
