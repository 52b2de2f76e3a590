#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>
#include <string>
#include <unistd.h>

#include "engine/TextTables.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/DataWriters.h"

namespace {

using Kivo::TextEntry;

// Bytes of a file from UTF-16 code units, behind the byte-order mark.
std::string Utf16File(const std::u16string& text, bool withMark = true) {
  std::string out = withMark ? std::string("\xFF\xFE", 2) : std::string();
  for (char16_t unit : text) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  }
  return out;
}

std::vector<TextEntry> Parse(const std::string& bytes, bool* ok = nullptr) {
  std::vector<TextEntry> entries;
  bool parsed = Kivo::ParseTextTable(bytes.data(), bytes.size(), entries);
  if (ok != nullptr) *ok = parsed;
  return entries;
}

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

TEST(TextTable, RejectsFilesWithoutTheByteOrderMark) {
  bool ok = true;
  EXPECT_TRUE(Parse(Utf16File(u"key\ttext\n", false), &ok).empty());
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Parse("", &ok).empty());
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Parse("\xFE\xFF", &ok).empty());  // big-endian mark
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Parse("\xFF\xFE", &ok).empty());  // the mark alone: a table without entries
  EXPECT_TRUE(ok);
}

TEST(TextTable, LineRules) {
  struct Case {
    const char* what;
    std::u16string file;
    std::vector<std::pair<std::string, std::wstring>> expected;
  };
  const Case cases[] = {
      {"CR dropped anywhere", u"a\r\tx\ry\r\n\rb\tz\r\r\n", {{"a", L"xy"}, {"b", L"z"}}},
      {"backslash-n is a line break", u"k\ta\\nb", {{"k", L"a\nb"}}},
      {"other backslashes stay", u"k\ta\\tb\\\\x\\", {{"k", L"a\\tb\\\\x\\"}}},
      {"backslash-N is not a break", u"k\ta\\Nb", {{"k", L"a\\Nb"}}},
      {"split at the first TAB only", u"k\tone\ttwo\t", {{"k", L"one\ttwo\t"}}},
      {"no TAB and empty lines ignored", u"lonely\n\n\r\n\tempty key\nk\t", {{"", L"empty key"}, {"k", L""}}},
      {"last line without LF counts", u"a\t1\nb\t2", {{"a", L"1"}, {"b", L"2"}}},
      {"duplicates stay in file order", u"a\t1\na\t2\n", {{"a", L"1"}, {"a", L"2"}}},
  };
  for (const Case& c : cases) {
    bool ok = false;
    std::vector<TextEntry> entries = Parse(Utf16File(c.file), &ok);
    EXPECT_TRUE(ok) << c.what;
    ASSERT_EQ(entries.size(), c.expected.size()) << c.what;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].key, c.expected[i].first) << c.what;
      EXPECT_EQ(entries[i].text, c.expected[i].second) << c.what;
    }
  }
}

TEST(TextTable, SurrogatesAndOddBytes) {
  // A pair joins into one code point; a lone half becomes U+FFFD; an odd last
  // byte is ignored.
  std::string bytes = Utf16File(u"k\t\xD834\xDD1E|\xD834|\xDD1E") + "\x41";
  std::vector<TextEntry> entries = Parse(bytes);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].text, std::wstring(L"\U0001D11E|\uFFFD|\uFFFD"));
  // A high half cut off by the end of the file.
  entries = Parse(Utf16File(u"k\tx\xD834"));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].text, std::wstring(L"x\uFFFD"));
}

class TextTableFile : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = mFolder / name;
    WriteFile(path, bytes);
    return path;
  }
  TempFolder mFolder;
};

