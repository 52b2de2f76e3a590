#include "platform/Files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string ReadAll(std::FILE* f) {
  std::string out;
  char buf[256];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  return out;
}

std::vector<std::string> FindAll(const std::string& pattern, std::vector<DWORD>* attributes = nullptr) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(pattern.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(data.cFileName);
    if (attributes) attributes->push_back(data.dwFileAttributes);
  } while (FindNextFileA(h, &data));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  FindClose(h);
  return names;
}

class FilesTest : public ::testing::Test {
 protected:
  TempFolder dir;
};

TEST_F(FilesTest, WildcardListingIsCaseInsensitiveAndSkipsOtherExtensions) {
  WriteText(dir / "DEMO3.DMO", "a");
  WriteText(dir / "demo7.dmo", "b");
  WriteText(dir / "demo.txt", "c");
  WriteText(dir / "README", "d");
  EXPECT_EQ(FindAll(dir.path() + "\\demo*.dmo"), (std::vector<std::string>{"DEMO3.DMO", "demo7.dmo"}));

  std::vector<std::string> all = FindAll(dir.path() + "/*.*");
  EXPECT_NE(std::find(all.begin(), all.end(), "README"), all.end()) << "*.* must list a dotless name";
  EXPECT_NE(std::find(all.begin(), all.end(), "."), all.end());

  std::vector<Platform::FileEntry> listed = Platform::ListFiles(dir.path() + "/*.*");
  ASSERT_EQ(listed.size(), 4u) << "the convenience listing leaves out . and ..";
  EXPECT_EQ(FindAll(dir.path() + "/nothing*.x"), std::vector<std::string>{});
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FilesTest, FoldersAreFlaggedAndLinksAreNever) {
  ASSERT_TRUE(CreateDirectoryA((dir / "Sub").c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryA((dir / "Sub").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  ASSERT_EQ(::symlink((dir / "Sub").c_str(), (dir / "link").c_str()), 0);
  WriteText(dir / "file.bin", "12345");

  std::vector<Platform::FileEntry> entries = Platform::ListFiles(dir / "*");
  ASSERT_EQ(entries.size(), 3u);
  for (const Platform::FileEntry& e : entries) {
    if (e.name == "Sub") {
      EXPECT_EQ(e.attributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    }
    if (e.name == "link") {
      EXPECT_EQ(e.attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
      EXPECT_EQ(e.attributes & FILE_ATTRIBUTE_REPARSE_POINT, FILE_ATTRIBUTE_REPARSE_POINT);
    }
    if (e.name == "file.bin") {
      EXPECT_EQ(e.size, 5u);
      EXPECT_EQ(e.attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    }
  }
  // Removing through the link must not empty the folder behind it.
  EXPECT_FALSE(RemoveDirectoryA((dir / "link").c_str()));
  EXPECT_TRUE(DeleteFileA((dir / "link").c_str()));
  EXPECT_TRUE(Platform::PathExists(dir / "sub"));
  EXPECT_FALSE(DeleteFileA((dir / "Sub").c_str())) << "a folder is not deleted as a file";
  EXPECT_TRUE(RemoveDirectoryA((dir / "SUB").c_str()));
  EXPECT_FALSE(Platform::PathExists(dir / "Sub"));
}

TEST_F(FilesTest, OpenFollowsWindowsPathRules) {
  ASSERT_TRUE(CreateDirectoryA((dir / "data").c_str(), nullptr));
  WriteText(dir / "data/img.png", "pixels");

  struct Case {
    std::string path;
    bool opens;
  } cases[] = {
      {dir.path() + "/Data\\Img.PNG", true}, {dir.path() + "\\DATA\\\\img.png", true},
      {dir.path() + "/data/img.png", true},  {dir.path() + "/data/img.pn", false},
      {dir.path() + "/data", false},  // a folder is not a file
  };
  for (const Case& c : cases) {
    std::FILE* f = Platform::OpenFile(c.path, "rb");
    EXPECT_EQ(f != nullptr, c.opens) << c.path;
    if (f) {
      EXPECT_EQ(ReadAll(f), "pixels");
      std::fclose(f);
    }
  }

  // Relative paths start at the working folder; a leading '/' is absolute.
  char old[4096];
  ASSERT_NE(::getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  std::FILE* rel = Platform::OpenFile("Data\\Img.PNG", "rb");
  EXPECT_NE(rel, nullptr);
  if (rel) std::fclose(rel);
  EXPECT_EQ(Platform::HostPath("DATA/IMG.PNG"), "data/img.png");
  ASSERT_EQ(::chdir(old), 0);
}

TEST_F(FilesTest, WritingReusesAnExistingSpellingAndCreatesNewNames) {
  WriteText(dir / "Profile.DAT", "old");
  std::FILE* f = Platform::OpenFile(dir / "profile.dat", "w");
  ASSERT_NE(f, nullptr);
  std::fputs("new", f);
  std::fclose(f);
  std::FILE* r = Platform::OpenFile(dir / "Profile.DAT", "rb");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(ReadAll(r), "new");
  std::fclose(r);
  EXPECT_EQ(Platform::ListFiles(dir / "*").size(), 1u) << "no second file differing in case";

  std::FILE* a = Platform::OpenFile(dir / "Log.txt", "a+");
  ASSERT_NE(a, nullptr);
  std::fclose(a);
  EXPECT_TRUE(Platform::PathExists(dir / "LOG.TXT"));
  EXPECT_EQ(Platform::OpenFile(dir / "missing/x.txt", "w"), nullptr);
}

TEST_F(FilesTest, ExactSpellingWinsOverOtherCases) {
  WriteText(dir / "a.txt", "lower");
  WriteText(dir / "A.TXT", "upper");
  std::FILE* f = Platform::OpenFile(dir / "A.TXT", "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(ReadAll(f), "upper");
  std::fclose(f);
  EXPECT_EQ(FindAll(dir / "a.TXT"), std::vector<std::string>{"A.TXT"}) << "a plain name lists one entry";
}

TEST(FilePatterns, WindowsWildcardRules) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  } cases[] = {
      {"demo3.dmo", "demo*.dmo", true},
      {"DEMO3.DMO", "demo*.dmo", true},
      {"demo.txt", "demo*.dmo", false},
      {"README", "*.*", true},
      {"x.tar.gz", "*.gz", true},
      {"abc", "a?c", true},
      {"ac", "a?c", false},
      {"demo", "demo.*", true},
      {"aaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*c", false},
      {"", "*", true},
      {"abc", "", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Platform::MatchesPattern(c.name, c.pattern), c.match) << c.name << " ~ " << c.pattern;
}

TEST_F(FilesTest, WriteTimeIsWindowsFileTime) {
  WriteText(dir / "t.bin", "x");
  std::uint64_t t = Platform::FileWriteTime(dir / "T.BIN");
  std::uint64_t unixSeconds = (t - kFileTimeUnixEpoch) / 10000000ull;
  std::uint64_t now = static_cast<std::uint64_t>(::time(nullptr));
  EXPECT_LE(unixSeconds, now);
  EXPECT_GE(unixSeconds + 60, now);
  EXPECT_EQ(Platform::FileWriteTime(dir / "absent"), 0u);
  EXPECT_EQ(GetFileAttributesA((dir / "absent").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
