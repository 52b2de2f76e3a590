#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "shell/base/Paths.h"

using namespace Kivo;
namespace fs = std::filesystem;

namespace {

// A fresh folder that is also the working folder for the test's duration.
class DiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kivo-paths-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    previous_ = fs::current_path();
    fs::current_path(root_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  static void WriteFile(const fs::path& p, const std::string& text = "data") { std::ofstream(p) << text; }

  fs::path root_;
  fs::path previous_;
};

}  // namespace

TEST(Paths, ResolvePath) {
  struct Case {
    const char* path;
    const char* base;
    const char* expected;
  } cases[] = {
      {"../fonts/a.png", "data/ui", "data/fonts/a.png"},
      {"../fonts/a.png", "data\\ui", "data\\fonts\\a.png"},
      {"./x", "C:\\g", "C:\\g\\x"},
      {"/x", "C:\\g", "C:\\x"},
      {"D:\\y", "C:\\g", "D:\\y"},
      {"C:x/y", "a", "C:x/y"},
      {"../../x", "C:\\a", "C:x"},
      {"../x", "..", "../../x"},
      {"x", "", "x"},
      {"..", "a", "a/.."},
      {"..\\a\\..\\b", "C:\\g\\f", "C:\\g\\a\\..\\b"},
      {"img/x.png", "data/", "data/img/x.png"},
      {"a/b", "base\\", "base\\a\\b"},
      {"../../../x", "a", "../../x"},  // climbing past the base keeps the steps
  };
  for (const auto& c : cases) EXPECT_EQ(ResolvePath(c.path, c.base), c.expected) << c.path << " against " << c.base;
}

TEST(Paths, NameParts) {
  EXPECT_EQ(PathFileName("data\\img\\logo.png", false), "logo.png");
  EXPECT_EQ(PathFileName("data\\img\\logo.png", true), "logo");
  EXPECT_EQ(PathFileName("a.b\\c", true), "c");
  EXPECT_EQ(PathFileName("a.b\\c", false), "c");
  EXPECT_EQ(PathFileName("x.tar.gz", true), "x.tar");
  EXPECT_EQ(PathFileName("plain", true), "plain");
  EXPECT_EQ(PathFolder("a/b\\c.txt", false), "a/b");
  EXPECT_EQ(PathFolder("a/b\\c.txt", true), "a/b\\");
  EXPECT_EQ(PathFolder("c.txt", true), "");
  EXPECT_EQ(StripTrailingSlash("a//"), "a/");
  EXPECT_EQ(StripTrailingSlash(""), "");
  EXPECT_EQ(StripTrailingSlash("a\\"), "a");
  EXPECT_EQ(EnsureTrailingSlash("", true), "");
  EXPECT_EQ(EnsureTrailingSlash("a/", true), "a/");
  EXPECT_EQ(EnsureTrailingSlash("a", true), "a\\");
  EXPECT_EQ(EnsureTrailingSlash("a", false), "a/");
}

TEST(Paths, UserDataFolderFollowsTheSystemVersion) {
  SetSystemVersionForTesting(2, 5);
  EXPECT_FALSE(IsVistaOrLater());
  EXPECT_FALSE(IsWin9x());
  gUserDataFolder.clear();
  SetUserDataFolder("C:\\Data");
  EXPECT_EQ(UserDataFolder(), "");

  SetSystemVersionForTesting(2, 6);
  EXPECT_TRUE(IsVistaOrLater());
  SetUserDataFolder("C:\\Data");
  EXPECT_EQ(UserDataFolder(), "C:\\Data\\");
  SetUserDataFolder("/home/u/");
  EXPECT_EQ(UserDataFolder(), "/home/u/");
  SetUserDataFolder("");
  EXPECT_EQ(UserDataFolder(), "");

  SetSystemVersionForTesting(1, 4);
  EXPECT_TRUE(IsWin9x());
  SetSystemVersionForTesting(2, 6);
}

