// Archives whose directory lies: every read must stay inside the archive's
// bytes, unusable records are left out and logged, and the others still read.
#include <cstring>

#include "pak_test_support.h"
#include "resources/PakInterface.h"

namespace {

using paktest::Bytes;
using paktest::Mount;
using paktest::OpenAndRead;
using paktest::Prepare;
using paktest::RawArchive;

// Mounts the image from a heap copy of exactly its size, so that ASan flags
// any byte read past its end.
struct Mounted {
  explicit Mounted(const Bytes& image) {
    Prepare(pak);
    mounted = Mount(pak, "bad.pak", image);
  }
  bool Has(const std::string& key) const { return pak.Directory().count(key) != 0; }
  bool Warned(const std::string& fragment) const {
    for (const std::string& w : pak.MountWarnings())
      if (w.find(fragment) != std::string::npos) return true;
    return false;
  }
  Kivo::PakInterface pak;
  bool mounted = false;
};

TEST(pakmount, DirectoryClaimingMoreDataThanTheFileHolds) {
  Mounted m(RawArchive().Record("FITS", 3).Record("PAST", 100).End().Data("abcxyz").Scrambled());
  ASSERT_TRUE(m.mounted);
  EXPECT_EQ(OpenAndRead(m.pak, "FITS"), "abc");
  EXPECT_FALSE(m.Has("PAST"));
  EXPECT_TRUE(m.Warned("\"PAST\" left out: data lies past the end"));
  EXPECT_EQ(m.pak.Open("PAST", "rb"), nullptr);
}

TEST(pakmount, HugeSizesAreLeftOut) {
  for (std::uint32_t huge : {0xFFFFFFFFu, 0x80000000u}) {
    Mounted m(RawArchive().Record("HUGE", huge).Record("AFTER", 1).End().Data("q").Scrambled());
    ASSERT_TRUE(m.mounted);
    EXPECT_FALSE(m.Has("HUGE")) << huge;
    EXPECT_TRUE(m.Warned("too large")) << huge;
    // AFTER starts behind HUGE's claimed data, which the file does not hold.
    EXPECT_FALSE(m.Has("AFTER")) << huge;
  }
}

TEST(pakmount, LeftOutRecordsKeepTheOffsetsOfLaterOnes) {
  Mounted m(RawArchive().Record("P", 2).Record("..\\ESCAPE", 3).Record("R", 2).End().Data("ppqqqrr").Scrambled());
  ASSERT_TRUE(m.mounted);
  EXPECT_EQ(OpenAndRead(m.pak, "P"), "pp");
  EXPECT_EQ(OpenAndRead(m.pak, "R"), "rr");
  EXPECT_FALSE(m.Has("..\\ESCAPE"));
}

TEST(pakmount, FileCutInsideTheDirectory) {
  struct Case {
    const char* what;
    Bytes image;
  };
  const Case cases[] = {
      {"inside the name", RawArchive().Record("Z", 0).Raw({0, 9, 'A', 'B'}).Scrambled()},
      {"before the length", RawArchive().Record("Z", 0).Raw({0}).Scrambled()},
      {"inside the size", RawArchive().Record("Z", 0).Raw({0, 1, 'A', 1, 0}).Scrambled()},
      {"no end byte", RawArchive().Record("Z", 0).Scrambled()},
  };
  for (const Case& c : cases) {
    Mounted m(c.image);
    ASSERT_TRUE(m.mounted) << c.what;
    // The whole record before the cut is entered (its data is empty).
    EXPECT_EQ(OpenAndRead(m.pak, "Z"), "") << c.what;
    EXPECT_FALSE(m.Has("A")) << c.what;
    EXPECT_FALSE(m.Has("AB")) << c.what;
  }
  // With no end byte the data area starts at the end of the file.
  Mounted m(RawArchive().Record("DATA", 2).Raw({0, 1}).Scrambled());
  EXPECT_TRUE(m.mounted);
  EXPECT_FALSE(m.Has("DATA"));
  EXPECT_TRUE(m.Warned("cut off"));
}

TEST(pakmount, NamesThatLeaveTheirFolder) {
  Mounted m(RawArchive()
                .Record("..\\UP", 1)
                .Record("A\\..\\..\\UP2", 1)
                .Record("\\ROOT", 1)
                .Record("/ROOT2", 1)
                .Record("C:\\WIN", 1)
                .Record("C:REL", 1)
                .Record("DIR\\..", 1)
                .Record("", 1)
                .Record("A..B\\C", 1)
                .Record("OK\\FILE", 1)
                .End()
                .Data("0123456789")
                .Scrambled());
  ASSERT_TRUE(m.mounted);
  for (const char* key : {"..\\UP", "A\\..\\..\\UP2", "\\ROOT", "/ROOT2", "C:\\WIN", "C:REL", "DIR\\..", ""})
    EXPECT_FALSE(m.Has(key)) << key;
  EXPECT_EQ(OpenAndRead(m.pak, "A..B\\C"), "8");
  EXPECT_EQ(OpenAndRead(m.pak, "ok/file"), "9");
}

TEST(pakmount, LongestStoredNameAndOverlongLookups) {
  const std::string longest = "D\\" + std::string(253, 'n');
  Mounted m(RawArchive().Record(longest, 2).End().Data("ok").Scrambled());
  ASSERT_TRUE(m.mounted);
  EXPECT_EQ(OpenAndRead(m.pak, longest), "ok");
  EXPECT_EQ(OpenAndRead(m.pak, "C:\\GAME\\" + longest), "ok");

  // A 400-character name is never looked up in the archive (and is no file).
  const std::string overlong(400, 'n');
  EXPECT_EQ(m.pak.Open(overlong, "rb"), nullptr);
  EXPECT_EQ(m.pak.Open("D\\" + overlong, "rb"), nullptr);
  std::string out;
  EXPECT_FALSE(Kivo::NormalizeArchivePath("D\\" + overlong, "C:\\GAME", out));
}

TEST(pakmount, StoredSlashNamesAreNeverFound) {
  Mounted m(RawArchive().Record("DATA/A.TXT", 1).End().Data("a").Scrambled());
  ASSERT_TRUE(m.mounted);
  EXPECT_TRUE(m.Has("DATA/A.TXT"));
  EXPECT_EQ(m.pak.Open("DATA/A.TXT", "rb"), nullptr);
  EXPECT_EQ(m.pak.Open("DATA\\A.TXT", "rb"), nullptr);
}

TEST(pakmount, DuplicateNamesInOneArchiveKeepTheLast) {
  Mounted m(RawArchive().Record("a.txt", 1).Record("A.TXT", 2).End().Data("122").Scrambled());
  ASSERT_TRUE(m.mounted);
  EXPECT_EQ(OpenAndRead(m.pak, "a.txt"), "22");
}

TEST(pakmount, EntriesNeverReadPastTheirEnd) {
  // Two adjacent entries: reading, getc, readline and seeks on the first stop
  // at its end, never delivering bytes of the second.
  Mounted m(RawArchive().Record("FIRST", 3).Record("SECOND", 3).End().Data("ab\nXYZ").Scrambled());
  ASSERT_TRUE(m.mounted);
  Kivo::PakFile* file = m.pak.Open("FIRST", "rb");
  ASSERT_NE(file, nullptr);
  char buffer[16];
  std::memset(buffer, 0, sizeof buffer);
  EXPECT_EQ(m.pak.Read(buffer, 1, sizeof buffer, file), 3u);
  EXPECT_STREQ(buffer, "ab\n");
  m.pak.Seek(file, 100, SEEK_SET);
  EXPECT_EQ(m.pak.GetChar(file), -1);
  EXPECT_EQ(m.pak.ReadLine(buffer, sizeof buffer, file), nullptr);
  m.pak.Seek(file, -1, SEEK_END);
  EXPECT_EQ(m.pak.ReadLine(buffer, sizeof buffer, file), buffer);
  EXPECT_STREQ(buffer, "\n");
  m.pak.Close(file);
}

}  // namespace
