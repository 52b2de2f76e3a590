// The file API with the process's archive object published.
#include <cstdio>
#include <cstring>

#include "pak_test_support.h"
#include "resources/FileApi.h"

namespace {

TEST(fileapi, TheProcessObjectIsPublishedOnce) {
  ASSERT_NE(Kivo::gPakInterface, nullptr);
  EXPECT_EQ(Kivo::GetSharedPakInterface(), Kivo::gPakInterface);
  EXPECT_EQ(Kivo::GetSharedPakInterface(), Kivo::GetSharedPakInterface());
  {
    // A later object neither replaces the published one nor withdraws it.
    Kivo::PakInterface another;
    EXPECT_EQ(Kivo::GetSharedPakInterface(), Kivo::gPakInterface);
  }
  EXPECT_EQ(Kivo::GetSharedPakInterface(), Kivo::gPakInterface);
}

TEST(fileapi, LooseFileOpensAsPlainFileHandle) {
  paktest::TempFolder temp;
  std::string path = temp.Write("loose.txt", "a\r\nb");
  Kivo::PakFile* file = Kivo::PakOpen(path, "r");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->record, nullptr);
  EXPECT_EQ(file->position, 0);
  ASSERT_NE(file->file, nullptr);
  // A file of the file system keeps its CR and stores an ungotten character.
  EXPECT_EQ(Kivo::PakGetc(file), 'a');
  EXPECT_EQ(Kivo::PakGetc(file), '\r');
  EXPECT_EQ(Kivo::PakUngetc('Q', file), 'Q');
  EXPECT_EQ(Kivo::PakGetc(file), 'Q');
  EXPECT_EQ(Kivo::PakClose(file), 0);

  EXPECT_EQ(Kivo::PakOpen(temp / "missing.txt", "rb"), nullptr);
}

TEST(fileapi, ArchiveEntriesReadThroughTheFreeFunctions) {
  ASSERT_TRUE(Kivo::gPakInterface->MountArchiveImage("fileapi-test.pak",
                                                     paktest::Archive({{"FileApi\\Entry.bin", "a\r\nbcd"}}).data(),
                                                     paktest::Archive({{"FileApi\\Entry.bin", "a\r\nbcd"}}).size()));
  Kivo::PakFile* file = Kivo::PakOpen("fileapi/entry.BIN", "rb");
  ASSERT_NE(file, nullptr);
  EXPECT_NE(file->record, nullptr);
  EXPECT_EQ(file->file, nullptr);
  EXPECT_EQ(Kivo::PakGetc(file), 'a');
  EXPECT_EQ(Kivo::PakGetc(file), '\n');  // CR skipped in an archive entry
  EXPECT_EQ(Kivo::PakUngetc('z', file), 'z');
  EXPECT_EQ(Kivo::PakGetc(file), '\n');
  EXPECT_EQ(Kivo::PakEof(file), 0);
  char rest[8] = {};
  EXPECT_EQ(Kivo::PakRead(rest, 1, 8, file), 3u);
  EXPECT_STREQ(rest, "bcd");
  EXPECT_NE(Kivo::PakEof(file), 0);
  EXPECT_EQ(Kivo::PakSeek(file, -2, SEEK_END), 0);
  EXPECT_EQ(Kivo::PakTell(file), 4);
  EXPECT_EQ(Kivo::PakClose(file), 0);
}

}  // namespace
