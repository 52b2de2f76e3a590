#include "frontend/Profiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/GameDataFiles.h"
#include "tests/support/child_process.h"

namespace Kivo {
namespace {

// Hand-laid bytes, independent of the store's own encoder.
class Bytes {
 public:
  explicit Bytes(std::size_t size) : mBytes(size, 0) {}
  Bytes& U8(std::size_t at, std::uint8_t value) {
    mBytes.at(at) = value;
    return *this;
  }
  Bytes& U32(std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) mBytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
    return *this;
  }
  Bytes& F32(std::size_t at, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return U32(at, bits);
  }
  Bytes& Units(std::size_t at, const std::u16string& units) {
    for (std::size_t i = 0; i < units.size(); ++i) {
      mBytes.at(at + 2 * i) = static_cast<std::uint8_t>(units[i]);
      mBytes.at(at + 2 * i + 1) = static_cast<std::uint8_t>(units[i] >> 8);
    }
    return *this;
  }
  const std::uint8_t* data() const { return mBytes.data(); }
  std::size_t size() const { return mBytes.size(); }
  std::string str() const { return std::string(mBytes.begin(), mBytes.end()); }

 private:
  std::vector<std::uint8_t> mBytes;
};

// Two records, "Anna" (windowed, system cursors, hard, stage 3) and
// "Boris" (current), as a file the game writes.
Bytes GoldenFile() {
  Bytes file(48 + 2 * 256);
  file.U32(0, 2).Units(4, u"Boris").U32(44, 256);
  std::size_t a = 48;
  file.Units(a, u"Anna").U8(a + 40, 0).U8(a + 41, 0).F32(a + 44, 0.25f).F32(a + 48, 1.0f);
  file.U32(a + 52, 1).U8(a + 56, 1).U32(a + 60, 3).U32(a + 64, 4).U32(a + 68, 2);
  file.U32(a + 72, 3).U32(a + 72 + 4 * 3, 2).U32(a + 72 + 4 * 39, 1).U8(a + 252, 1);
  std::size_t b = 48 + 256;
  file.Units(b, u"Boris").U8(b + 40, 1).U8(b + 41, 1).F32(b + 44, 0.5f).F32(b + 48, 0.7f);
  return file;
}

class ProfilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/profiles_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mRoot = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + mRoot + "'").c_str()); }

  std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }
  void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

  std::string mRoot;
};

TEST_F(ProfilesTest, GoldenFileLoadsEveryFieldAndSavesTheSameBytes) {
  Bytes golden = GoldenFile();
  Profiles store(mRoot + "/Korvandel/Mirrowen/profile.dat");
  ASSERT_TRUE(store.LoadFromBytes(golden.data(), golden.size()));
  ASSERT_EQ(store.count(), 2u);
  EXPECT_EQ(store.current().Name(), L"Boris");
  const Profile& anna = store.records().front();
  EXPECT_EQ(anna.Name(), L"Anna");
  EXPECT_FALSE(anna.fullScreen);
  EXPECT_FALSE(anna.customCursors);
  EXPECT_EQ(anna.musicVolume, 0.25f);
  EXPECT_EQ(anna.soundVolume, 1.0f);
  EXPECT_EQ(anna.hardMode, 1);
  EXPECT_TRUE(anna.difficultyChosen);
  EXPECT_EQ(anna.stage, 3);
  EXPECT_EQ(anna.highestStage, 4);
  EXPECT_EQ(anna.level, 2);
  EXPECT_EQ(anna.bestLevel[0], 3);
  EXPECT_EQ(anna.bestLevel[3], 2);
  EXPECT_EQ(anna.bestLevel[39], 1);
  EXPECT_TRUE(anna.allUnlocked);

  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadFile(store.path()), golden.str());
  EXPECT_EQ(store.Serialize().size(), 48u + 256u * 2u);
}

