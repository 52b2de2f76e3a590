// The scene database file: the builder's writer against the reader, lookups,
// the image block's entries, and damaged files refused quickly without
// reading outside what was loaded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/ImageTable.h"
#include "engine/SceneDatabase.h"
#include "engine/SceneLoader.h"
#include "tests/engine/scene_file_support.h"

namespace scenetest {
namespace {

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Zeros(int n) { return std::string(2 * n, '0'); }

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// A file of one configuration scene "Main" whose image block is replaced by
// imageBlock (written as given, its size in the header).
std::string FileWithImageBlock(const std::string& imageBlock) {
  std::string file = MinimalFile();
  std::string scene = file.substr(124);
  std::string out = file.substr(0, 60) + imageBlock + scene;
  PutU32At(out, 24, static_cast<uint32_t>(imageBlock.size()));
  PutU32At(out, 52, static_cast<uint32_t>(60 + imageBlock.size()));
  return out;
}

std::string Pair(const std::string& key, const std::string& value) {
  std::string out(4, '\0');
  PutU16At(out, 0, static_cast<uint32_t>(key.size()));
  PutU16At(out, 2, static_cast<uint32_t>(value.size()));
  return out + key + value;
}

std::string ImageBlockHeader(uint32_t pairsPerEntry, uint32_t entries) {
  std::string header(64, '\0');
  PutU16At(header, 60, pairsPerEntry);
  PutU16At(header, 62, entries);
  return header;
}

TEST_F(SceneFileTest, TheWriterMakesTheSmallestFileByteForByte) {
  const std::string expected = Zeros(12) +
                               "1C000000"
                               "01000000"
                               "3C000000"
                               "40000000" +
                               Hex("Main") + Zeros(20) +
                               "7C000000"
                               "4D000000" +
                               Zeros(64) + Hex("Main") + Zeros(20) + Zeros(32) +
                               "00000000"
                               "0100"
                               "0000"
                               "06000300" +
                               Hex("_iXRes") + Hex("800");
  const std::string file = MinimalFile();
  EXPECT_EQ(file.size(), 201u);
  EXPECT_EQ(Hex(file), expected);

  ASSERT_TRUE(Open(file));
  EXPECT_TRUE(ImageEntries().empty());
  ObjectList list;
  ASSERT_TRUE(LoadScene("Main", list));
  ASSERT_EQ(list.size(), 1u);
  auto* config = dynamic_cast<sObjConfig*>(list[0]);
  ASSERT_NE(config, nullptr);
  EXPECT_EQ(config->mWidth, 800);
  EXPECT_EQ(config->mName, "");
}

TEST_F(SceneFileTest, LookupsMatchWholeNamesAndTheFirstEntryWins) {
  SceneDatabaseWriter writer;
  std::string error;
  ASSERT_TRUE(writer.AddScene("Menu", Record("first", 1), &error));
  ASSERT_TRUE(writer.AddScene("Menx", Record("second", 1), &error));
  std::string bytes = writer.Bytes();
  bytes[28 + 32 + 3] = 'u';  // the second index entry becomes "Menu" too
  ASSERT_TRUE(Open(bytes));
  ObjectList list;
  ASSERT_TRUE(LoadScene("Menu", list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]->mName, "first");
  for (const char* name : {"Men", "Menu ", "menu", ""}) EXPECT_FALSE(SceneExists(name)) << name;
}

// A name holds at most 23 characters: a field of 24 without a zero byte is
// read up to its 23rd, and a 24-character name is never found.
TEST_F(SceneFileTest, ANameFillingItsFieldKeepsTwentyThreeCharacters) {
  std::string bytes = MinimalFile();
  const std::string full(24, 'N');
  const std::string kept(23, 'N');
  bytes.replace(28, 24, full);   // index name without a zero byte
  bytes.replace(124, 24, full);  // record name likewise
  PutU32At(bytes, 124 + 56, 1);  // a plain record, so its name is kept
  ASSERT_TRUE(Open(bytes));
  EXPECT_FALSE(SceneExists(full));
  EXPECT_FALSE(SceneExists(full + std::string("\x7C", 1)));
  ObjectList list;
  EXPECT_FALSE(LoadScene(full, list));
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(SceneExists(kept));
  ASSERT_TRUE(LoadScene(kept, list));
  EXPECT_EQ(list[0]->mName, kept);
}

TEST_F(SceneFileTest, AConfigurationRecordsChildrenAreNotRead) {
  DtmRecord config = Record("Main", 0);
  config.Property("_iXRes", "640");
  for (int i = 0; i < 3; ++i) config.Child(Record("child", 1));
  SceneDatabaseWriter writer;
  std::string error;
  ASSERT_TRUE(writer.AddScene("Main", config, &error));
  ASSERT_TRUE(Open(writer));
  ObjectList list;
  ASSERT_TRUE(LoadScene("Main", list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(dynamic_cast<sObjConfig*>(list[0])->mWidth, 640);
}

TEST_F(SceneFileTest, ARecordWithoutPairsOrChildrenIsSixtyFourBytes) {
  EXPECT_EQ(DtmRecordBytes(Record("a", 1)).size(), 64u);
  DtmRecord root = Record("root", 1);
  root.Child(Record("a", 2)).Child(Record("b", 2));
  EXPECT_EQ(DtmRecordBytes(root).size(), 3 * 64u);
  SceneDatabaseWriter writer;
  std::string error;
  ASSERT_TRUE(writer.AddScene("S", root, &error));
  ASSERT_TRUE(Open(writer));
  ObjectList list;
  ASSERT_TRUE(LoadScene("S", list));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[2]->mName, "b");
  EXPECT_EQ(list[2]->mBaseQuad.corner[2].x, 110.0f);
  EXPECT_EQ(list[2]->mCentre.y, 45.0f);
}

TEST_F(SceneFileTest, ImageEntriesKeepTheValuesTheyDoNotName) {
  ASSERT_TRUE(Open(FileWithImageBlock(ImageBlockHeader(0, 0))));
  EXPECT_TRUE(ImageEntries().empty());

  std::string block = ImageBlockHeader(3, 2) + Pair("key", "a") + Pair("preload", "x") + Pair("column", "4") +
                      Pair("key", "b") + Pair("path", "p.png") + Pair("key", "c");
  ASSERT_TRUE(Open(FileWithImageBlock(block)));
  std::vector<ImageEntry> entries = ImageEntries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].key, "a");
  EXPECT_TRUE(entries[0].preload);
  EXPECT_EQ(entries[0].columns, 4);
  EXPECT_EQ(entries[0].path, "");
  EXPECT_EQ(entries[1].key, "c");  // a later pair of one entry wins
  EXPECT_EQ(entries[1].path, "p.png");
  EXPECT_TRUE(entries[1].preload);
  EXPECT_EQ(entries[1].columns, 4);
  EXPECT_EQ(entries[1].rows, 0);
}

TEST_F(SceneFileTest, TheWritersImageEntriesNameAllFiveKeys) {
  SceneDatabaseWriter writer;
  std::string error;
  ASSERT_TRUE(writer.AddScene("Main", Record("Main", 0), &error));
  ASSERT_TRUE(writer.AddImage(DtmImage{"one", "img/one.png", true, 4, 2}, &error));
  ASSERT_TRUE(writer.AddImage(DtmImage{"two", "img/two.png", false, 1, 1}, &error));
  ASSERT_TRUE(Open(writer));
  std::vector<ImageEntry> entries = ImageEntries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].key, "two");
  EXPECT_EQ(entries[1].path, "img/two.png");
  EXPECT_FALSE(entries[1].preload);
  EXPECT_EQ(entries[1].columns, 1);
  EXPECT_EQ(entries[1].rows, 1);
}

