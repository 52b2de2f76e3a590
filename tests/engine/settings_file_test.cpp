#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "engine/SettingsFile.h"
#include "engine/WholeFile.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/DataWriters.h"

namespace {

using Kivo::IniFindValue;

struct Lookup {
  int code;
  std::string value;
};

Lookup Find(const std::string& contents, const std::string& section, const std::string& key, std::size_t limit = 64) {
  Lookup result;
  result.code = IniFindValue(contents.data(), contents.size(), section, key, limit, result.value);
  return result;
}

TEST(SettingsFile, Lookups) {
  struct Case {
    const char* what;
    std::string contents;
    const char* section;
    const char* key;
    int code;
    const char* value;
  };
  const Case cases[] = {
      {"plain key", "[main]\ncode_page=1252\n", "main", "code_page", 0, "1252"},
      {"blank before '='", "[main]\ncode_page =1252\n", "main", "code_page", 2, ""},
      {"blanks inside the brackets", "[ main ]\ncode_page=1252\n", "main", "code_page", 1, ""},
      {"indented header and key", " \t[main]\r\n\t  code_page=5\r\n", "main", "code_page", 0, "5"},
      {"value keeps inner and trailing blanks", "[main]\nk=  7 \n", "main", "k", 0, "7 "},
      {"value found past line ends", "[main]\nk=\r\n\r\n  x y\t\r\n", "main", "k", 0, "x y\t"},
      {"value at the end of the file", "[main]\nk=end", "main", "k", 0, "end"},
      {"'[' in a value hides later keys", "[main]\na=x[y\nb=2\n", "main", "b", 2, ""},
      {"the key before it is still found", "[main]\na=x[y\nb=2\n", "main", "a", 0, "x[y"},
      {"next section ends the search", "[one]\na=1\n[two]\nb=2\n", "one", "b", 2, ""},
      {"second section", "[one]\na=1\n[two]\nb=2\n", "two", "b", 0, "2"},
      {"first of two sections wins", "[s]\na=1\n[s]\na=2\n", "s", "a", 0, "1"},
      {"first of two keys wins", "[s]\na=1\na=2\n", "s", "a", 0, "1"},
      {"longer key name is another key", "[s]\n1_10=x\n1_1=y\n", "s", "1_1", 0, "y"},
      {"key text in a value is no key", "[s]\na=b=c\n", "s", "b", 2, ""},
      {"missing section", "[main]\nk=1\n", "music_levels", "1_1", 1, ""},
      {"nothing but text", "code_page=1\n", "main", "code_page", 1, ""},
  };
  for (const Case& c : cases) {
    Lookup found = Find(c.contents, c.section, c.key);
    EXPECT_EQ(found.code, c.code) << c.what;
    EXPECT_EQ(found.value, c.value) << c.what;
  }
}

TEST(SettingsFile, ValueLimit) {
  const std::string contents = "[main]\nten=1234567890\neleven=12345678901\n";
  EXPECT_EQ(Find(contents, "main", "ten", 10).code, 0);
  EXPECT_EQ(Find(contents, "main", "ten", 10).value, "1234567890");
  EXPECT_EQ(Find(contents, "main", "eleven", 10).code, 2);
  EXPECT_EQ(Find(contents, "main", "eleven", 10).value, "");
  EXPECT_EQ(Find(contents, "main", "eleven", 11).code, 0);
}

class SettingsFileOnDisk : public ::testing::Test {
 protected:
  void TearDown() override { Kivo::FreeIniFile(); }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = mFolder / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  TempFolder mFolder;
};

TEST_F(SettingsFileOnDisk, ReadIntKeepsTheDefaultOnEveryFailure) {
  std::string path = Write("settings.ini", "[main]\ncode_page=1252\nspaced =1\nbig=12345678901\nword=abc\n");
  int value = 1251;
  EXPECT_FALSE(Kivo::IniReadInt(path, "main", "code_page", &value));
  EXPECT_EQ(value, 1252);
  for (const char* key : {"spaced", "big", "absent"}) {
    value = 1251;
    EXPECT_TRUE(Kivo::IniReadInt(path, "main", key, &value)) << key;
    EXPECT_EQ(value, 1251) << key;
  }
  EXPECT_FALSE(Kivo::IniReadInt(path, "main", "word", &value));
  EXPECT_EQ(value, 0);  // atoi of a word
  value = 1251;
  EXPECT_TRUE(Kivo::IniReadInt(path, "options", "code_page", &value));
  EXPECT_TRUE(Kivo::IniReadInt(mFolder / "missing.ini", "main", "code_page", &value));
  EXPECT_TRUE(Kivo::IniReadInt(Write("empty.ini", ""), "main", "code_page", &value));
  EXPECT_EQ(value, 1251);
}

TEST_F(SettingsFileOnDisk, TenCharacterValueIsReadWithinItsString) {
  // A value that fills the limit exactly: no byte past it is looked at.
  std::string path = Write("settings.ini", "[main]\ncode_page=2147483647");
  int value = 0;
  EXPECT_FALSE(Kivo::IniReadInt(path, "main", "code_page", &value));
  EXPECT_EQ(value, 2147483647);
  path = Write("more.ini", "[main]\ncode_page=9999999999");
  EXPECT_FALSE(Kivo::IniReadInt(path, "main", "code_page", &value));
  EXPECT_EQ(value, 2147483647);  // saturates instead of overflowing
  std::string text = "left alone";
  EXPECT_EQ(Kivo::IniReadString(path, "main", "code_page", text, 10), 0);
  EXPECT_EQ(text, "9999999999");
  EXPECT_EQ(text.size(), 10u);
}

TEST_F(SettingsFileOnDisk, ResultCodesAndTheCache) {
  std::string first = Write("a.ini", "[main]\nk=first\n");
  std::string value = "stale";
  EXPECT_EQ(Kivo::IniReadString(first, "main", "k", value, 64), 0);
  EXPECT_EQ(value, "first");
  EXPECT_EQ(Kivo::IniReadString(first, "main", "k", value, 3), 2);
  EXPECT_EQ(value, "");
  EXPECT_EQ(Kivo::IniReadString(first, "other", "k", value, 64), 1);
  EXPECT_EQ(Kivo::IniReadString(mFolder / "none.ini", "main", "k", value, 64), 3);

  // The cache holds the file last read: the same name is not read again,
  // another name is.
  std::string second = Write("b.ini", "[main]\nk=second\n");
  EXPECT_EQ(Kivo::IniReadString(second, "main", "k", value, 64), 0);
  EXPECT_EQ(value, "second");
  Write("b.ini", "[main]\nk=changed\n");
  EXPECT_EQ(Kivo::IniReadString(second, "main", "k", value, 64), 0);
  EXPECT_EQ(value, "second");
  EXPECT_EQ(Kivo::IniReadString(first, "main", "k", value, 64), 0);
  EXPECT_EQ(value, "first");
  Kivo::FreeIniFile();
  EXPECT_EQ(Kivo::IniReadString(second, "main", "k", value, 64), 0);
  EXPECT_EQ(value, "changed");
}

TEST_F(SettingsFileOnDisk, WrittenSettingsReadBack) {
  Kivo::SettingsWriter writer;
  ASSERT_TRUE(writer.Section("main", nullptr));
  ASSERT_TRUE(writer.Set("code_page", "1251", nullptr));
  ASSERT_TRUE(writer.Section("music_levels", nullptr));
  ASSERT_TRUE(writer.Set("1_1", "song one\t", nullptr));
  ASSERT_TRUE(writer.Set("1_2", "x=y]", nullptr));
  std::string path = Write("settings.ini", writer.Bytes());
  std::string value;
  EXPECT_EQ(Kivo::IniReadString(path, "main", "code_page", value, 64), 0);
  EXPECT_EQ(value, "1251");
  EXPECT_EQ(Kivo::IniReadString(path, "music_levels", "1_1", value, 64), 0);
  EXPECT_EQ(value, "song one\t");
  EXPECT_EQ(Kivo::IniReadString(path, "music_levels", "1_2", value, 64), 0);
  EXPECT_EQ(value, "x=y]");
}

TEST_F(SettingsFileOnDisk, WholeFileAccess) {
  Kivo::WholeFile file{Write("blob.bin", std::string("a\0b", 3)), {}};
  ASSERT_TRUE(Kivo::LoadWholeFile(file));
  EXPECT_EQ(std::string(file.data(), file.size()), std::string("a\0b", 3));
  Kivo::FreeWholeFile(file);
  EXPECT_EQ(file.size(), 0u);
  file.name = Write("empty.bin", "");
  EXPECT_FALSE(Kivo::LoadWholeFile(file));
  file.name = mFolder / "missing.bin";
  EXPECT_FALSE(Kivo::LoadWholeFile(file));
  file.name = mFolder.path();  // a folder is no file
  EXPECT_FALSE(Kivo::LoadWholeFile(file));
  // A name longer than 255 characters is no problem.
  std::string longFolder(200, 'n');
  std::filesystem::create_directory(mFolder / longFolder);
  file.name = Write(longFolder + "/" + std::string(100, 'm'), "x");
  ASSERT_GT(file.name.size(), 300u);
  EXPECT_TRUE(Kivo::LoadWholeFile(file));
}

TEST_F(SettingsFileOnDisk, DataFilesOpenByModeAndReportFailedWrites) {
  std::string path = mFolder / "out.bin";
  EXPECT_EQ(Kivo::OpenDataFile(path, 0), nullptr);
  EXPECT_EQ(Kivo::OpenDataFile(path, 3), nullptr);
  std::FILE* out = Kivo::OpenDataFile(path, 2);
  ASSERT_NE(out, nullptr);
  const char data[] = "abcdef";
  EXPECT_TRUE(Kivo::WriteDataFile(out, data, 2, 3));
  Kivo::CloseDataFile(out);
  std::FILE* in = Kivo::OpenDataFile(path, 1);
  ASSERT_NE(in, nullptr);
  char back[7] = {};
  EXPECT_EQ(std::fread(back, 1, 6, in), 6u);
  EXPECT_STREQ(back, "abcdef");
  // A write the stream cannot take is reported, not taken for success.
  EXPECT_FALSE(Kivo::WriteDataFile(in, data, 2, 3));
  Kivo::CloseDataFile(in);
}

}  // namespace