TEST_F(ProfilesTest, CreateSaveLoadRoundTripsEveryField) {
  std::string path = mRoot + "/a/b/profile.dat";
  Profiles store(path);
  ASSERT_TRUE(store.Create(L"Fresh", true, false));
  const Profile& fresh = store.current();
  EXPECT_EQ(fresh.musicVolume, 0.5f);
  EXPECT_EQ(fresh.soundVolume, 0.7f);
  EXPECT_TRUE(fresh.fullScreen);
  EXPECT_FALSE(fresh.customCursors);
  EXPECT_EQ(fresh.stage + fresh.level + fresh.highestStage + fresh.hardMode, 0);

  ASSERT_TRUE(store.Create(L"Second \U0001F600", false, true));
  Profile& second = store.current();
  second.musicVolume = 0.125f;
  second.soundVolume = 0.0f;
  second.hardMode = 1;
  second.difficultyChosen = true;
  second.stage = 39;
  second.highestStage = 40;
  second.level = 3;
  for (int i = 0; i < kStageCount; ++i) second.bestLevel[i] = i % 4;
  second.allUnlocked = true;
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadFile(path).size(), 48u + 2u * 256u);

  Profiles loaded(path);
  ASSERT_TRUE(loaded.Load());
  ASSERT_EQ(loaded.count(), 2u);
  EXPECT_EQ(loaded.current().Name(), L"Second \U0001F600");
  EXPECT_EQ(loaded.current().Encode(), second.Encode());
  EXPECT_EQ(loaded.records().front().Encode(), store.records().front().Encode());
  EXPECT_EQ(loaded.Serialize(), store.Serialize());
}

TEST_F(ProfilesTest, NamesAreCutTo19UnitsAndCompareExactly) {
  Profiles store(mRoot + "/profile.dat");
  ASSERT_TRUE(store.Create(L"ABCDEFGHIJKLMNOPQRSTUVWXY", false, false));  // 25 characters
  EXPECT_EQ(store.current().Name(), L"ABCDEFGHIJKLMNOPQRS");
  EXPECT_FALSE(store.Create(L"ABCDEFGHIJKLMNOPQRSzzz", false, false));
  EXPECT_EQ(store.count(), 1u);
  EXPECT_TRUE(store.Create(L"abcdefghijklmnopqrs", false, false));  // case matters
  EXPECT_EQ(store.count(), 2u);

  // A pair is never split: 18 units plus a pair would need 20.
  std::wstring pairAtEnd = std::wstring(18, L'x') + L"\U0001F600";
  EXPECT_EQ(DecodeProfileName(EncodeProfileName(pairAtEnd)), std::wstring(18, L'x'));
  EXPECT_EQ(DecodeProfileName(EncodeProfileName(L"\U0001F600")), L"\U0001F600");
}

TEST_F(ProfilesTest, ShorterNameLeavesNothingOfTheLongerInTheHeader) {
  Profiles store(mRoot + "/profile.dat");
  ASSERT_TRUE(store.Create(L"Christopher", false, false));
  ASSERT_TRUE(store.Create(L"Anna", false, false));
  ProfileName expected{};
  std::u16string anna = u"Anna";
  std::copy(anna.begin(), anna.end(), expected.begin());
  EXPECT_EQ(store.header().currentName, expected);
  store.Select(L"Christopher");
  store.Select(L"Bo");
  EXPECT_EQ(store.current().Name(), L"Christopher");  // no record "Bo"
  EXPECT_EQ(DecodeProfileName(store.header().currentName), L"Bo");
  EXPECT_EQ(store.header().currentName[2], 0);
}

TEST_F(ProfilesTest, DeleteChoosesTheNeighbourAndIgnoresUnknownNames) {
  struct Case {
    std::vector<std::wstring> names;
    std::wstring doomed;
    std::wstring expectedCurrent;  // empty: none
  };
  const Case cases[] = {
      {{L"one", L"two", L"three"}, L"three", L"two"},
      {{L"one", L"two"}, L"one", L"two"},
      {{L"only"}, L"only", L""},
      {{L"one", L"two"}, L"nobody", L"two"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "deleting " << std::string(c.doomed.begin(), c.doomed.end()));
    Profiles store(mRoot + "/profile.dat");
    for (const std::wstring& name : c.names) ASSERT_TRUE(store.Create(name, false, false));
    std::size_t before = store.count();
    store.Delete(c.doomed);
    EXPECT_EQ(store.header().count, store.count());
    if (c.expectedCurrent.empty()) {
      EXPECT_FALSE(store.HasCurrent());
      EXPECT_EQ(store.count(), 0u);
    } else {
      ASSERT_TRUE(store.HasCurrent());
      EXPECT_EQ(store.current().Name(), c.expectedCurrent);
      EXPECT_EQ(DecodeProfileName(store.header().currentName), c.expectedCurrent);
      EXPECT_EQ(store.count(), c.doomed == L"nobody" ? before : before - 1);
    }
  }
}

TEST_F(ProfilesTest, CurrentStaysValidAcrossCreate) {
  Profiles store(mRoot + "/profile.dat");
  ASSERT_TRUE(store.Create(L"first", false, false));
  store.Select(L"first");
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(store.Create(L"p" + std::to_wstring(i), false, false));
  store.Select(L"first");
  EXPECT_EQ(store.current().Name(), L"first");
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(store.Create(L"q" + std::to_wstring(i), false, false));
  EXPECT_EQ(store.current().Name(), L"q99");
}

