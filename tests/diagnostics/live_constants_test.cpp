// Live constant editing against marker records laid out in this test
// program's own read-only data and a fixture source file they point to.
#include <gtest/gtest.h>
#include <utime.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "diagnostics/LiveConstants.h"
#include "platform/Platform.h"
#include "shell/base/Paths.h"
#include "tests/support/temp_folder.h"

// A relative name: each test writes it in a temporary folder of its own,
// made the working folder for the test, so two runs of the suite never meet.
#define LIVE_FIXTURE "diagnostics_live_fixture.cpp"

// Two marker records, as marked constants would leave them: the first for
// line 5, the second for line 9 of the fixture.
extern const char kFirstMarkerRecord[];
extern const char kSecondMarkerRecord[];
__attribute__((used)) const char kFirstMarkerRecord[] =
    "\x01\x00\x00\x00\x00"
    "KIVOMODVAL" LIVE_FIXTURE "0,5";
__attribute__((used)) const char kSecondMarkerRecord[] =
    "\x01\x00\x00\x00\x00"
    "KIVOMODVAL" LIVE_FIXTURE "1,9";

namespace {

using Kivo::LiveConstantEditor;

unsigned char* Record(const char* bytes) {
  return const_cast<unsigned char*>(reinterpret_cast<const unsigned char*>(bytes));
}

// The flag is written behind the compiler's back (the page is made writable
// for the moment), so read it through volatile.
unsigned char FlagOf(const char* record) { return *reinterpret_cast<const volatile unsigned char*>(record); }

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// How the headless backend logs an owner-less box.
std::string BoxLog(unsigned type, const std::string& title, const std::string& text) {
  std::string quoted;
  for (char c : text) quoted += c == '\n' ? std::string("\\n") : c == '"' ? std::string("\\\"") : std::string(1, c);
  char typeText[16];
  std::snprintf(typeText, sizeof typeText, "0x%X", type);
  return std::string("type=") + typeText + " title=\"" + title + "\" text=\"" + quoted + "\"";
}

class LiveConstants : public ::testing::Test {
 protected:
  void SetUp() override {
    Platform::SetMainThread();
    ASSERT_TRUE(Platform::StartBackend("headless"));
    ::setenv("GAME_LOG", (folder / "game.log").c_str(), 1);
    mPrevious = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
  }
  void TearDown() override {
    ::unsetenv("GAME_LOG");
    std::filesystem::current_path(mPrevious);
  }

  bool Logged(const std::string& line) { return ReadAll(folder / "game.log").find(line) != std::string::npos; }

  static void WriteFixture(const std::string& line5, const std::string& line9, int64_t modified) {
    std::ofstream out(LIVE_FIXTURE, std::ios::binary | std::ios::trunc);
    out << "// Marked constants.\n\n#include \"live.h\"\n\n" << line5 << "\n\n\n\n" << line9 << "\n";
    out.close();
    utimbuf times{static_cast<time_t>(modified), static_cast<time_t>(modified)};
    ASSERT_EQ(::utime(LIVE_FIXTURE, &times), 0);
  }

