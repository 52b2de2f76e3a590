// Atomic saves: kills at random moments, stale temporary files, and failed
// saves (read-only folder, disk full, failing writes) that must leave the
// previous file whole and nothing beside it.
#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

using Platform::AtomicSaveStep;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  return names;
}

int CountTemporaries(const std::string& folder, const std::string& target) {
  int count = 0;
  for (const std::string& name : FolderEntries(folder))
    if (name.find(target + ".tmp") == 0) ++count;
  return count;
}

class AtomicFile : public ::testing::Test {
 protected:
  std::string Target() const { return folder / "save.dat"; }
  TempFolder folder;
};

TEST_F(AtomicFile, ReplacesTheContentAndLeavesOnlyTheTarget) {
  ASSERT_TRUE(Platform::ReplaceFileContent(Target(), std::string("first, the longer one")));
  EXPECT_EQ(ReadFile(Target()), "first, the longer one");
  Platform::AtomicSaveOptions privateFile;
  privateFile.permissions = 0600;
  ASSERT_TRUE(Platform::ReplaceFileContent(Target(), std::string("second"), privateFile));
  EXPECT_EQ(ReadFile(Target()), "second");
  struct stat st {};
  ASSERT_EQ(::stat(Target().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_TRUE(Platform::ReplaceFileContent(Target(), std::string()));
  EXPECT_EQ(ReadFile(Target()), "");
  EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"save.dat"});

  // Streamed content arrives in order.
  auto fill = [](Platform::AtomicFileWriter& writer) { return writer.Write("ab", 2) && writer.Write("cd"); };
  ASSERT_TRUE(Platform::ReplaceFile(Target(), fill));
  EXPECT_EQ(ReadFile(Target()), "abcd");
}

TEST_F(AtomicFile, RemovesStaleTemporariesOfTheSameTargetOnly) {
  WriteFile(Target(), "old");
  const std::vector<std::string> kept = {"save.dat.tmp-12345", "save.dat.tmp-notes!", "other.dat.tmp-Ab12Cd",
                                         "save.dat.bak", "save.dat.tmp-live01"};
  for (const std::string& name : kept) WriteFile(folder / name, "x");
  WriteFile(folder / "save.dat.tmp-Ab12Cd", "half a save");
  WriteFile(folder / "save.dat.tmp-zzzzzz", "another");
  // A save still being written by someone else holds its lock.
  int live = ::open((folder / "save.dat.tmp-live01").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(live, 0);
  ASSERT_EQ(::flock(live, LOCK_EX), 0);

  ASSERT_TRUE(Platform::ReplaceFileContent(Target(), std::string("new")));
  ::close(live);
  std::vector<std::string> expected = kept;
  expected.push_back("save.dat");
  std::vector<std::string> entries = FolderEntries(folder.path());
  std::sort(entries.begin(), entries.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(entries, expected);
  EXPECT_EQ(ReadFile(Target()), "new");
}

TEST(AtomicFileNames, OnlyTheSaversOwnPatternCounts) {
  struct Case {
    const char* name;
    const char* target;
    bool temporary;
  } cases[] = {
      {"values.reg.tmp-a1B2c3", "values.reg", true},
      {"values.reg.tmp-a1B2c", "values.reg", false},
      {"values.reg.tmp-a1B2c3d", "values.reg", false},
      {"values.reg.tmp-a1B2.3", "values.reg", false},
      {"values.reg.tmp-a1B2c3", "values.re", false},
      {"VALUES.REG.tmp-a1B2c3", "values.reg", false},
      {".tmp-a1B2c3", "", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Platform::IsAtomicSaveTemporaryName(c.name, c.target), c.temporary) << c.name << " / " << c.target;
}

TEST_F(AtomicFile, FailedSavesKeepThePreviousFileAndLeaveNothing) {
  struct Case {
    const char* what;
    std::size_t failAfterBytes;  // the seam fails the write that would pass this many bytes
    int error;
    bool fillGivesUp;
    AtomicSaveStep step;
    int reportedError;
  } cases[] = {
      {"disk full at once", 0, ENOSPC, false, AtomicSaveStep::kWrite, ENOSPC},
      {"disk full part-way", 5000, ENOSPC, false, AtomicSaveStep::kWrite, ENOSPC},
      {"I/O error", 100, EIO, false, AtomicSaveStep::kWrite, EIO},
      {"write that makes no progress", 10, 0, false, AtomicSaveStep::kWrite, EIO},
      {"content writer gives up", SIZE_MAX, 0, true, AtomicSaveStep::kFill, 0},
  };
  const std::string previous = "the previous save\n";
  const std::string next(20000, 'n');
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(Target(), previous);
    std::size_t written = 0;
    Platform::AtomicSaveOptions options;
    options.writeForTests = [&](int fd, const void* data, std::size_t size) -> ssize_t {
      std::size_t chunk = std::min<std::size_t>(size, 1000);  // several writes per save
      if (written + chunk > c.failAfterBytes) {
        if (c.error == 0) return 0;
        errno = c.error;
        return -1;
      }
      ssize_t n = ::write(fd, data, chunk);
      if (n > 0) written += static_cast<std::size_t>(n);
      return n;
    };
    auto fill = [&](Platform::AtomicFileWriter& writer) { return writer.Write(next) && !c.fillGivesUp; };
    Platform::AtomicSaveResult result = Platform::ReplaceFile(Target(), fill, options);
    EXPECT_FALSE(result.ok()) << "a failed save must not report success";
    EXPECT_EQ(result.failedStep, c.step);
    EXPECT_EQ(result.error, c.reportedError) << result.Describe();
    EXPECT_EQ(ReadFile(Target()), previous);
    EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"save.dat"});
  }
}

