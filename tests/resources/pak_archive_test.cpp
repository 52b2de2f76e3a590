// Archive lookup, reading and searching on archives made by the writer.
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>

#include "pak_test_support.h"
#include "resources/PakInterface.h"

namespace {

using paktest::Archive;
using paktest::Bytes;
using paktest::Mount;
using paktest::OpenAndRead;
using paktest::Prepare;

TEST(pak, StoredHeaderAndEndOfDirectoryBytes) {
  Bytes image = Archive({{"A", "xy"}});
  ASSERT_GE(image.size(), 8u + 2 + 1 + 12 + 1 + 2);
  const Bytes header(image.begin(), image.begin() + 8);
  EXPECT_EQ(header, (Bytes{0x5E, 0xD4, 0x5E, 0x24, 0x9E, 0x9E, 0x9E, 0x9E}));
  // flags, length, "A", size, time, then the end byte; data follows.
  std::size_t endByte = 8 + 2 + 1 + 4 + 8;
  EXPECT_EQ(image[endByte], 0x1E);
  EXPECT_EQ(image[endByte + 1], 'x' ^ 0x9E);
}

TEST(pak, NameSpellingsOpenOneEntry) {
  Kivo::PakInterface pak;
  Prepare(pak);
  ASSERT_TRUE(Mount(pak, "main.pak", Archive({{"Data\\Images\\Logo.png", "LOGO"}})));
  for (const char* name : {"data/images/Logo.png", "DATA\\IMAGES\\LOGO.PNG", "Data\\\\Images//logo.png",
                           "c:\\game\\data\\images\\logo.png", "C:/GAME/Data/Images/x/../Logo.png"})
    EXPECT_EQ(OpenAndRead(pak, name), "LOGO") << name;
  // A stored name keeps its case for searches and listings.
  EXPECT_EQ(pak.Directory().at("DATA\\IMAGES\\LOGO.PNG").name, "Data\\Images\\Logo.png");
}

TEST(pak, NormalisationTable) {
  struct Case {
    const char* name;
    const char* workingFolder;
    const char* expected;  // null: too long to look up
  };
  const std::string longName(259, 'a');
  const Case cases[] = {
      {"c:\\game\\data/Img\\\\a.png", "C:\\GAME", "DATA\\IMG\\A.PNG"},
      {"DATA\\SUB\\..\\X", "C:\\GAME", "DATA\\X"},
      {"..\\X", "C:\\GAME", "..\\X"},
      {"a\\b\\..\\..\\..\\x", "C:\\GAME", "..\\X"},
      {"DATA\\..", "C:\\GAME", ""},
      {"a\\.\\b", "C:\\GAME", "A\\.\\B"},
      {"a..\\b", "C:\\GAME", "A..\\B"},
      {"a\\..b\\c", "C:\\GAME", "A\\..B\\C"},
      {"d:\\game\\x", "C:\\GAME", "D:\\GAME\\X"},    // another drive stays
      {"C:\\GAMES\\x", "C:\\GAME", "C:\\GAMES\\X"},  // the prefix must end at a separator
      {"C:\\GAME", "C:\\GAME", "C:\\GAME"},          // the folder itself is no file in it
      {"C:\\game\\x", "C:\\GAME\\", "X"},            // a trailing separator on the folder
      {"/home/u/game/data/a.png", "/home/u/game", "DATA\\A.PNG"},
      {"/home/u/game//data/a.png", "/home/u/game", "\\DATA\\A.PNG"},
      {"/home/u/gamex/a", "/home/u/game", "\\HOME\\U\\GAMEX\\A"},
      {"data/\xE9t\xE9.png", "/", "DATA\\\xE9T\xE9.PNG"},  // only ASCII letters change
      {"", "C:\\GAME", ""},
  };
  for (const Case& c : cases) {
    std::string out;
    bool ok = Kivo::NormalizeArchivePath(c.name, c.workingFolder, out);
    ASSERT_TRUE(ok) << c.name;
    EXPECT_EQ(out, c.expected) << c.name;
  }
  std::string out;
  EXPECT_TRUE(Kivo::NormalizeArchivePath(longName, "", out));
  EXPECT_EQ(out.size(), 259u);
  EXPECT_FALSE(Kivo::NormalizeArchivePath(longName + "b", "", out));
  // Folding ".." may bring a long name back under the limit.
  EXPECT_TRUE(Kivo::NormalizeArchivePath(std::string(300, 'z') + "\\..\\ok", "", out));
  EXPECT_EQ(out, "OK");
}

TEST(pak, LaterMountReplacesEarlierEntry) {
  Kivo::PakInterface pak;
  Prepare(pak);
  ASSERT_TRUE(Mount(pak, "one.pak", Archive({{"DATA\\A.TXT", "first"}, {"DATA\\B.TXT", "b1"}})));
  ASSERT_TRUE(Mount(pak, "two.pak", Archive({{"data\\a.txt", "second"}})));
  EXPECT_EQ(OpenAndRead(pak, "DATA\\A.TXT"), "second");
  EXPECT_EQ(OpenAndRead(pak, "DATA\\B.TXT"), "b1");
  EXPECT_EQ(pak.Directory().at("DATA\\A.TXT").name, "data\\a.txt");
}

TEST(pak, OnlyReadModesLookInTheArchive) {
  paktest::TempFolder temp;
  std::filesystem::create_directories(temp / "data");
  Kivo::PakInterface pak;
  Prepare(pak, temp.path());
  ASSERT_TRUE(Mount(pak, "main.pak", Archive({{"DATA\\A.TXT", "archived"}})));
  const std::string onDisk = temp / "data/a.txt";

  for (const char* mode : {"r", "rb", "rt", "RB", "Rt"}) {
    Kivo::PakFile* file = pak.Open(onDisk, mode);
    ASSERT_NE(file, nullptr) << mode;
    EXPECT_NE(file->record, nullptr) << mode;
    EXPECT_EQ(paktest::ReadAll(pak, file), "archived") << mode;
    pak.Close(file);
  }
  // Writing modes go to the file system even though the name is archived.
  Kivo::PakFile* written = pak.Open(onDisk, "w");
  ASSERT_NE(written, nullptr);
  EXPECT_EQ(written->record, nullptr);
  std::fputs("disk", written->file);
  EXPECT_EQ(pak.Close(written), 0);
  EXPECT_EQ(paktest::ReadFile(onDisk), "disk");

  Kivo::PakFile* appended = pak.Open(onDisk, "a+");
  ASSERT_NE(appended, nullptr);
  EXPECT_EQ(appended->record, nullptr);
  std::fputs("+", appended->file);
  EXPECT_EQ(pak.Close(appended), 0);
  EXPECT_EQ(paktest::ReadFile(onDisk), "disk+");
  EXPECT_EQ(OpenAndRead(pak, onDisk), "archived");

  // A name the archive lacks is read from the folder.
  temp.Write("data/only-on-disk.txt", "loose");
  EXPECT_EQ(OpenAndRead(pak, temp / "data/only-on-disk.txt"), "loose");
  EXPECT_EQ(pak.Open(temp / "data/missing.txt", "rb"), nullptr);
}

TEST(pak, SeekClampsToTheEntry) {
  Kivo::PakInterface pak;
  Prepare(pak);
  ASSERT_TRUE(Mount(pak, "main.pak", Archive({{"E", "abcd"}})));
  struct Case {
    long start;
    long offset;
    int origin;
    long expected;
  };
  const Case cases[] = {
      {2, -5, SEEK_SET, 0},       {0, 10, SEEK_SET, 4},       {1, 0, SEEK_END, 4},        {3, 7, 7, 3},
      {2, -1, SEEK_CUR, 1},       {2, 5, SEEK_CUR, 4},        {0, -1, SEEK_END, 3},       {0, 2, SEEK_END, 4},
      {2, LONG_MAX, SEEK_CUR, 4}, {2, LONG_MIN, SEEK_CUR, 0}, {0, LONG_MIN, SEEK_END, 0},
  };
  for (const Case& c : cases) {
    Kivo::PakFile* file = pak.Open("E", "rb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(pak.Seek(file, c.start, SEEK_SET), 0);
    EXPECT_EQ(pak.Seek(file, c.offset, c.origin), 0);
    EXPECT_EQ(pak.Tell(file), c.expected) << c.start << " " << c.offset << " " << c.origin;
    EXPECT_EQ(pak.AtEnd(file), c.expected == 4 ? 1 : 0);
    pak.Close(file);
  }
}

TEST(pak, ReadDeliversWholeElementsWithinTheEntry) {
  Kivo::PakInterface pak;
  Prepare(pak);
  ASSERT_TRUE(Mount(pak, "main.pak", Archive({{"TEN", "0123456789"}})));
  Kivo::PakFile* file = pak.Open("TEN", "rb");
  ASSERT_NE(file, nullptr);

  char buffer[16] = {};
  EXPECT_EQ(pak.Read(buffer, 0, 3, file), 0u);  // element size 0
  EXPECT_EQ(pak.Tell(file), 0);
  EXPECT_EQ(pak.Read(buffer, 4, 3, file), 2u);  // 10 of 12 bytes: two whole elements
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_EQ(pak.Tell(file), 10);
  EXPECT_EQ(pak.Read(buffer, 1, 1, file), 0u);

  // element size x count overflows: still bounded by what is left.
  pak.Seek(file, 6, SEEK_SET);
  std::memset(buffer, 0, sizeof buffer);
  EXPECT_EQ(pak.Read(buffer, SIZE_MAX / 2, 4, file), 0u);
  EXPECT_EQ(std::string(buffer), "6789");
  EXPECT_EQ(pak.Tell(file), 10);
  EXPECT_EQ(pak.Close(file), 0);
}

TEST(pak, TextReadingOfCrLfEntry) {
  Kivo::PakInterface pak;
  Prepare(pak);
  ASSERT_TRUE(Mount(pak, "main.pak", Archive({{"T", "a\r\nb"}})));

  Kivo::PakFile* file = pak.Open("T", "rb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(pak.UngetChar('q', file), 'q');  // at 0: stays at 0
  EXPECT_EQ(pak.Tell(file), 0);
  EXPECT_EQ(pak.GetChar(file), 'a');
  EXPECT_EQ(pak.GetChar(file), '\n');
  EXPECT_EQ(pak.UngetChar('z', file), 'z');  // not stored: the LF is read again
  EXPECT_EQ(pak.GetChar(file), '\n');
  EXPECT_EQ(pak.GetChar(file), 'b');
  EXPECT_EQ(pak.GetChar(file), -1);
  EXPECT_EQ(pak.AtEnd(file), 1);

  pak.Seek(file, 0, SEEK_SET);
  char line[10];
  ASSERT_EQ(pak.ReadLine(line, 10, file), line);
  EXPECT_STREQ(line, "a\n");
  ASSERT_EQ(pak.ReadLine(line, 10, file), line);
  EXPECT_STREQ(line, "b");
  std::strcpy(line, "zzz");
  EXPECT_EQ(pak.ReadLine(line, 10, file), nullptr);
  EXPECT_STREQ(line, "zzz");

  pak.Seek(file, 0, SEEK_SET);
  char raw[8] = {};
  EXPECT_EQ(pak.Read(raw, 1, 8, file), 4u);
  EXPECT_EQ(std::string(raw, 4), "a\r\nb");
  pak.Close(file);
}

TEST(pak, ReadLineSizeLimits) {
  Kivo::PakInterface pak;
  Prepare(pak);
  ASSERT_TRUE(Mount(pak, "main.pak", Archive({{"L", "abcdef\n"}})));
  Kivo::PakFile* file = pak.Open("L", "rb");
  ASSERT_NE(file, nullptr);
  char buffer[8];
  for (int size : {0, -1, INT_MIN}) {
    std::strcpy(buffer, "keep");
    EXPECT_EQ(pak.ReadLine(buffer, size, file), nullptr) << size;
    EXPECT_STREQ(buffer, "keep");
  }
  std::strcpy(buffer, "keep");
  EXPECT_EQ(pak.ReadLine(buffer, 1, file), buffer);  // room for the NUL only
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(pak.Tell(file), 0);
  EXPECT_EQ(pak.ReadLine(buffer, 3, file), buffer);
  EXPECT_STREQ(buffer, "ab");
  EXPECT_EQ(pak.ReadLine(buffer, 8, file), buffer);
  EXPECT_STREQ(buffer, "cdef\n");
  pak.Close(file);
}

TEST(pak, ArchiveOwnEntryDeliversTheDescrambledFile) {
  Kivo::PakInterface pak;
  Prepare(pak);
  Bytes image = Archive({{"X", "x"}});
  ASSERT_TRUE(Mount(pak, "Main.pak", image));
  std::string plain = OpenAndRead(pak, "main.PAK");
  ASSERT_EQ(plain.size(), image.size());
  EXPECT_EQ(static_cast<std::uint8_t>(plain[0]), 0xC0);
  EXPECT_EQ(plain.back(), 'x');
}

TEST(pak, BadMagicOrVersionIsNotMounted) {
  struct Case {
    const char* what;
    Bytes image;
  };
  const Case cases[] = {
      {"wrong magic", paktest::RawArchive(0xBAC04AC1).Record("A", 1).End().Data("a").Scrambled()},
      {"version 1", paktest::RawArchive(Kivo::kPakMagic, 1).Record("A", 1).End().Data("a").Scrambled()},
      {"unscrambled", paktest::ToBytes(std::string("\xC0\x4A\xC0\xBA\0\0\0\0\x80", 9))},
      {"too short", paktest::RawArchive().Scrambled()},
      {"empty", Bytes()},
  };
  for (const Case& c : cases) {
    Kivo::PakInterface pak;
    Prepare(pak);
    ASSERT_TRUE(Mount(pak, "good.pak", Archive({{"A", "kept"}})));
    Bytes image = c.image;
    if (std::string(c.what) == "too short") image.resize(4);
    EXPECT_FALSE(Mount(pak, "bad.pak", image)) << c.what;
    EXPECT_EQ(OpenAndRead(pak, "A"), "kept") << c.what;
    // The failed archive's own entry stays and reads de-scrambled.
    Kivo::PakFile* own = pak.Open("BAD.PAK", "rb");
    ASSERT_NE(own, nullptr) << c.what;
    EXPECT_EQ(paktest::ReadAll(pak, own).size(), image.size()) << c.what;
    pak.Close(own);
    EXPECT_FALSE(pak.MountWarnings().empty()) << c.what;
  }
}

TEST(pak, MountsArchiveFileFromDisk) {
  paktest::TempFolder temp;
  temp.Write("Game/Main.pak", Archive({{"Data\\A.TXT", "from disk"}}));
  temp.Write("Game/empty.pak", std::string());
  Kivo::PakInterface pak;
  Prepare(pak);
  // Platform path rules: case-insensitive fallback and '\' separators.
  EXPECT_TRUE(pak.MountArchive(temp.path() + "\\game\\MAIN.PAK"));
  EXPECT_EQ(OpenAndRead(pak, "data/a.txt"), "from disk");
  EXPECT_FALSE(pak.MountArchive(temp / "Game/missing.pak"));
  EXPECT_FALSE(pak.MountArchive(temp / "Game"));  // a folder
  EXPECT_FALSE(pak.MountArchive(temp / "Game/empty.pak"));
  EXPECT_FALSE(pak.MountArchive(""));
}

TEST(pak, MemoryFilesReadPlainAndMayBeReplaced) {
  Kivo::PakInterface pak;
  Prepare(pak);
  ASSERT_TRUE(pak.AddMemoryFile("data/gen.txt", paktest::ToBytes("x\r\nyz")));
  EXPECT_EQ(OpenAndRead(pak, "DATA\\GEN.TXT"), "x\r\nyz");

  Kivo::PakFile* file = pak.Open("data/gen.txt", "r");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(pak.GetChar(file), 'x');
  EXPECT_EQ(pak.GetChar(file), '\n');
  pak.Seek(file, 0, SEEK_END);
  // Replacing the bytes under an open handle shrinks what it may read.
  ASSERT_TRUE(pak.AddMemoryFile("data/gen.txt", paktest::ToBytes("q")));
  EXPECT_EQ(pak.Tell(file), 1);
  EXPECT_EQ(pak.GetChar(file), -1);
  pak.Seek(file, 0, SEEK_SET);
  EXPECT_EQ(paktest::ReadAll(pak, file), "q");
  pak.Close(file);
  EXPECT_FALSE(pak.AddMemoryFile(std::string(300, 'n'), paktest::ToBytes("x")));
}

TEST(pak, RemovedMemoryFilesStopShadowingTheDisk) {
  paktest::TempFolder temp;
  temp.Write("data/gen.txt", "from disk");
  Kivo::PakInterface pak;
  Prepare(pak, temp.path());
  const std::string onDisk = temp / "data/gen.txt";
  ASSERT_TRUE(pak.AddMemoryFile(onDisk, paktest::ToBytes("in memory")));
  EXPECT_EQ(OpenAndRead(pak, onDisk), "in memory");
  // A handle open across the removal keeps reading the bytes it opened.
  Kivo::PakFile* open = pak.Open(onDisk, "rb");
  ASSERT_NE(open, nullptr);

  EXPECT_TRUE(pak.RemoveMemoryFile("DATA\\GEN.TXT"));
  EXPECT_EQ(OpenAndRead(pak, onDisk), "from disk");
  EXPECT_EQ(paktest::ReadAll(pak, open), "in memory");
  pak.Close(open);
  EXPECT_FALSE(pak.RemoveMemoryFile(onDisk)) << "already gone";

  // Added again, it shadows the disk again; archive entries are not memory files.
  ASSERT_TRUE(pak.AddMemoryFile("data/gen.txt", paktest::ToBytes("again")));
  EXPECT_EQ(OpenAndRead(pak, onDisk), "again");
  ASSERT_TRUE(Mount(pak, "game.pak", Archive({{"A", "packed"}})));
  EXPECT_FALSE(pak.RemoveMemoryFile("A"));
  EXPECT_EQ(OpenAndRead(pak, "A"), "packed");
  EXPECT_FALSE(pak.RemoveMemoryFile(std::string(300, 'n')));
}

// Changes the process's working folder for one test.
class WorkingFolderScope {
 public:
  explicit WorkingFolderScope(const std::string& folder) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~WorkingFolderScope() {
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
  }

 private:
  std::filesystem::path saved_;
};

std::vector<std::string> SearchNames(Kivo::PakInterface& pak, const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = pak.FindFirst(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(data.cFileName);
  while (pak.FindNext(find, &data));
  EXPECT_EQ(pak.FindEnd(find), TRUE);
  return names;
}

TEST(pak, SearchPatterns) {
  paktest::TempFolder temp;
  WorkingFolderScope cwd(temp.path());
  Kivo::PakInterface pak;
  pak.SetLogToStderr(false);
  ASSERT_TRUE(Mount(pak, "archive.bin",
                    Archive({{"Data\\a.png", "1"},
                             {"DATA\\SUB\\X.PNG", "22"},
                             {"DATA\\T.TXT", "333"},
                             {"OTHER\\B.PNG", "4"},
                             {"ABC", "5"},
                             {"DATAX", "6"}})));
  using Names = std::vector<std::string>;
  struct Case {
    const char* pattern;
    Names expected;
  };
  const Case cases[] = {
      {"DATA\\*.PNG", {"a.png", "X.PNG"}},
      {"data/*.png", {"a.png", "X.PNG"}},
      {"DATA\\*", {"a.png", "X.PNG", "T.TXT"}},
      {"DATA\\*.*", {"a.png", "X.PNG", "T.TXT"}},
      {"DATA\\X.PNG", {}},  // no '*': the archive is not searched
      {"DATA\\?.PNG", {}},  // '?' is an ordinary character in the archive
      {"AB*BC", {"ABC"}},   // prefix and suffix overlap in the key
      {"ABCD*BCDE", {}},    // keys shorter than the prefix
      {"*LONGER-THAN-ANY-KEY.PNG", {}},
      // Every key, then the (empty) working folder as Windows lists it.
      {"*", {"ABC", "archive.bin", "DATAX", "a.png", "X.PNG", "T.TXT", "B.PNG", ".", ".."}},
  };
  for (const Case& c : cases) EXPECT_EQ(SearchNames(pak, c.pattern), c.expected) << c.pattern;

  WIN32_FIND_DATAA data;
  std::memset(&data, 0xAB, sizeof data);
  HANDLE find = pak.FindFirst("DATA\\T*", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes, 0u);
  EXPECT_EQ(data.nFileSizeLow, 3u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  EXPECT_STREQ(data.cFileName, "T.TXT");
  EXPECT_EQ(pak.FindEnd(find), TRUE);
}

TEST(pak, SearchListsArchiveMatchesThenFolderFiles) {
  paktest::TempFolder temp;
  temp.Write("data/disk.png", "d");
  temp.Write("data/other.txt", "t");
  WorkingFolderScope cwd(temp.path());
  Kivo::PakInterface pak;
  pak.SetLogToStderr(false);
  ASSERT_TRUE(Mount(pak, "main.pak", Archive({{"DATA\\IN.PNG", "1"}, {"DATA\\SUB\\DEEP.PNG", "2"}})));

  EXPECT_EQ(SearchNames(pak, "Data/*.png"), (std::vector<std::string>{"IN.PNG", "DEEP.PNG", "disk.png"}));
  // An absolute pattern under the working folder searches the archive too.
  EXPECT_EQ(SearchNames(pak, temp.path() + "/data/*.png"),
            (std::vector<std::string>{"IN.PNG", "DEEP.PNG", "disk.png"}));
  EXPECT_EQ(SearchNames(pak, "data\\*.txt"), (std::vector<std::string>{"other.txt"}));
  EXPECT_EQ(SearchNames(pak, "data\\disk.png"), (std::vector<std::string>{"disk.png"}));
  EXPECT_TRUE(SearchNames(pak, "data\\*.none").empty());
  EXPECT_TRUE(SearchNames(pak, std::string(400, 'p') + "*").empty());
  EXPECT_EQ(pak.FindNext(INVALID_HANDLE_VALUE, nullptr), FALSE);
  EXPECT_EQ(pak.FindEnd(INVALID_HANDLE_VALUE), FALSE);
}

TEST(pak, NullHandlesAreRefused) {
  Kivo::PakInterface pak;
  char buffer[4];
  EXPECT_EQ(pak.Close(nullptr), EOF);
  EXPECT_EQ(pak.Seek(nullptr, 0, SEEK_SET), -1);
  EXPECT_EQ(pak.Tell(nullptr), -1);
  EXPECT_EQ(pak.Read(buffer, 1, 4, nullptr), 0u);
  EXPECT_EQ(pak.GetChar(nullptr), -1);
  EXPECT_EQ(pak.ReadLine(buffer, 4, nullptr), nullptr);
  EXPECT_EQ(pak.AtEnd(nullptr), 1);
  EXPECT_EQ(pak.OpenWide(L"x", L"rb"), nullptr);
  wchar_t wide[2] = {L'k', 0};
  EXPECT_EQ(pak.ReadLineWide(wide, 2, nullptr), wide);
  EXPECT_EQ(wide[0], L'k');
}

}  // namespace
