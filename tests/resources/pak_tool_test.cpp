// The pakpack tool and the writer under it: round trips, reproducible output,
// listings and the names and sizes it refuses.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "pak_test_support.h"
#include "resources/FileApi.h"
#include "resources/PakWriter.h"

namespace {

#ifndef PAKPACK_PATH
#define PAKPACK_PATH ""
#endif

struct RunResult {
  int exitCode = -1;
  std::string output;
};

RunResult RunTool(const std::string& args) {
  RunResult result;
  std::string command = std::string(PAKPACK_PATH) + " " + args + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  char chunk[256];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) result.output.append(chunk, n);
  int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

class paktool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(PAKPACK_PATH).empty()) GTEST_SKIP() << "pakpack was not built";
  }
  paktest::TempFolder temp;
};

TEST_F(paktool, PacksATreeThatReadsBackByteEqual) {
  std::map<std::string, std::string> files;
  std::string allBytes;
  for (int i = 0; i < 256; ++i) allBytes += static_cast<char>(i);
  files["Data/Images/Logo.png"] = allBytes;
  files["Data/Images/empty.bin"] = "";
  files["Data/text.txt"] = "line\r\nnext\r\n";
  files["Top.XML"] = "<a/>";
  files["Data/Deep/Er/Still/x.dat"] = std::string(70000, 'z');
  for (const auto& f : files) temp.Write("tree/" + f.first, f.second);
  std::filesystem::create_directories(temp / "tree/EmptyFolder");

  std::string pak = temp / "out/tool-roundtrip.pak";
  std::filesystem::create_directories(temp / "out");
  RunResult packed = RunTool("--time 1000000000 " + Quote(pak) + " " + Quote(temp / "tree"));
  ASSERT_EQ(packed.exitCode, 0) << packed.output;

  ASSERT_TRUE(Kivo::gPakInterface->MountArchive(pak));
  for (const auto& f : files) {
    Kivo::PakFile* file = Kivo::PakOpen(f.first, "rb");
    ASSERT_NE(file, nullptr) << f.first;
    EXPECT_NE(file->record, nullptr) << f.first;
    std::string back;
    char chunk[4096];
    std::size_t n;
    while ((n = Kivo::PakRead(chunk, 1, sizeof chunk, file)) > 0) back.append(chunk, n);
    EXPECT_EQ(back, f.second) << f.first;
    Kivo::PakClose(file);
  }
  // No temporary file is left beside the archive.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp / "out"), std::filesystem::directory_iterator()), 1);
}

TEST_F(paktool, OutputIsSortedScrambledAndReproducible) {
  temp.Write("tree/b.txt", "B");
  temp.Write("tree/A/z.txt", "Z");
  temp.Write("tree/a.TXT", "a");
  std::string first = temp / "first.pak", second = temp / "second.pak";
  ASSERT_EQ(RunTool("--time 1000000000 " + Quote(first) + " " + Quote(temp / "tree")).exitCode, 0);
  ASSERT_EQ(RunTool("--time 1000000000 " + Quote(second) + " " + Quote(temp / "tree")).exitCode, 0);
  std::string bytes = paktest::ReadFile(first);
  EXPECT_EQ(bytes, paktest::ReadFile(second));
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x5E\xD4\x5E\x24\x9E\x9E\x9E\x9E"));

  RunResult listed = RunTool("--list " + Quote(first));
  ASSERT_EQ(listed.exitCode, 0) << listed.output;
  // Sorted by upper-cased name, byte by byte: '.' (0x2E) before '\\' (0x5C).
  EXPECT_EQ(listed.output,
            "a.TXT\t1\t2001-09-09 01:46:40\n"
            "A\\z.txt\t1\t2001-09-09 01:46:40\n"
            "b.txt\t1\t2001-09-09 01:46:40\n");
}

TEST_F(paktool, AnArchiveInsideThePackedFolderIsNotPackedAgain) {
  temp.Write("tree/a.txt", "a");
  std::string pak = temp / "tree/self.pak";
  ASSERT_EQ(RunTool(Quote(pak) + " " + Quote(temp / "tree")).exitCode, 0);
  ASSERT_EQ(RunTool(Quote(pak) + " " + Quote(temp / "tree")).exitCode, 0);
  RunResult listed = RunTool("--list " + Quote(pak));
  EXPECT_EQ(listed.output.find("self.pak"), std::string::npos) << listed.output;
  EXPECT_NE(listed.output.find("a.txt"), std::string::npos) << listed.output;
}

TEST_F(paktool, TimesComeFromTheFilesModificationTime) {
  std::string path = temp.Write("tree/stamped.txt", "s");
  struct timespec times[2] = {{1234567890, 500}, {1234567890, 500}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  std::string pak = temp / "t.pak";
  ASSERT_EQ(RunTool(Quote(pak) + " " + Quote(temp / "tree")).exitCode, 0);
  std::vector<Kivo::PakListEntry> entries;
  std::vector<std::string> warnings;
  std::string error;
  ASSERT_TRUE(Kivo::ListPakFile(pak, entries, warnings, error)) << error;
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].fileTime, (1234567890ull + 11644473600ull) * 10000000ull + 5);
  EXPECT_EQ(RunTool("--list " + Quote(pak)).output, "stamped.txt\t1\t2009-02-13 23:31:30\n");
}

