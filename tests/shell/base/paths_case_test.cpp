// The folder calls find names whatever their case, as the game data expects.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "shell/base/Paths.h"

namespace {

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(PathsCase, FolderCallsFallBackToAnyCase) {
  char pattern[] = "/tmp/kivo-paths-case-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  std::string root = pattern;
  ASSERT_EQ(::mkdir((root + "/Data").c_str(), 0777), 0);
  ASSERT_EQ(::mkdir((root + "/Data/Sub").c_str(), 0777), 0);
  std::ofstream(root + "/Data/Sub/Demo1.DMO") << "x";

  EXPECT_GT(Kivo::FileModifiedTime(root + "\\data\\sub\\demo1.dmo"), 0);
  EXPECT_GT(Kivo::FileModifiedTime(root + "/DATA/SUB/demo*.dmo"), 0);

  Kivo::MakeFolders(root + "\\DATA\\sub\\New");
  EXPECT_TRUE(IsFolder(root + "/Data/Sub/New")) << "existing folders are reused, not doubled in another case";
  EXPECT_FALSE(IsFolder(root + "/DATA"));

  EXPECT_TRUE(Kivo::RemoveTree(root + "/data/SUB"));
  EXPECT_FALSE(IsFolder(root + "/Data/Sub"));
  EXPECT_TRUE(Kivo::RemoveTree(root));
}

}  // namespace