// Every damaged file loads into a store whose current record exists
// whenever it holds records, and whose numbers index the 40-stage tables.
TEST_F(ProfilesTest, DamagedFilesLoadSafely) {
  struct Case {
    const char* what;
    Bytes bytes;
    std::size_t expectedCount;
  };
  Bytes golden = GoldenFile();
  Bytes short47(47);
  short47.U32(0, 1).U8(45, 1);  // the record size 256, all but its last byte
  Bytes hugeCount = GoldenFile();
  hugeCount.U32(0, 1000);
  Bytes oneRecordHugeCount(48 + 256);
  oneRecordHugeCount.U32(0, 1000).U32(44, 256).Units(48, u"Solo");
  Bytes cutRecord(48 + 256 + 100);
  cutRecord.U32(0, 2).U32(44, 256).Units(48, u"Whole");
  Bytes size255 = GoldenFile();
  size255.U32(44, 255);
  Bytes namesWithoutZero(48 + 256);
  namesWithoutZero.U32(0, 1).U32(44, 256);
  namesWithoutZero.Units(4, std::u16string(20, u'h')).Units(48, std::u16string(20, u'r'));
  namesWithoutZero.U8(48 + 40, 'x');  // would continue the name into the flags
  Bytes nobody = GoldenFile();
  nobody.Units(4, std::u16string(20, u'\0')).Units(4, u"Nobody");

  const Case cases[] = {
      {"47-byte file", short47, 0},
      {"count 1000 with two records", hugeCount, 2},
      {"count 1000 with one record", oneRecordHugeCount, 1},
      {"second record cut short", cutRecord, 1},
      {"record size 255", size255, 0},
      {"names without a zero", namesWithoutZero, 1},
      {"header naming nobody", nobody, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Profiles store(mRoot + "/profile.dat");
    bool loaded = store.LoadFromBytes(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(loaded, c.expectedCount > 0);
    EXPECT_EQ(store.count(), c.expectedCount);
    EXPECT_EQ(store.header().count, c.expectedCount);
    EXPECT_EQ(store.HasCurrent(), c.expectedCount > 0);
    for (const Profile& profile : store.records()) {
      EXPECT_EQ(profile.name[19], 0);
      EXPECT_LE(profile.Name().size(), 19u);
    }
    EXPECT_EQ(store.header().currentName[19], 0);
    if (store.HasCurrent()) {
      EXPECT_EQ(store.header().currentName, store.current().name);
    }
  }
}

TEST_F(ProfilesTest, HeaderNamingNobodyMakesTheFirstCurrent) {
  Bytes nobody = GoldenFile();
  nobody.Units(4, u"Nobody");
  Profiles store(mRoot + "/profile.dat");
  ASSERT_TRUE(store.LoadFromBytes(nobody.data(), nobody.size()));
  EXPECT_EQ(store.current().Name(), L"Anna");
  EXPECT_EQ(DecodeProfileName(store.header().currentName), L"Anna");
}

TEST_F(ProfilesTest, OutOfRangeNumbersAreClampedAndFilesTheGameWritesAreNot) {
  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t bits;
    int Profile::*field;
    int expected;
  };
  const Case cases[] = {
      {"stage 99", 60, 99, &Profile::stage, 39},          {"stage -1", 60, 0xFFFFFFFFu, &Profile::stage, 0},
      {"level -1", 68, 0xFFFFFFFFu, &Profile::level, 0},  {"level 4", 68, 4, &Profile::level, 3},
      {"highest 41", 64, 41, &Profile::highestStage, 40}, {"highest 40 stays", 64, 40, &Profile::highestStage, 40},
      {"stage 39 stays", 60, 39, &Profile::stage, 39},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes file = GoldenFile();
    file.U32(48 + c.at, c.bits);
    Profiles store(mRoot + "/profile.dat");
    ASSERT_TRUE(store.LoadFromBytes(file.data(), file.size()));
    EXPECT_EQ(store.records().front().*c.field, c.expected);
  }

  Bytes best = GoldenFile();
  best.U32(48 + 72, 7).U32(48 + 72 + 4, 0x80000000u);
  Profiles store(mRoot + "/profile.dat");
  ASSERT_TRUE(store.LoadFromBytes(best.data(), best.size()));
  EXPECT_EQ(store.records().front().bestLevel[0], 3);
  EXPECT_EQ(store.records().front().bestLevel[1], 0);
}

TEST_F(ProfilesTest, VolumesAreClampedAndNaNTakesTheDefault) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float music, sound, expectedMusic, expectedSound;
  };
  const Case cases[] = {
      {nan, nan, 0.5f, 0.7f}, {-1.0f, 2.0f, 0.0f, 1.0f}, {inf, -inf, 1.0f, 0.0f}, {0.3f, 0.9f, 0.3f, 0.9f}};
  for (const Case& c : cases) {
    Bytes file = GoldenFile();
    file.F32(48 + 44, c.music).F32(48 + 48, c.sound);
    Profiles store(mRoot + "/profile.dat");
    ASSERT_TRUE(store.LoadFromBytes(file.data(), file.size()));
    EXPECT_EQ(store.records().front().musicVolume, c.expectedMusic);
    EXPECT_EQ(store.records().front().soundVolume, c.expectedSound);
  }
}