TEST_F(paktool, ListingReadsTheDirectoryNotTheData) {
  temp.Write("tree/a.txt", "a");
  std::string pak = temp / "big.pak";
  ASSERT_EQ(RunTool(Quote(pak) + " " + Quote(temp / "tree")).exitCode, 0);
  // 64 GiB of data behind the directory, in a sparse file: far more than
  // the machine could hold in memory.
  ASSERT_EQ(::truncate(pak.c_str(), 64ll << 30), 0);
  std::vector<Kivo::PakListEntry> entries;
  std::vector<std::string> warnings;
  std::string error;
  ASSERT_TRUE(Kivo::ListPakFile(pak, entries, warnings, error)) << error;
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "a.txt");
  EXPECT_TRUE(warnings.empty());
}

TEST_F(paktool, RefusedTreesLeaveTheOldArchiveWhole) {
  std::string pak = temp / "keep.pak";
  temp.Write("good/x.txt", "x");
  ASSERT_EQ(RunTool(Quote(pak) + " " + Quote(temp / "good")).exitCode, 0);
  const std::string before = paktest::ReadFile(pak);

  temp.Write("case/Readme.txt", "1");
  temp.Write("case/README.TXT", "2");
  RunResult clash = RunTool(Quote(pak) + " " + Quote(temp / "case"));
  EXPECT_EQ(clash.exitCode, 1);
  EXPECT_NE(clash.output.find("differ only in letter case"), std::string::npos) << clash.output;

  temp.Write("long/" + std::string(200, 'd') + "/" + std::string(60, 'f'), "x");
  RunResult longName = RunTool(Quote(pak) + " " + Quote(temp / "long"));
  EXPECT_EQ(longName.exitCode, 1);
  EXPECT_NE(longName.output.find("longer than 255"), std::string::npos) << longName.output;

  // A sparse file of 2^31 bytes: refused from its size, without reading it.
  std::filesystem::create_directories(temp / "big");
  int fd = ::open((temp / "big/huge.bin").c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, 0x80000000LL), 0);
  ::close(fd);
  RunResult big = RunTool(Quote(pak) + " " + Quote(temp / "big"));
  EXPECT_EQ(big.exitCode, 1);
  EXPECT_NE(big.output.find("too large"), std::string::npos) << big.output;

  EXPECT_EQ(RunTool(Quote(pak) + " " + Quote(temp / "no-such-folder")).exitCode, 1);
  EXPECT_EQ(RunTool(Quote(pak)).exitCode, 2);
  EXPECT_EQ(RunTool("--list " + Quote(temp / "good/x.txt")).exitCode, 1);
  EXPECT_EQ(paktest::ReadFile(pak), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), std::filesystem::directory_iterator()),
            5);  // keep.pak and the four source folders: no temporary file left
}

TEST_F(paktool, ListingAnUnreadableOrCutArchiveFailsWithOneLine) {
  temp.Write("tree/a.txt", "first");
  temp.Write("tree/b.txt", "second file");
  std::string pak = temp / "cut.pak";
  ASSERT_EQ(RunTool(Quote(pak) + " " + Quote(temp / "tree")).exitCode, 0);
  for (const std::string& unreadable : {temp / "tree", temp / "no-such.pak"}) {
    RunResult listed = RunTool("--list " + Quote(unreadable));
    EXPECT_EQ(listed.exitCode, 1) << unreadable;
    EXPECT_EQ(std::count(listed.output.begin(), listed.output.end(), '\n'), 1) << listed.output;
    EXPECT_EQ(listed.output.rfind("pakpack: ", 0), 0u) << listed.output;
  }
  // The last record's data is cut short: the whole records are still
  // listed, but the run reports that the listing is incomplete.
  std::filesystem::resize_file(pak, std::filesystem::file_size(pak) - 3);
  RunResult cut = RunTool("--list " + Quote(pak));
  EXPECT_EQ(cut.exitCode, 1);
  EXPECT_NE(cut.output.find("a.txt\t5\t"), std::string::npos) << cut.output;
  EXPECT_NE(cut.output.find("record \"b.txt\" left out"), std::string::npos) << cut.output;
}

TEST_F(paktool, WriterRefusesNamesThatLeaveTheirFolder) {
  struct Case {
    const char* name;
    const char* message;
  };
  const Case cases[] = {
      {"..\\x", "absolute or contains"}, {"a/../../x", "absolute or contains"}, {"\\abs", "absolute or contains"},
      {"/abs", "absolute or contains"},  {"c:x", "absolute or contains"},       {"", "absolute or contains"},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> image;
    std::string error;
    EXPECT_FALSE(Kivo::BuildPakImage({{c.name, {}, 0}}, image, error)) << c.name;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
  }
  std::vector<std::uint8_t> image;
  std::string error;
  EXPECT_FALSE(Kivo::BuildPakImage({{std::string(256, 'n'), {}, 0}}, image, error));
  EXPECT_TRUE(Kivo::BuildPakImage({{std::string(255, 'n'), {}, 0}}, image, error)) << error;
  // Stored with '\' whatever the writer was given.
  ASSERT_TRUE(Kivo::BuildPakImage({{"dir/file", {'q'}, 0}}, image, error)) << error;
  Kivo::PakInterface pak;
  paktest::Prepare(pak);
  ASSERT_TRUE(paktest::Mount(pak, "w.pak", image));
  EXPECT_EQ(pak.Directory().at("DIR\\FILE").name, "dir\\file");
}

}  // namespace
