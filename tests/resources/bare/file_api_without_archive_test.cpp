// The file API in a process where no archive object was ever built: every call
// goes to the platform's file functions. This binary must not reference the
// process's archive object, or the linker would build (and publish) it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "resources/FileApi.h"

namespace {

std::string WriteTempFile(const std::string& name, const std::string& bytes) {
  std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

TEST(fileapi, WithoutArchiveObjectOpensThroughFopen) {
  ASSERT_EQ(Kivo::GetSharedPakInterface(), nullptr);
  std::string path = WriteTempFile("kivo-fileapi-bare.txt", "ab\r\ncd");

  Kivo::PakFile* file = Kivo::PakOpen(path, "rb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->record, nullptr);
  EXPECT_EQ(file->position, 0);
  EXPECT_NE(file->file, nullptr);

  // Plain file semantics: CR is delivered, ungetc stores the character.
  EXPECT_EQ(Kivo::PakGetc(file), 'a');
  EXPECT_EQ(Kivo::PakUngetc('x', file), 'x');
  EXPECT_EQ(Kivo::PakGetc(file), 'x');
  char rest[8] = {};
  EXPECT_EQ(Kivo::PakRead(rest, 1, 8, file), 5u);
  EXPECT_STREQ(rest, "b\r\ncd");
  EXPECT_NE(Kivo::PakEof(file), 0);
  EXPECT_EQ(Kivo::PakSeek(file, 0, SEEK_END), 0);
  EXPECT_EQ(Kivo::PakTell(file), 6);
  EXPECT_EQ(Kivo::PakClose(file), 0);
  std::remove(path.c_str());
}

TEST(fileapi, WithoutArchiveObjectMissingFileIsNull) {
  EXPECT_EQ(Kivo::PakOpen("/nonexistent-kivo-folder/missing.bin", "rb"), nullptr);
  EXPECT_EQ(Kivo::PakClose(nullptr), EOF);
  EXPECT_EQ(Kivo::GetSharedPakInterface(), nullptr);
}

}  // namespace