TEST_F(DiskTest, MakeFoldersAcceptsBothSeparators) {
  MakeFolders("t\\a/b\\");
  EXPECT_TRUE(fs::is_directory("t/a/b"));
  MakeFolders("t/a/b/c");  // existing parts are harmless
  EXPECT_TRUE(fs::is_directory("t/a/b/c"));
  // No drives here: a drive-qualified path makes nothing, neither "C:" nor a
  // folder at the root.
  MakeFolders("C:\\kivo-no-drive\\x");
  EXPECT_FALSE(fs::exists("C:"));
  EXPECT_FALSE(fs::exists("kivo-no-drive"));
  EXPECT_FALSE(fs::exists("/kivo-no-drive"));
}

TEST_F(DiskTest, RemoveTreeRefusesShortNames) {
  fs::create_directory("x");
  WriteFile("x/keep");
  EXPECT_FALSE(RemoveTree("x"));
  EXPECT_TRUE(fs::exists("x/keep"));
  EXPECT_FALSE(RemoveTree(""));
  EXPECT_FALSE(RemoveTree("missing-folder"));
  EXPECT_FALSE(RemoveTree("C:\\x"));
}

TEST_F(DiskTest, RemoveTreeRemovesLinksButNeverFollowsThem) {
  fs::create_directories("outside/deep");
  WriteFile("outside/precious");
  WriteFile("outside/deep/precious2");
  fs::create_directories("tree/sub/subsub");
  WriteFile("tree/file");
  WriteFile("tree/sub/file2");
  fs::create_directory_symlink(root_ / "outside", "tree/sub/link-to-folder");
  fs::create_symlink(root_ / "outside/precious", "tree/link-to-file");
  fs::create_symlink(root_ / "nowhere", "tree/dangling");

  EXPECT_TRUE(RemoveTree("tree\\"));
  EXPECT_FALSE(fs::exists(fs::symlink_status("tree")));
  EXPECT_TRUE(fs::exists("outside/precious"));
  EXPECT_TRUE(fs::exists("outside/deep/precious2"));
}

TEST_F(DiskTest, RemoveTreeDoesNotEnterALinkGivenAsTheFolder) {
  fs::create_directory("outside");
  WriteFile("outside/precious");
  fs::create_directory_symlink(root_ / "outside", "alias");
  EXPECT_FALSE(RemoveTree("alias"));
  EXPECT_FALSE(RemoveTree("alias/"));
  EXPECT_TRUE(fs::exists("outside/precious"));
}

TEST_F(DiskTest, FileModifiedTime) {
  WriteFile("stamped.txt");
  utimbuf times{1000000000, 1000000000};
  ASSERT_EQ(utime("stamped.txt", &times), 0);
  EXPECT_EQ(FileModifiedTime("stamped.txt"), 1000000000);
  EXPECT_EQ(FileModifiedTime((root_ / "stamped.txt").string()), 1000000000);
  EXPECT_EQ(FileModifiedTime("missing.txt"), 0);
  EXPECT_EQ(FileModifiedTime("C:stamped.txt"), 0);

  fs::create_directory("dir");
  WriteFile("dir/b.dat");
  WriteFile("dir/a.dat");
  utimbuf early{500, 500};
  ASSERT_EQ(utime("dir/a.dat", &early), 0);
  EXPECT_EQ(FileModifiedTime("dir\\*.dat"), 500);  // first match by name
  EXPECT_EQ(FileModifiedTime("dir/*.*"), 500);
  EXPECT_EQ(FileModifiedTime("dir/*.png"), 0);

  // Before 1970 the seconds truncate toward zero.
  timespec pre[2] = {{-2, 500000000}, {-2, 500000000}};
  ASSERT_EQ(utimensat(AT_FDCWD, "stamped.txt", pre, 0), 0);
  EXPECT_EQ(FileModifiedTime("stamped.txt"), -1);
}