TEST_F(ProfilesTest, RecordSize255MeansNoProfilesAndTheNextSaveOverwrites) {
  std::string path = mRoot + "/profile.dat";
  Bytes file = GoldenFile();
  file.U32(44, 255);
  WriteFile(path, file.str());
  Profiles store(path);
  EXPECT_FALSE(store.Load());
  EXPECT_EQ(store.count(), 0u);
  ASSERT_TRUE(store.Save());
  std::string saved = ReadFile(path);
  ASSERT_EQ(saved.size(), 48u);
  Profiles again(path);
  EXPECT_FALSE(again.Load());
  EXPECT_EQ(again.header().recordSize, 256u);
}

TEST_F(ProfilesTest, MissingFileLeavesNoProfiles) {
  Profiles store(mRoot + "/none/profile.dat");
  EXPECT_FALSE(store.Load());
  EXPECT_FALSE(store.HasCurrent());
  EXPECT_EQ(store.header().count, 0u);
}

TEST_F(ProfilesTest, SaveUnderARegularFileFails) {
  WriteFile(mRoot + "/blocker", "x");
  Profiles blocked(mRoot + "/blocker/Korvandel/Mirrowen/profile.dat");
  ASSERT_TRUE(blocked.Create(L"Anna", false, false));
  EXPECT_FALSE(blocked.Save());
  EXPECT_EQ(ReadFile(mRoot + "/blocker"), "x");
}

TEST_F(ProfilesTest, FailedSaveLeavesTheOldFileWhole) {
  // A folder that refuses new files: the old file stays as it was.
  std::string folder = mRoot + "/readonly";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  Bytes golden = GoldenFile();
  WriteFile(folder + "/profile.dat", golden.str());
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  ASSERT_EQ(chmod(mRoot.c_str(), 0755), 0);
  // Exit codes of the child, which saves as nobody when run as root.
  enum { kFailedAsItShould = 0, kLoadFailed = 1, kSaved = 2, kCannotDropRoot = 77 };
  int code = RunInChild([&] {
    if (!BecomeUnprivileged()) return kCannotDropRoot;
    Profiles store(folder + "/profile.dat");
    if (!store.Load() || !store.Create(L"Another", false, false)) return kLoadFailed;
    return store.Save() ? kSaved : kFailedAsItShould;
  });
  chmod(folder.c_str(), 0755);
  ASSERT_NE(code, kCannotDropRoot) << "cannot drop to an unprivileged user";
  EXPECT_EQ(code, kFailedAsItShould);
  EXPECT_EQ(ReadFile(folder + "/profile.dat"), golden.str());
}

TEST(GameDataFilesTest, OnlyWholeRecordsAreKept) {
  struct Case {
    std::size_t size;
    std::uint32_t claimedScores;
    std::size_t expectedData;
    std::size_t expectedScores;
  };
  const Case cases[] = {
      {31, 0xFFFFFFFFu, 0, 1},  // 27 bytes of scores: one record
      {70, 2, 2, 2},            // 66 bytes of scores: two records
      {0, 0, 0, 0},
      {100, 0, 3, 0},
      {100, 0xFFFFFFFFu, 3, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    Bytes bytes(c.size);
    if (c.size >= 4) bytes.U32(0, c.claimedScores);
    DataTable table;
    table.LoadFromBytes(bytes.data(), bytes.size());
    EXPECT_EQ(table.records.size(), c.expectedData);
    HighScores scores;
    scores.LoadFromBytes(bytes.data(), bytes.size());
    ASSERT_EQ(scores.rows.size(), 1u);
    EXPECT_EQ(scores.rows[0].size(), c.expectedScores);
  }
  HighScores missing;
  EXPECT_FALSE(missing.LoadFile("/nonexistent/highscore.dat"));
  EXPECT_EQ(missing.rows.size(), 1u);
}

}  // namespace
}  // namespace Kivo
