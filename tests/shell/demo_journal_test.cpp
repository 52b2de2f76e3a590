// The demo journal: the event encoding, the file header and its reader, the
// journalled results and the replay of input into the widgets.
#include "demo_support.h"

#include <sys/stat.h>

#include "platform/Files.h"
#include "platform/Registry.h"
#include "shell/base/TwisterRandom.h"

namespace demotest {
namespace {

// Reads the recorded bits back as the test states them.
struct Bits {
  explicit Bits(const Buffer& recorded) : buffer(recorded) { buffer.Rewind(); }
  uint32_t Take(int n, bool sign = false) { return buffer.TakeBits(n, sign); }
  Buffer buffer;
};

using DemoEventTest = DemoFixture;

TEST_F(DemoEventTest, LongGapsBecomeFillersThenTheRemainder) {
  DemoApp& app = MakeDemoApp();
  StartRecording(app);
  app.mUpdateCount = 40;
  app.RecordInputMessage(app.mMainWindow.load(), WM_KEYDOWN, 'A', 0);
  Bits bits(app.mDemoBuffer);
  for (int filler = 0; filler < 2; ++filler) {
    EXPECT_EQ(bits.Take(4), 15u);
    EXPECT_EQ(bits.Take(1), 0u);
    EXPECT_EQ(bits.Take(5), 31u);
  }
  EXPECT_EQ(bits.Take(4), 10u);
  EXPECT_EQ(bits.Take(1), 0u);
  EXPECT_EQ(bits.Take(5), 3u);
  EXPECT_EQ(bits.Take(8), static_cast<uint32_t>('A'));
  EXPECT_EQ(app.mLastEventUpdate, 40);
}

TEST_F(DemoEventTest, PointerEventsAndTheirReplay) {
  DemoApp& app = MakeDemoApp();
  HWND window = app.mMainWindow.load();
  StartRecording(app);
  app.mDemoMouseX = 100;
  app.mDemoMouseY = 100;
  // (31, -31): short; then (31, -32) from there: absolute.
  app.RecordInputMessage(window, WM_MOUSEMOVE, 0, MAKELPARAM(131, 69));
  app.RecordInputMessage(window, WM_MOUSEMOVE, 0, MAKELPARAM(162, 37));
  // A button at the unchanged position: only the short button event.
  app.RecordInputMessage(window, WM_RBUTTONDBLCLK, 0, MAKELPARAM(162, 37));
  app.RecordInputMessage(window, WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<uint16_t>(-120)) << 16,
                         MAKELPARAM(162, 37));
  Bits bits(app.mDemoBuffer);
  EXPECT_EQ(bits.Take(4), 0u);
  EXPECT_EQ(bits.Take(1), 1u);
  EXPECT_EQ(bits.Take(1), 0u);
  EXPECT_EQ(static_cast<int32_t>(bits.Take(6, true)), 31);
  EXPECT_EQ(static_cast<int32_t>(bits.Take(6, true)), -31);
  EXPECT_EQ(bits.Take(4), 0u);
  EXPECT_EQ(bits.Take(1), 0u);
  EXPECT_EQ(bits.Take(5), 0u);
  EXPECT_EQ(bits.Take(12), 162u);
  EXPECT_EQ(bits.Take(12), 37u);
  EXPECT_EQ(bits.Take(4), 0u);
  EXPECT_EQ(bits.Take(1), 1u);
  EXPECT_EQ(bits.Take(1), 1u);
  EXPECT_EQ(bits.Take(1), 1u);      // down
  EXPECT_EQ(bits.Take(3), 0b110u);  // -2
  EXPECT_EQ(bits.Take(4), 0u);
  EXPECT_EQ(bits.Take(1), 0u);
  EXPECT_EQ(bits.Take(5), 21u);
  EXPECT_EQ(bits.Take(8), 0xFFu);