TEST_F(TextTableFile, WrittenTextsReadBackAndLookupsFindTheFirstKey) {
  Kivo::TextTableWriter writer;
  const std::wstring cyrillic = L"\u041F\u0440\u0438\u0432\u0435\u0442";
  const std::wstring beyondBmp = L"clef \U0001D11E";
  ASSERT_TRUE(writer.Add("ru", cyrillic, nullptr));
  ASSERT_TRUE(writer.Add("clef", beyondBmp, nullptr));
  ASSERT_TRUE(writer.Add("two", L"first\nsecond\ttabbed", nullptr));
  ASSERT_TRUE(writer.Add("slash", L"ends in \\", nullptr));
  std::string path = Write("table.txt", writer.Bytes());

  Kivo::TextTable table;
  ASSERT_TRUE(table.Load(path));
  EXPECT_EQ(table.Get("ru"), cyrillic);
  EXPECT_EQ(table.Get("clef"), beyondBmp);
  EXPECT_EQ(table.Get("two"), L"first\nsecond\ttabbed");
  EXPECT_EQ(table.Get("slash"), L"ends in \\");
  EXPECT_EQ(table.Get("RU"), L"");  // keys match exactly
  EXPECT_EQ(table.Get("r"), L"");

  std::string duplicates = Write("dup.txt", Utf16File(u"a\tfirst\na\tsecond\n"));
  ASSERT_TRUE(table.Load(duplicates));
  EXPECT_EQ(table.Get("a"), L"first");
}

TEST_F(TextTableFile, KeyAboveLatin1IsNeverFound) {
  // U+0416 cannot be narrowed: the entry's key is empty.
  std::string path = Write("k.txt", Utf16File(u"\x0416key\tzhe\nplain\tok\n"));
  Kivo::TextTable table;
  ASSERT_TRUE(table.Load(path));
  EXPECT_EQ(table.Get("\xD0\x96key"), L"");  // its UTF-8 bytes
  EXPECT_EQ(table.Get("\x16key"), L"");      // its low byte
  EXPECT_EQ(table.Get("key"), L"");
  EXPECT_EQ(table.Get("plain"), L"ok");
  ASSERT_EQ(table.Entries().size(), 2u);
  EXPECT_EQ(table.Entries()[0].key, "");
}

TEST_F(TextTableFile, ReloadEmptiesThenRefills) {
  Kivo::TextTable table;
  ASSERT_TRUE(table.Load(Write("one.txt", Utf16File(u"a\t1\n"))));
  ASSERT_TRUE(table.Load(Write("two.txt", Utf16File(u"b\t2\n"))));
  EXPECT_EQ(table.Get("a"), L"");
  EXPECT_EQ(table.Get("b"), L"2");
  EXPECT_FALSE(table.Load(Write("bad.txt", "a\t1\n")));
  EXPECT_TRUE(table.Entries().empty());
  ASSERT_TRUE(table.Load(Write("one.txt", Utf16File(u"a\t1\n"))));
  EXPECT_FALSE(table.Load(mFolder / "missing.txt"));
  EXPECT_EQ(table.Get("a"), L"");
  EXPECT_FALSE(table.Load(Write("empty.txt", "")));
}

TEST_F(TextTableFile, ReadersSeeTheOldOrTheNewTableWhileAnotherThreadReloads) {
  std::string one = Write("one.txt", Utf16File(u"k\tone\nfiller\tx\n"));
  std::string two = Write("two.txt", Utf16File(u"k\ttwo\n"));
  Kivo::TextTable table;
  ASSERT_TRUE(table.Load(one));
  std::atomic<bool> done{false};
  std::thread loader([&] {
    for (int i = 0; i < 200; ++i) table.Load(i % 2 == 0 ? two : one);
    done = true;
  });
  do {
    std::wstring text = table.Get("k");
    EXPECT_TRUE(text == L"one" || text == L"two") << "got a half-filled table";
  } while (!done);
  loader.join();
}

TEST_F(TextTableFile, GameTablesReadTheirFilesFromTheWorkingFolder) {
  Kivo::TextTableWriter texts, dialogs;
  ASSERT_TRUE(texts.Add("_caption", L"Game", nullptr));
  ASSERT_TRUE(dialogs.Add("dlg_1_1_1", L"Hello", nullptr));
  std::filesystem::create_directories(mFolder / "Data");
  Write("Data/DATA.TXT", texts.Bytes());  // names are found regardless of case
  Write("Data/dialog.txt", dialogs.Bytes());
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(mFolder.path().c_str()), 0);
  bool textLoaded = Kivo::LoadTextTable();
  bool dialogLoaded = Kivo::LoadDialogTable();
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_TRUE(textLoaded);
  EXPECT_TRUE(dialogLoaded);
  EXPECT_EQ(Kivo::GetText("_caption"), L"Game");
  EXPECT_EQ(Kivo::GetDialogText("dlg_1_1_1"), L"Hello");
  EXPECT_EQ(Kivo::GetText("dlg_1_1_1"), L"");
}

}  // namespace