TEST_F(AtomicFile, ATargetThatCannotBeReplacedFailsAtTheRename) {
  ASSERT_EQ(::mkdir(Target().c_str(), 0755), 0);
  WriteFile(Target() + "/inside", "x");
  Platform::AtomicSaveResult result = Platform::ReplaceFileContent(Target(), std::string("content"));
  EXPECT_EQ(result.failedStep, AtomicSaveStep::kRename);
  EXPECT_NE(result.error, 0);
  EXPECT_EQ(CountTemporaries(folder.path(), "save.dat"), 0);
}

TEST_F(AtomicFile, KeepsThePreviousContentWhenAsked) {
  Platform::AtomicSaveOptions keep;
  keep.keepPreviousAs = Target() + ".bad";
  ASSERT_TRUE(Platform::ReplaceFileContent(Target(), std::string("first"), keep));
  EXPECT_FALSE(std::ifstream(keep.keepPreviousAs).good()) << "nothing to keep before the first save";
  ASSERT_TRUE(Platform::ReplaceFileContent(Target(), std::string("second"), keep));
  ASSERT_TRUE(Platform::ReplaceFileContent(Target(), std::string("third"), keep));
  EXPECT_EQ(ReadFile(Target()), "third");
  EXPECT_EQ(ReadFile(keep.keepPreviousAs), "second");
}

// Exit codes of the child processes below.
constexpr int kChildPassed = 0;
constexpr int kChildCannotSetUp = 77;
constexpr int kChildSaveSucceeded = 10;
constexpr int kChildWrongStep = 11;
constexpr int kChildPreviousDamaged = 12;
constexpr int kChildTemporaryLeft = 13;

TEST_F(AtomicFile, ReadOnlyFolderFailsAtTheTemporaryFile) {
  std::string readOnly = folder / "read-only";
  ASSERT_EQ(::mkdir(readOnly.c_str(), 0755), 0);
  std::string target = readOnly + "/save.dat";
  WriteFile(target, "previous");
  WriteFile(target + ".tmp-stale1", "left by a killed save");
  ASSERT_EQ(::chmod(readOnly.c_str(), 0555), 0);
  ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);

  // The superuser writes anywhere, so the save runs as nobody then.
  int code = RunInChild([&] {
    if (!BecomeUnprivileged()) return kChildCannotSetUp;
    Platform::AtomicSaveResult result = Platform::ReplaceFileContent(target, std::string("new content"));
    if (result.ok()) return kChildSaveSucceeded;
    return result.failedStep == AtomicSaveStep::kCreateTemporary && result.error == EACCES ? kChildPassed
                                                                                           : kChildWrongStep;
  });
  ::chmod(readOnly.c_str(), 0755);
  ASSERT_NE(code, kChildCannotSetUp) << "cannot drop to an unprivileged user";
  EXPECT_EQ(code, kChildPassed);
  EXPECT_EQ(ReadFile(target), "previous");
  EXPECT_EQ(CountTemporaries(readOnly, "save.dat"), 1) << "only the stale file that could not be removed";
}