  Buffer stream = app.mDemoBuffer;
  StartPlaying(app, stream);
  app.mDemoMouseX = 100;
  app.mDemoMouseY = 100;
  app.ReplayDemoEvents();
  EXPECT_EQ(Tracer(0).trace,
            (std::vector<std::string>{"0: move 131 69", "0: move 162 37", "0: down 162 37 -2", "0: wheel -1"}));
}

TEST_F(DemoEventTest, NegativePositionIsStoredAs12BitsAndRelativeMovesStayInStep) {
  DemoApp& app = MakeDemoApp();
  HWND window = app.mMainWindow.load();
  StartRecording(app);
  app.RecordInputMessage(window, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<uint16_t>(-1), 200));
  // A small move after it: the recorder counts from what the replay holds.
  app.RecordInputMessage(window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 200));
  Bits bits(app.mDemoBuffer);
  bits.Take(10);
  EXPECT_EQ(bits.Take(12), 4095u);
  Buffer stream = app.mDemoBuffer;
  StartPlaying(app, stream);
  app.ReplayDemoEvents();
  EXPECT_EQ(app.mWidgetManager->mLastMouseX, 5);
  EXPECT_EQ(app.mDemoMouseX.load(), 5);
}

TEST_F(DemoEventTest, RecordsTheLogicalPosition) {
  DemoApp& app = MakeDemoApp();
  // The window shows the 640 x 480 game scaled to 1280 x 960.
  app.mWidgetManager->SetCoordinateTransform(Rect(0, 0, 640, 480), Rect(0, 0, 1280, 960));
  StartRecording(app);
  app.RecordInputMessage(app.mMainWindow.load(), WM_LBUTTONDOWN, 0, MAKELPARAM(400, 300));
  Buffer stream = app.mDemoBuffer;
  app.mWidgetManager->SetCoordinateTransform(Rect(0, 0, 640, 480), Rect(0, 0, 640, 480));
  StartPlaying(app, stream);
  app.ReplayDemoEvents();
  EXPECT_EQ(Tracer(0).trace, (std::vector<std::string>{"0: move 200 150", "0: down 200 150 1"}));
}

TEST_F(DemoEventTest, KeysCharactersFocusAndWindowEventsReplay) {
  DemoApp& app = MakeDemoApp();
  HWND window = app.mMainWindow.load();
  StartRecording(app);
  app.RecordInputMessage(window, WM_KEYDOWN, 0x41, 0);
  app.mUpdateCount = 3;
  app.RecordInputMessage(window, WM_CHAR, 0x0416, 0);  // a Cyrillic letter
  app.RecordInputMessage(window, WM_SYSKEYUP, 0x12, 0);
  app.RecordPointerInWindow(false);
  app.mUpdateCount = 5;
  app.RecordInputMessage(window, WM_ACTIVATEAPP, 0, 0);
  app.RecordLoaderFinished();
  Buffer stream = app.mDemoBuffer;
  StartPlaying(app, stream);
  app.mDemoLoaderFinished = false;
  app.ReplayDemoEvents();
  EXPECT_EQ(Tracer(0).trace, (std::vector<std::string>{"0: keydown 65"}));
  // The next event is due at 3: no update may run before it is replayed.
  app.mUpdateCount = 2;
  app.mLoaderFinishAcknowledged = app.mDemoLoaderFinished;
  EXPECT_TRUE(app.GatedStepUpdate());
  EXPECT_EQ(app.mUpdateCount, 3);
  EXPECT_FALSE(app.GatedStepUpdate());
  app.ReplayDemoEvents();
  EXPECT_EQ(Tracer(0).trace, (std::vector<std::string>{"0: keydown 65", "3: char 1046", "3: keyup 18"}));
  EXPECT_FALSE(app.mPointerInWindow);
  app.mUpdateCount = 5;
  app.ReplayDemoEvents();
  EXPECT_FALSE(app.mActive);
  EXPECT_TRUE(app.mDemoLoaderFinished);
  // The stream has ended: the run holds at the last event's count.
  EXPECT_TRUE(app.mDemoBuffer.Exhausted());
  app.mLoaderFinishAcknowledged = true;
  EXPECT_FALSE(app.GatedStepUpdate());
  EXPECT_EQ(app.mUpdateCount, 5);
}

using DemoFileTest = DemoFixture;