  TempFolder folder;
  std::filesystem::path mPrevious;
};

TEST_F(LiveConstants, AltRStampsFindsRegistersAndStoresChangedValues) {
  LiveConstantEditor editor(Platform::ExecutablePath());

  // First use: the program's time, the records found in its image; nothing
  // is active yet, so nothing is read.
  EXPECT_FALSE(editor.Reparse());
  EXPECT_TRUE(Logged(BoxLog(0x30, "MODVAL WARNING!", "WARNING: No file changes detected.  Files parsed: \r\n  none")));
  const int64_t stamp = editor.TimeStamp();
  EXPECT_EQ(stamp, Kivo::FileModifiedTime(Platform::ExecutablePath()));
  ASSERT_GT(stamp, 0);
  ASSERT_EQ(editor.Registry().count(LIVE_FIXTURE), 1u);
  const Kivo::LiveSourceFile& file = editor.Registry().at(LIVE_FIXTURE);
  EXPECT_FALSE(file.mActive);
  ASSERT_EQ(file.mMarkers.size(), 2u);
  EXPECT_EQ(file.mMarkers.at(0).mRecord, Record(kFirstMarkerRecord));
  EXPECT_EQ(file.mMarkers.at(0).mLine, 5);
  EXPECT_EQ(file.mMarkers.at(1).mRecord, Record(kSecondMarkerRecord));
  EXPECT_EQ(file.mMarkers.at(1).mLine, 9);

  // The first marked constant is used: its file becomes active and its
  // record (in read-only data) is attached.
  Kivo::LiveValue* first = editor.Register(Record(kFirstMarkerRecord));
  EXPECT_TRUE(editor.Registry().at(LIVE_FIXTURE).mActive);
  EXPECT_EQ(FlagOf(kFirstMarkerRecord), 0);
  EXPECT_EQ(Kivo::AttachedLiveValue(Record(kFirstMarkerRecord)), first);
  EXPECT_EQ(first->mUpdated, 0);

  // The fixture changes: line 5 and line 9 are re-read; the second record is
  // attached on the way.
  WriteFixture("int width = M(0x1F) + M(7);", "float speed = M1(1.5f);", stamp + 10);
  EXPECT_TRUE(editor.Reparse());
  EXPECT_EQ(first->mInt, 31);
  EXPECT_EQ(first->mUpdated, 1);
  EXPECT_EQ(FlagOf(kSecondMarkerRecord), 0);
  Kivo::LiveValue* second = Kivo::AttachedLiveValue(Record(kSecondMarkerRecord));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->mDouble, 1.5);
  EXPECT_EQ(second->mUpdated, 1);

  WriteFixture("int width = M(0x1F);", "const char* name = M1(\"a\\\"b\\n\");", stamp + 20);
  EXPECT_TRUE(editor.Reparse());
  EXPECT_EQ(second->mText, "a\"b\n");
  EXPECT_EQ(second->mDouble, 0.0) << "all three fields are written";

  // No change since: a warning listing the file.
  EXPECT_FALSE(editor.Reparse());
  EXPECT_TRUE(Logged(BoxLog(0x30, "MODVAL WARNING!",
                            std::string("WARNING: No file changes detected.  Files parsed: \r\n  ") + LIVE_FIXTURE)));

  WriteFixture("int width = M(0x1F); const char* s = \"open;", "", stamp + 30);
  EXPECT_FALSE(editor.Reparse());
  EXPECT_TRUE(Logged(
      BoxLog(0x10, "MODVAL ERROR", std::string("ERROR in ") + LIVE_FIXTURE + " on line 5: Error parsing quotes")));

  std::remove(LIVE_FIXTURE);
  EXPECT_FALSE(editor.Reparse());
  EXPECT_TRUE(
      Logged(BoxLog(0x10, "MODVAL ERROR!", std::string("ERROR: Unable to open ") + LIVE_FIXTURE + " for reparsing.")));
}

TEST_F(LiveConstants, ScanStaysInsideItsRun) {
  // Built at run time so that this program's own image holds no such text.
  const std::string marker = std::string("KIVO") + "MODVAL";
  const std::string good = std::string("\x01\0\0\0\0", 5) + marker + "run/a.cpp2,40" + std::string(1, '\0');
  const std::vector<std::pair<std::string, bool>> cases = {
      {marker + "run/b.cpp1,1" + std::string(1, '\0') + good, true},     // a find at the first byte
      {good + marker, true},                                             // a find at the last bytes
      {good + "xxxxx" + marker + "run/c.cpp1,2", true},                  // a suffix without its zero byte
      {"abcd" + marker + "run/d.cpp1,2" + std::string(1, '\0'), false},  // only 4 bytes before the find
  };
  for (const auto& c : cases) {
    LiveConstantEditor editor("/nonexistent");
    std::vector<unsigned char> run(c.first.begin(), c.first.end());  // exactly sized
    EXPECT_EQ(editor.ScanForMarkers(run.data(), run.size()), c.second);
    const Kivo::LiveRegistry& registry = editor.Registry();
    ASSERT_EQ(registry.size(), c.second ? 1u : 0u);
    if (!c.second) continue;
    ASSERT_EQ(registry.count("run/a.cpp"), 1u);
    const Kivo::LiveMarker& found = registry.at("run/a.cpp").mMarkers.at(2);
    EXPECT_EQ(found.mLine, 40);
    const size_t offset = c.first.find(good);
    EXPECT_EQ(found.mRecord, run.data() + offset);
  }
}

}  // namespace