TEST_F(AtomicFile, FullDiskOnATinyFileSystemKeepsThePreviousFile) {
  std::string mountPoint = folder / "tiny";
  ASSERT_EQ(::mkdir(mountPoint.c_str(), 0755), 0);
  // The mount lives in the child's own mount namespace and goes with it.
  int code = RunInChild([&] {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
      return kChildCannotSetUp;
    std::string target = mountPoint + "/save.dat";
    const std::string previous(8 * 1024, 'p');
    if (!Platform::ReplaceFileContent(target, previous)) return kChildCannotSetUp;
    Platform::AtomicSaveResult result = Platform::ReplaceFileContent(target, std::string(256 * 1024, 'n'));
    if (result.ok()) return kChildSaveSucceeded;
    if (result.failedStep != AtomicSaveStep::kWrite || result.error != ENOSPC) return kChildWrongStep;
    if (ReadFile(target) != previous) return kChildPreviousDamaged;
    if (FolderEntries(mountPoint) != std::vector<std::string>{"save.dat"}) return kChildTemporaryLeft;
    // The space of the failed save is free again.
    return Platform::ReplaceFileContent(target, std::string(16 * 1024, 'a')) ? kChildPassed : kChildWrongStep;
  });
  if (code == kChildCannotSetUp) GTEST_SKIP() << "no tmpfs can be mounted here; the write seam covers disk full";
  EXPECT_EQ(code, kChildPassed);
}

// One way of saving exercised by the kill test: how to save content number
// 0 or 1, and how to tell what the target holds.
struct Saver {
  const char* name;
  std::function<void(const std::string& folder, int which)> save;
  std::function<int(const std::string& folder)> whichIsStored;  // -1 for neither
  std::string targetName;
  std::function<std::string(const std::string& folder)> targetFolder;
  int kills;  // fewer through the registry store, which shares the helper's code path
};

std::string Content(int which) {
  // Different lengths and bytes, so any partial or mixed file is caught.
  return which == 0 ? "zero:" + std::string(12 * 1024, '0') + "\n" : "one:" + std::string(20 * 1024, '1') + "\n";
}

int IdentifyContent(const std::string& text) {
  for (int which = 0; which < 2; ++which)
    if (text == Content(which)) return which;
  return -1;
}

std::string RegistryKeyFolder(const std::string& home) { return home + "/config/registry/Kill Test"; }

void SaveThroughRegistry(int which) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Kill Test", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  std::string bytes = Content(which);
  RegSetValueExA(key, "Progress", 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
}

int IdentifyRegistryContent(const std::string& home) {
  std::vector<Platform::RegistryValue> values;
  std::vector<std::string> errors;
  Platform::ParseRegistryText(ReadFile(RegistryKeyFolder(home) + "/values.reg"), &values, &errors);
  if (!errors.empty() || values.size() != 1) return -1;
  return IdentifyContent(std::string(values[0].bytes.begin(), values[0].bytes.end()));
}

class KilledSaves : public ::testing::TestWithParam<int> {};

const Saver& SaverFor(int index) {
  static const Saver savers[] = {
      {"the helper",
       [](const std::string& folder, int which) { Platform::ReplaceFileContent(folder + "/save.dat", Content(which)); },
       [](const std::string& folder) { return IdentifyContent(ReadFile(folder + "/save.dat")); }, "save.dat",
       [](const std::string& folder) { return folder; }, 100},
      {"the registry store", [](const std::string&, int which) { SaveThroughRegistry(which); }, IdentifyRegistryContent,
       "values.reg", RegistryKeyFolder, 40},
  };
  return savers[index];
}

TEST_P(KilledSaves, LeaveOneOfTheTwoContentsAndAtMostOneTemporary) {
  const Saver& saver = SaverFor(GetParam());
  SCOPED_TRACE(saver.name);
  TempFolder home;
  ::setenv("GAME_HOME", home.path().c_str(), 1);
  saver.save(home.path(), 0);
  const std::string folder = saver.targetFolder(home.path());
  ASSERT_EQ(saver.whichIsStored(home.path()), 0);

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delayMicroseconds(0, 3000);
  int killsThatLeftATemporary = 0;
  for (int kill = 0; kill < saver.kills; ++kill) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int round = 0;; ++round) saver.save(home.path(), round % 2);
    }
    ::usleep(static_cast<useconds_t>(delayMicroseconds(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);

    ASSERT_NE(saver.whichIsStored(home.path()), -1) << "kill " << kill << " left a damaged target";
    int temporaries = CountTemporaries(folder, saver.targetName);
    ASSERT_LE(temporaries, 1) << "kill " << kill;
    killsThatLeftATemporary += temporaries;

    // Kills also follow each other with no clean save between, as repeated
    // crashes do; the check above shows the files never pile up then.
    if (kill % 3 == 2 || kill == saver.kills - 1) {
      saver.save(home.path(), kill % 2);
      ASSERT_EQ(saver.whichIsStored(home.path()), kill % 2);
      ASSERT_EQ(CountTemporaries(folder, saver.targetName), 0) << "the clean save after kill " << kill;
    }
  }
  ::unsetenv("GAME_HOME");
  RecordProperty("kills_that_left_a_temporary", killsThatLeftATemporary);
}

INSTANTIATE_TEST_SUITE_P(AtomicFile, KilledSaves, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return info.param == 0 ? std::string("Helper") : std::string("RegistryStore");
                         });

}  // namespace