TEST_F(DemoFileTest, WrittenHeaderBytes) {
  DemoApp& app = MakeDemoApp();
  StartRecording(app);
  app.mRandomSeed = 0x01020304;
  app.mUpdateCount = 3;
  app.RecordInputMessage(app.mMainWindow.load(), WM_KEYDOWN, 0x41, 0);
  app.mUpdateCount = 77;
  app.mDemoFilePath = folder + "/golden.dmo";
  app.WriteDemoFile();
  std::string expected = U32(0x42BEEF78) + U32(2) + U32(0x01020304) + U16(8) + "test 1.0" + U32(4) + U32(0) + U32(77) +
                         std::string(reinterpret_cast<const char*>(app.mDemoBuffer.Data()),
                                     static_cast<size_t>(app.mDemoBuffer.ByteSize()));
  EXPECT_EQ(ReadFile(app.mDemoFilePath), expected);
  EXPECT_EQ(expected.substr(0, 4), std::string("\x78\xEF\xBE\x42", 4));
  // No temporary file is left beside it.
  EXPECT_EQ(Platform::ListFiles(folder + "/golden.dmo*").size(), 1u);
}

TEST_F(DemoFileTest, MarkersSurviveAWriteAndARead) {
  DemoApp& app = MakeDemoApp();
  StartRecording(app);
  app.mMarkers = {{"start", 10}, {std::string(40000, 'm'), 20}};
  app.mUpdateCount = 30;
  app.RecordInputMessage(app.mMainWindow.load(), WM_KEYDOWN, 0x41, 0);
  app.mDemoFilePath = folder + "/markers.dmo";
  app.WriteDemoFile();
  app.mRecording = false;
  app.mMarkers.clear();
  std::string error;
  ASSERT_TRUE(app.ReadDemoFile(&error)) << error;
  ASSERT_EQ(app.mMarkers.size(), 2u);
  EXPECT_EQ(app.mMarkers.front().name, "start");
  EXPECT_EQ(app.mMarkers.back().name, std::string(32767, 'm'));
  EXPECT_EQ(app.mMarkers.back().updateCount, 20u);
  EXPECT_EQ(app.mDemoLength, 30);
}