TEST_F(SceneFileTest, TheWriterRefusesWhatTheReaderCannotGiveBack) {
  SceneDatabaseWriter writer;
  std::string error;
  ASSERT_TRUE(writer.AddScene("Main", Record("Main", 0), &error));
  const std::string before = writer.Bytes();
  DtmRecord longKey = Record("r", 1);
  longKey.Property(std::string(128, 'k'), "v");
  DtmRecord zeroValue = Record("r", 1);
  zeroValue.Property("k", std::string("a\0b", 3));
  DtmRecord deepLongName = Record("r", 1);
  deepLongName.Child(Record(std::string(24, 'x'), 1));
  DtmRecord valid = Record("r", 1);
  DtmRecord manyChildren = Record("r", 1);
  manyChildren.children.resize(65536);
  struct Case {
    const char* what;
    std::string name;
    const DtmRecord* record;
  } cases[] = {{"long scene name", std::string(24, 's'), &valid},
               {"duplicate scene", "Main", &valid},
               {"empty scene name", "", &valid},
               {"long key", "A", &longKey},
               {"zero byte in a value", "B", &zeroValue},
               {"long record name", "C", &deepLongName},
               {"65,536 children", "D", &manyChildren}};
  for (const Case& c : cases) {
    error.clear();
    EXPECT_FALSE(writer.AddScene(c.name, *c.record, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
  EXPECT_TRUE(writer.AddScene(std::string(23, 's'), Record(std::string(23, 'r'), 1), &error));
  EXPECT_FALSE(writer.AddImage(DtmImage{std::string(128, 'k'), "p", true, 1, 1}, &error));
  EXPECT_FALSE(writer.AddImage(DtmImage{"k", std::string("p\0", 2), true, 1, 1}, &error));
  for (int i = 0; i < 65535; ++i) ASSERT_TRUE(writer.AddImage(DtmImage{"k", "p", false, 1, 1}, &error));
  EXPECT_FALSE(writer.AddImage(DtmImage{"k", "p", false, 1, 1}, &error));
  EXPECT_EQ(writer.Images().size(), 65535u);
  EXPECT_EQ(writer.Scenes().size(), 2u);
  EXPECT_NE(before, writer.Bytes());
}

// Damaged headers, indexes and image blocks leave the database closed.
TEST_F(SceneFileTest, DamagedIndexesAndImageBlocksAreRefused) {
  const std::string good = MinimalFile();
  struct Case {
    const char* what;
    std::size_t at;
    uint32_t value;
  } cases[] = {{"index count 0", 16, 0},
               {"index count 0xFFFFFFFF", 16, 0xFFFFFFFFu},
               {"index offset past the end", 12, 1000},
               {"index offset near 4 GiB", 12, 0xFFFFFFF0u},
               {"image block size 0", 24, 0},
               {"image block of 10 bytes", 24, 10},
               {"image block past the end", 20, 190},
               {"scene offset past the end", 52, 200},
               {"scene size past the end", 56, 78},
               {"scene offset near 4 GiB", 52, 0xFFFFFFFFu}};
  for (const Case& c : cases) {
    std::string bytes = good;
    PutU32At(bytes, c.at, c.value);
    EXPECT_FALSE(Open(bytes)) << c.what;
    EXPECT_FALSE(SceneDatabaseOpen()) << c.what;
    EXPECT_FALSE(SceneExists("Main")) << c.what;
  }
  // P x N pairs that run past the block, and an entry's value past it.
  EXPECT_FALSE(Open(FileWithImageBlock(ImageBlockHeader(5, 65535) + Pair("key", "a"))));
  std::string cut = ImageBlockHeader(1, 1) + Pair("key", "abc");
  EXPECT_FALSE(Open(FileWithImageBlock(cut.substr(0, cut.size() - 1))));
  EXPECT_TRUE(ImageEntries().empty());
  EXPECT_FALSE(OpenSceneDatabase(mFolder / "missing.dtm"));
  EXPECT_TRUE(Open(good));
}

TEST_F(SceneFileTest, EveryTruncationOfTheSmallestFileIsRefused) {
  const std::string good = MinimalFile();
  for (std::size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(Open(good.substr(0, n))) << n << " bytes";
}

// Damaged scene blocks: LoadScene fails and the list keeps what it held.
TEST_F(SceneFileTest, DamagedScenesAppendNothing) {
  DtmRecord root = Record("root", 1);
  root.Property("_iX", "1").Child(Record("a", 1)).Child(Record("b", 1));
  SceneDatabaseWriter writer;
  std::string error;
  ASSERT_TRUE(writer.AddScene("Main", Record("Main", 0), &error));
  ASSERT_TRUE(writer.AddScene("S", root, &error));
  const std::string good = writer.Bytes();
  const std::size_t scene = 28 + 2 * 32 + 64 + 64;  // header, index, image block, "Main"
  ASSERT_EQ(good.size() - scene, 64u + 4 + 3 + 1 + 128);
  struct Case {
    const char* what;
    std::size_t at;
    uint32_t value;
    bool wide;
  } cases[] = {{"pair count past the block", scene + 60, 40, false},
               {"child count past the block", scene + 62, 3, false},
               {"pair length past the block", scene + 64, 0xFFFF, false},
               {"child's child count past the block", scene + 64 + 8 + 64 + 62, 1, false},
               {"block shorter than a record", 28 + 32 + 28, 60, true}};
  for (const Case& c : cases) {
    std::string bytes = good;
    if (c.wide) {
      PutU32At(bytes, c.at, c.value);
    } else {
      PutU16At(bytes, c.at, c.value);
    }
    ASSERT_TRUE(Open(bytes)) << c.what;
    ObjectList list;
    ASSERT_TRUE(LoadScene("Main", list));
    EXPECT_FALSE(LoadScene("S", list)) << c.what;
    EXPECT_EQ(list.size(), 1u) << c.what;
  }
}

TEST_F(SceneFileTest, DeepNestingIsRefusedAtTheDepthLimit) {
  auto chain = [](int depth) {
    std::string bytes;
    for (int i = 0; i < depth; ++i) {
      std::string header(64, '\0');
      header[0] = 'n';
      PutU32At(header, 56, 1);
      PutU16At(header, 62, i + 1 < depth ? 1 : 0);
      bytes += header;
    }
    return bytes;
  };
  ::setenv("GAME_LOG", (mFolder / "game.log").c_str(), 1);
  for (int depth : {64, 65, 100000}) {
    std::string file = MinimalFile();
    std::string scene = chain(depth);
    PutU32At(file, 52, static_cast<uint32_t>(file.size()));
    PutU32At(file, 56, static_cast<uint32_t>(scene.size()));
    ASSERT_TRUE(Open(file + scene)) << depth;
    ObjectList list;
    EXPECT_EQ(LoadScene("Main", list), depth <= kMaxRecordDepth) << depth;
    EXPECT_EQ(list.size(), depth <= kMaxRecordDepth ? 64u : 0u) << depth;
  }
  // The developer log names the scene and the record that broke the limit.
  std::ifstream in(mFolder / "game.log", std::ios::binary);
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(Count(log, "scene \"Main\": damaged record at offset " + std::to_string(201 + 64 * 64) + "\n"), 2) << log;
  ::unsetenv("GAME_LOG");
}

TEST_F(SceneFileTest, ABlockReadGivesExactlyWhatWasAskedFor) {
  std::ofstream(Path(), std::ios::binary) << "0123456789";
  std::FILE* file = std::fopen(Path().c_str(), "rb");
  ASSERT_NE(file, nullptr);
  char buffer[16] = {};
  EXPECT_TRUE(ReadBlockAt(file, 6, buffer, 4));
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_FALSE(ReadBlockAt(file, 6, buffer, 5));
  EXPECT_FALSE(ReadBlockAt(file, 20, buffer, 1));
  EXPECT_FALSE(ReadBlockAt(file, 0, buffer, 0));
  std::fclose(file);
}

}  // namespace
}  // namespace scenetest
