// A save killed at any moment leaves profile.dat whole: either the store
// saved before or the one being saved, never a mix or a cut file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "frontend/Profiles.h"

namespace Kivo {
namespace {

// About 200 records; `variant` changes every record's numbers, so the two
// stores differ in every record and a mix of them would show.
void FillStore(Profiles& store, int variant) {
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(store.Create(L"player " + std::to_wstring(i), variant == 1, variant == 0));
    Profile& profile = store.current();
    profile.stage = (i + variant * 7) % 40;
    profile.level = variant * 3;
    profile.musicVolume = variant == 0 ? 0.25f : 0.75f;
    for (int stage = 0; stage < kStageCount; ++stage) profile.bestLevel[stage] = (stage + variant) % 4;
  }
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

TEST(ProfileKillTest, KilledSavesLeaveOneOfTheTwoFiles) {
  char pattern[] = "/tmp/profile_kill_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string root = pattern;
  std::string path = root + "/Korvandel/Mirrowen/profile.dat";

  Profiles first(path);
  Profiles second(path);
  FillStore(first, 0);
  FillStore(second, 1);
  const std::string images[2] = {first.Serialize(), second.Serialize()};
  ASSERT_NE(images[0], images[1]);
  ASSERT_TRUE(first.Save());

  std::mt19937 random(31);
  std::uniform_int_distribution<int> delayUs(0, 30000);
  for (int round = 0; round < 40; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) {
        if (!(i % 2 == 0 ? second : first).Save()) _exit(3);
      }
    }
    usleep(delayUs(random));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child stopped on its own, status " << status;

    std::string bytes = ReadAll(path);
    ASSERT_TRUE(bytes == images[0] || bytes == images[1]) << "round " << round << ": " << bytes.size() << " bytes";
    Profiles loaded(path);
    ASSERT_TRUE(loaded.Load());
    EXPECT_EQ(loaded.count(), 200u);
  }
  // The next save cleans what the last killed one left.
  ASSERT_TRUE(first.Save());
  EXPECT_EQ(std::system(("test $(ls '" + root + "/Korvandel/Mirrowen' | wc -l) = 1").c_str()), 0);
  std::system(("rm -rf '" + root + "'").c_str());
}

}  // namespace
}  // namespace Kivo