TEST_F(DemoFileTest, ReaderRefusesBadFilesWithExactTexts) {
  DemoApp& app = MakeDemoApp();
  std::string head = U32(0x42BEEF78) + U32(2) + U32(99) + U16(8) + "test 1.0";
  std::string emptyMarkers = U32(4) + U32(0);
  struct Case {
    const char* name;
    std::string bytes;
    std::string error;  // empty: the file plays
  };
  std::string invalid = "Invalid demo file.";
  std::string marker = U32(1) + U16(2) + "ab" + U32(5);
  const Case cases[] = {
      {"plays", head + emptyMarkers + U32(50) + "\x01", ""},
      {"version 1 has no marker block", U32(0x42BEEF78) + U32(1) + U32(99) + U16(8) + "test 1.0" + U32(50) + "\x01",
       ""},
      {"bad magic", U32(0x42BEEF79) + U32(2) + U32(99), invalid},
      {"truncated header", head.substr(0, 10), invalid},
      {"truncated version text", head.substr(0, 16), invalid},
      {"other version", U32(0x42BEEF78) + U32(2) + U32(99) + U16(3) + "1.5" + emptyMarkers + U32(1) + "x",
       "This demo file appears to be for '1.5'"},
      {"marker block size negative", head + U32(0xFFFFFFF0u) + U32(0) + U32(50) + "\x01", invalid},
      {"marker block size too large", head + U32(13) + U32(0) + U32(50) + "\x01", invalid},
      {"more markers claimed than held", head + U32(14) + U32(2) + U16(2) + "ab" + U32(5) + U32(50) + "\x01", invalid},
      {"marker text longer than its block", head + U32(10) + U32(1) + U16(900) + "ab" + U32(50) + "\x01", invalid},
      {"one marker", head + U32(static_cast<uint32_t>(marker.size())) + marker + U32(50) + "\x01", ""},
      {"no stream left", head + emptyMarkers + U32(50), invalid},
      {"empty file", "", invalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    app.mDemoFilePath = folder + "/case.dmo";
    WriteFile(app.mDemoFilePath, c.bytes);
    app.mMarkers.clear();
    std::string error;
    bool read = app.ReadDemoFile(&error);
    EXPECT_EQ(read, c.error.empty());
    if (!c.error.empty()) {
      EXPECT_EQ(error, c.error);
    }
  }
  app.mDemoFilePath = folder + "/missing.dmo";
  std::string error;
  EXPECT_FALSE(app.ReadDemoFile(&error));
  EXPECT_EQ(error, "Demo file not found: " + folder + "/missing.dmo");
}

TEST_F(DemoFileTest, ReadingSeedsTheGeneratorAndLoadsTheStream) {
  DemoApp& app = MakeDemoApp();
  app.mDemoFilePath = folder + "/seed.dmo";
  WriteFile(app.mDemoFilePath,
            U32(0x42BEEF78) + U32(2) + U32(1234) + U16(8) + "test 1.0" + U32(4) + U32(0) + U32(9) + "\xAB\xCD");
  std::string error;
  ASSERT_TRUE(app.ReadDemoFile(&error));
  EXPECT_EQ(app.mRandomSeed, 1234u);
  EXPECT_EQ(app.mDemoLength, 9);
  EXPECT_EQ(app.mDemoBuffer.ByteSize(), 2);
  uint32_t first = gRandom.Next();
  SeedRandom(1234);
  EXPECT_EQ(gRandom.Next(), first);
}

using DemoJournalTest = DemoFixture;

TEST_F(DemoJournalTest, BytesStringsAndFlagsRoundTrip) {
  DemoApp& app = MakeDemoApp();
  StartRecording(app);
  Buffer data;
  data.PutU32(0xDEADBEEF);
  std::string text = "reason";
  std::string longText(40000, 'x');
  bool flag = true;
  app.JournalBytes(data);
  app.JournalString(text);
  app.JournalString(longText);
  app.JournalBool(flag);
  EXPECT_EQ(longText.size(), 32767u);  // cut, so it comes back whole

  Buffer stream = app.mDemoBuffer;
  StartPlaying(app, stream);
  Buffer replayed;
  std::string replayedText = "live";
  std::string replayedLong;
  bool replayedFlag = false;
  app.JournalBytes(replayed);
  app.JournalString(replayedText);
  app.JournalString(replayedLong);
  app.JournalBool(replayedFlag);
  EXPECT_EQ(replayed.TakeU32(), 0xDEADBEEFu);
  EXPECT_EQ(replayedText, "reason");
  EXPECT_EQ(replayedLong, std::string(32767, 'x'));
  EXPECT_TRUE(replayedFlag);
  EXPECT_TRUE(app.exitCodes.empty());
}

TEST_F(DemoJournalTest, FileReadsReplayTheRecordedBytes) {
  DemoApp& app = MakeDemoApp();
  std::string path = folder + "/level.txt";
  WriteFile(path, "recorded");
  StartRecording(app);
  Buffer data;
  EXPECT_TRUE(app.LoadFileJournaled(path, data, false));
  EXPECT_FALSE(app.LoadFileJournaled(folder + "/none.txt", data, false));
  WriteFile(path, "changed since");
  Buffer stream = app.mDemoBuffer;
  StartPlaying(app, stream);
  Buffer replayed;
  ASSERT_TRUE(app.LoadFileJournaled(path, replayed, false));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(replayed.Data()), replayed.ByteSize()), "recorded");
  std::remove(path.c_str());
  WriteFile(folder + "/none.txt", "there now");
  EXPECT_FALSE(app.LoadFileJournaled(folder + "/none.txt", replayed, false));
  // Unjournalled reads go to the disk and leave the stream alone.
  EXPECT_TRUE(app.LoadFileJournaled(folder + "/none.txt", replayed, true));
}

TEST_F(DemoJournalTest, FileThatCannotBeReadWholeIsNotFound) {
  DemoApp& app = MakeDemoApp();
  StartRecording(app);
  Buffer data;
  data.PutByte(7);
  // A folder opens on some systems but cannot be read as a file.
  EXPECT_FALSE(app.LoadFileJournaled(folder, data, false));
  Bits bits(app.mDemoBuffer);
  bits.Take(5);
  EXPECT_EQ(bits.Take(5), 15u);
  EXPECT_EQ(bits.Take(1), 0u);  // found bit 0
}

TEST_F(DemoJournalTest, RegistryResultsReplayAndOversizedValuesStayAligned) {
  DemoApp& app = MakeDemoApp();
  StartRecording(app);
  EXPECT_TRUE(app.StoreRegistryString("Name", "abcdefgh"));
  EXPECT_TRUE(app.StoreRegistryInt("Count", 42));
  char text[16] = {};
  DWORD type = 0, size = sizeof text;
  EXPECT_TRUE(app.FetchRegistryValue("Name", &type, reinterpret_cast<uint8_t*>(text), &size));
  int32_t count = 0;
  EXPECT_TRUE(app.FetchRegistryInt("Count", &count));
  EXPECT_FALSE(app.FetchRegistryInt("Missing", &count));
  app.RecordInputMessage(app.mMainWindow.load(), WM_KEYDOWN, 0x42, 0);

  // The store changes; playback answers from the recording.
  app.StoreRegistryInt("Count", 7);
  Buffer stream = app.mDemoBuffer;
  StartPlaying(app, stream);
  EXPECT_TRUE(app.StoreRegistryString("Name", "zz"));
  EXPECT_TRUE(app.StoreRegistryInt("Count", 1));
  char small[4] = {'k', 'k', 'k', 'k'};
  size = sizeof small;
  EXPECT_FALSE(app.FetchRegistryValue("Name", &type, reinterpret_cast<uint8_t*>(small), &size));
  EXPECT_EQ(std::string(small, 4), "kkkk");
  EXPECT_EQ(size, 4u);
  count = 0;
  EXPECT_TRUE(app.FetchRegistryInt("Count", &count));
  EXPECT_EQ(count, 42);
  EXPECT_FALSE(app.FetchRegistryInt("Missing", &count));
  app.ReplayDemoEvents();
  EXPECT_EQ(Tracer(0).trace, (std::vector<std::string>{"0: keydown 66"}));
}

TEST_F(DemoJournalTest, AfterTheWindowClosedNothingIsConsumed) {
  DemoApp& app = MakeDemoApp();
  StartRecording(app);
  app.RecordInputMessage(app.mMainWindow.load(), WM_KEYDOWN, 0x43, 0);
  Buffer stream = app.mDemoBuffer;
  StartPlaying(app, stream);
  app.mWindowClosed = true;
  std::string path = folder + "/file.txt";
  WriteFile(path, "x");
  Buffer data;
  data.PutByte(9);
  int32_t value = 5;
  std::string text = "kept";
  EXPECT_TRUE(app.StoreRegistryInt("Count", 1));
  EXPECT_FALSE(app.FetchRegistryInt("Count", &value));
  EXPECT_FALSE(app.LoadFileJournaled(path, data, false));
  app.JournalBytes(data);
  app.JournalString(text);
  EXPECT_EQ(value, 5);
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(data.ByteSize(), 1);
  EXPECT_EQ(app.mDemoBuffer.ReadPosition(), 0);
}

TEST_F(DemoJournalTest, DueJournalRecordsAreSkippedByTheirLayout) {
  DemoApp& app = MakeDemoApp();
  HWND window = app.mMainWindow.load();
  StartRecording(app);
  // What a live mode switch journals between two keys; playback makes none
  // of these calls, so the records fall due in the replay loop.
  app.RecordInputMessage(window, WM_KEYDOWN, 0x0D, 0);
  app.JournalRegistryFetch(true, 4, reinterpret_cast<const uint8_t*>("abcdef"), 6);
  app.JournalRegistryFetch(false, 0, nullptr, 0);
  app.JournalRegistryStore(true);
  std::string path = folder + "/f.txt";
  WriteFile(path, "file bytes");
  Buffer data;
  app.LoadFileJournaled(path, data, false);
  app.LoadFileJournaled(folder + "/none", data, false);
  std::string text = "why it failed";
  app.JournalString(text);
  app.RecordDisplayInfo(0);
  app.RecordInputMessage(window, WM_KEYUP, 0x0D, 0);
  // A transfer result record as the uploader writes it, then one more key.
  app.WriteDemoEventHeader();
  app.mDemoBuffer.PutBits(0, 1);
  app.mDemoBuffer.PutBits(17, 5);
  app.mDemoBuffer.PutU32(3);
  app.mDemoBuffer.PutByte(1);
  app.mDemoBuffer.PutText("done");
  app.RecordInputMessage(window, WM_KEYDOWN, 0x20, 0);
  Buffer stream = app.mDemoBuffer;
  StartPlaying(app, stream);
  app.ReplayDemoEvents();
  // The transfer result waits, unread, for the transfer that polls for it;
  // the events behind it wait with it.
  EXPECT_EQ(Tracer(0).trace, (std::vector<std::string>{"0: keydown 13", "0: keyup 13"}));
  EXPECT_TRUE(app.mPlaying);
  EXPECT_FALSE(app.mHeaderNeeded);
  EXPECT_EQ(app.mPendingCode, 17);
}

TEST_F(DemoJournalTest, CorruptCountsEndPlaybackWithAClearError) {
  struct Case {
    const char* name;
    std::function<void(Buffer&)> payload;
    std::function<void(DemoApp&)> call;  // null: the record falls due in the replay loop
  };
  auto header = [](Buffer& b, int code) {
    b.PutBits(0, 4);
    b.PutBits(0, 1);
    b.PutBits(static_cast<uint32_t>(code), 5);
  };
  const Case cases[] = {
      {"bytes in the loop", [&](Buffer& b) { header(b, 18), b.PutU32(0xFFFFFFFFu); }, nullptr},
      {"file read in the loop", [&](Buffer& b) { header(b, 15), b.PutBits(1, 1), b.PutU32(0xFFFFFFFFu); }, nullptr},
      {"registry read in the loop",
       [&](Buffer& b) { header(b, 11), b.PutBits(1, 1), b.PutU32(1), b.PutU32(0xFFFFFFFFu); }, nullptr},
      {"unused code", [&](Buffer& b) { header(b, 13); }, nullptr},
      {"journalled bytes", [&](Buffer& b) { header(b, 18), b.PutU32(0xFFFFFFFFu); },
       [](DemoApp& a) {
         Buffer d;
         a.JournalBytes(d);
       }},
      {"journalled string longer than its bytes", [&](Buffer& b) { header(b, 18), b.PutU32(2), b.PutU16(500); },
       [](DemoApp& a) {
         std::string s;
         a.JournalString(s);
       }},
      {"file read", [&](Buffer& b) { header(b, 15), b.PutBits(1, 1), b.PutU32(0xFFFFFFFFu); },
       [](DemoApp& a) {
         Buffer d;
         EXPECT_FALSE(a.LoadFileJournaled("x", d, false));
       }},
      {"registry read", [&](Buffer& b) { header(b, 11), b.PutBits(1, 1), b.PutU32(1), b.PutU32(0xFFFFFFFFu); },
       [](DemoApp& a) {
         int32_t v = 0;
         EXPECT_FALSE(a.FetchRegistryInt("Count", &v));
       }},
  };
  DemoApp& app = MakeDemoApp();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Buffer stream;
    c.payload(stream);
    stream.PutBits(0, 16);
    StartPlaying(app, stream);
    app.exitCodes.clear();
    if (c.call)
      c.call(app);
    else
      app.ReplayDemoEvents();
    EXPECT_FALSE(app.mPlaying);
    EXPECT_EQ(app.exitCodes, std::vector<int32_t>{0});
  }
  EXPECT_NE(Log().find("Invalid demo file."), std::string::npos);
}

TEST_F(DemoJournalTest, DisplayStateIsRecordedAndReadAtStartUp) {
  DemoApp& app = MakeDemoApp();
  StartRecording(app);
  app.mWindowed = false;
  ASSERT_NE(app.mDisplay, nullptr);
  app.mDisplay->refreshRate = 75;
  app.RecordDisplayInfo(0);
  EXPECT_EQ(app.mRefreshRate, 75);
  Buffer stream = app.mDemoBuffer;
  StartPlaying(app, stream);
  app.mWindowed = true;
  app.mRefreshRate = 100;
  app.ReadDisplayStateRecord();
  EXPECT_FALSE(app.mWindowed);
  EXPECT_EQ(app.mRefreshRate, 75);
}

using NumberedDemoTest = DemoFixture;

TEST_F(NumberedDemoTest, KeepsTheNewestAndReportsTheHighest) {
  DemoApp& app = MakeDemoApp();
  std::string stem = folder + "/run";
  EXPECT_EQ(app.FindNumberedDemos(stem, 5, true), 0);
  for (int n = 3; n <= 6; ++n) WriteFile(stem + std::to_string(n) + ".dmo", "d");
  WriteFile(stem + "x.dmo", "not numbered");
  EXPECT_EQ(app.FindNumberedDemos(stem, 5, true), 6);
  struct stat info {};
  EXPECT_EQ(stat((stem + "3.dmo").c_str(), &info), 0);
  WriteFile(stem + "7.dmo", "d");
  EXPECT_EQ(app.FindNumberedDemos(stem, 5, true), 7);
  EXPECT_NE(stat((stem + "3.dmo").c_str(), &info), 0);
  EXPECT_EQ(stat((stem + "4.dmo").c_str(), &info), 0);
}

}  // namespace
}  // namespace demotest
