// Scripted input through the one translation both backends share.
#include <gtest/gtest.h>

#include "tests/platform/headless_fixture.h"

namespace {

const std::set<UINT> kButtons = {WM_LBUTTONDOWN, WM_LBUTTONUP,     WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
                                 WM_RBUTTONUP,   WM_RBUTTONDBLCLK, WM_MBUTTONDOWN,   WM_MBUTTONUP};
const std::set<UINT> kKeys = {WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSCHAR};
// Stands for the fixture window's handle in expected records.
constexpr WPARAM kThisWindow = 0x7FFF0000;
const std::set<UINT> kDown = {WM_KEYDOWN, WM_CHAR, WM_SYSKEYDOWN, WM_SYSCHAR};

struct Case {
  const char* name;
  const char* script;
  std::set<UINT> keep;
  std::vector<Record> expected;
};

class InputTable : public HeadlessFixture {};

TEST_F(InputTable, ScriptsGiveExactRecords) {
  const LPARAM at1020 = 0x0014000A;
  const Case cases[] = {
      {"move", "0 move 10 20", {}, {{WM_SETCURSOR, kThisWindow, 0x02000001}, {WM_MOUSEMOVE, 0, at1020}}},
      {"double click",
       "0 move 10 20\n10 down left\n20 up left\n30 down left\n40 up left",
       kButtons,
       {{WM_LBUTTONDOWN, MK_LBUTTON, at1020},
        {WM_LBUTTONUP, 0, at1020},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, at1020},
        {WM_LBUTTONUP, 0, at1020}}},
      {"600 ms apart",
       "0 move 10 20\n10 down left\n20 up left\n610 down left",
       kButtons,
       {{WM_LBUTTONDOWN, MK_LBUTTON, at1020}, {WM_LBUTTONUP, 0, at1020}, {WM_LBUTTONDOWN, MK_LBUTTON, at1020}}},
      {"3 px away",
       "0 move 10 20\n10 down left\n20 up left\n25 move 13 20\n30 down left",
       kButtons,
       {{WM_LBUTTONDOWN, MK_LBUTTON, at1020}, {WM_LBUTTONUP, 0, at1020}, {WM_LBUTTONDOWN, MK_LBUTTON, 0x0014000D}}},
      {"third quick click",
       "0 move 10 20\n10 click left\n30 click left\n50 click left",
       kButtons,
       {{WM_LBUTTONDOWN, MK_LBUTTON, at1020},
        {WM_LBUTTONUP, 0, at1020},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, at1020},
        {WM_LBUTTONUP, 0, at1020},
        {WM_LBUTTONDOWN, MK_LBUTTON, at1020},
        {WM_LBUTTONUP, 0, at1020}}},
      {"right double",
       "0 move 10 20\n10 click right\n30 click right",
       {WM_RBUTTONDOWN, WM_RBUTTONDBLCLK},
       {{WM_RBUTTONDOWN, MK_RBUTTON, at1020}, {WM_RBUTTONDBLCLK, MK_RBUTTON, at1020}}},
      {"middle never doubles",
       "0 move 10 20\n10 click middle\n30 click middle",
       kButtons,
       {{WM_MBUTTONDOWN, MK_MBUTTON, at1020},
        {WM_MBUTTONUP, 0, at1020},
        {WM_MBUTTONDOWN, MK_MBUTTON, at1020},
        {WM_MBUTTONUP, 0, at1020}}},
      {"leave, then a move and a middle click",
       "0 move 10 20\n5 leave\n10 move 10 20\n15 click middle",
       {WM_MOUSEMOVE, WM_MBUTTONDOWN, WM_MBUTTONUP},
       {{WM_MOUSEMOVE, 0, at1020},
        {WM_MOUSEMOVE, 0, at1020},
        {WM_MBUTTONDOWN, MK_MBUTTON, at1020},
        {WM_MBUTTONUP, 0, at1020}}},
      {"wheel toward the user", "0 move 10 20\n5 wheel -1", {WM_MOUSEWHEEL}, {{WM_MOUSEWHEEL, 0xFF880000u, at1020}}},
      {"uncaptured drag outside", "0 move 10 20\n5 move -10 20", {WM_MOUSEMOVE}, {{WM_MOUSEMOVE, 0, at1020}}},
      {"Alt, Enter",
       "0 keydown 0x12\n10 keydown 0x0D",
       kDown,
       {{WM_SYSKEYDOWN, 0x12, 0x20000001}, {WM_SYSKEYDOWN, 0x0D, 0x20000001}, {WM_SYSCHAR, 13, 0x20000001}}},
      {"Ctrl+Alt+D",
       "0 keydown 0x11\n5 keydown 0x12\n10 keydown 0x44",
       kDown,
       {{WM_KEYDOWN, 0x11, 1}, {WM_KEYDOWN, 0x12, 0x20000001}, {WM_KEYDOWN, 0x44, 0x20000001}}},
      {"Ctrl+A",
       "0 keydown 0x11\n10 keydown 0x41",
       kDown,
       {{WM_KEYDOWN, 0x11, 1}, {WM_KEYDOWN, 0x41, 1}, {WM_CHAR, 1, 1}}},
      {"Backspace",
       "0 key 8",
       kKeys,
       {{WM_KEYDOWN, 8, 1}, {WM_CHAR, 8, 1}, {WM_KEYUP, 8, static_cast<LPARAM>(0xC0000001u)}}},
      {"F10 is a system key", "0 keydown 0x79", kDown, {{WM_SYSKEYDOWN, 0x79, 1}}},
      {"auto-repeat",
       "0 keydown 0x0D\n5 keydown 0x0D",
       kDown,
       {{WM_KEYDOWN, 13, 1}, {WM_CHAR, 13, 1}, {WM_KEYDOWN, 13, 0x40000001}, {WM_CHAR, 13, 0x40000001}}},
      {"text",
       "0 text \xC3\xA9\xD0\x96\xF0\x9F\x98\x80",
       {WM_CHAR},
       {{WM_CHAR, 0xE9, 1}, {WM_CHAR, 0x416, 1}, {WM_CHAR, 0xD83D, 1}, {WM_CHAR, 0xDE00, 1}}},
      {"focus loss then gain",
       "0 focus off\n10 focus on",
       {},
       {{WM_NCACTIVATE, 0, 0},
        {WM_ACTIVATE, 0, 0},
        {WM_ACTIVATEAPP, 0, 0},
        {WM_ACTIVATEAPP, 1, 0},
        {WM_NCACTIVATE, 1, 0},
        {WM_ACTIVATE, 1, 0}}},
      {"window states",
       "0 minimize\n10 maximize 800 600\n20 restore 640 480",
       {WM_SIZE},
       {{WM_SIZE, SIZE_MINIMIZED, 0}, {WM_SIZE, SIZE_MAXIMIZED, 0x02580320}, {WM_SIZE, SIZE_RESTORED, 0x01E00280}}},
      {"key codes 0 and 0xFF never leave",
       "0 key 0xFF\n1 key 0\n2 raw 0x100 0xFF 0\n3 raw 0x104 0 0\n4 raw 0x100 0x41 0",
       {},
       {{WM_KEYDOWN, 0x41, 0}}},
      {"close and end of session", "0 close\n5 endsession", {}, {{WM_CLOSE, 0, 0}, {WM_ENDSESSION, 1, 0}}},
  };
  for (const Case& c : cases) {
    SetUp();  // a fresh window system (held keys, double-click state) per case
    std::vector<Record> expected = c.expected;
    for (Record& r : expected)
      if (r.wParam == kThisWindow) r.wParam = reinterpret_cast<WPARAM>(window);
    EXPECT_EQ(Only(Run(c.script), c.keep), expected) << c.name;
  }
}

TEST_F(InputTable, CapturedDragReportsNegativeCoordinates) {
  SetCapture(window);
  std::vector<Record> records = Only(Run("0 move -10 20"), {});
  ASSERT_EQ(records.size(), 1u) << "no WM_SETCURSOR outside the client area";
  EXPECT_EQ(records[0].message, WM_MOUSEMOVE);
  EXPECT_EQ(LOWORD(static_cast<std::uintptr_t>(records[0].lParam)), 0xFFF6);
  EXPECT_EQ(GET_X_LPARAM(records[0].lParam), -10);
  ReleaseCapture();
  EXPECT_TRUE(Only(Run("0 move -20 20"), {}).empty());
}

TEST_F(InputTable, AltF4ClosesThroughTheDefaultProcedure) {
  std::vector<MSG> records = Run("0 keydown 0x12\n5 keydown 0x73");
  for (const MSG& m : records) DispatchMessageA(&m);  // the fixture's procedure is DefWindowProcA
  std::vector<Record> after = Only(Drain(), {});
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].message, WM_CLOSE);
  // Other Alt combinations close nothing.
  for (const MSG& m : Run("0 keydown 0x44")) DispatchMessageA(&m);
  EXPECT_TRUE(Drain().empty());
}

TEST_F(InputTable, PointerStateAnswersOtherThreads) {
  MoveWindow(window, 100, 50, 640, 480, FALSE);
  Drain();
  Run("0 move 10 20");
  POINT fromThread{};
  HWND under = nullptr;
  std::thread([&] {
    GetCursorPos(&fromThread);
    under = WindowFromPoint(fromThread);
  }).join();
  EXPECT_EQ(fromThread.x, 110);
  EXPECT_EQ(fromThread.y, 70);
  EXPECT_EQ(under, window);
  POINT client = fromThread;
  ScreenToClient(window, &client);
  EXPECT_EQ(client.x, 10);
  EXPECT_EQ(client.y, 20);
  Run("0 leave");
  GetCursorPos(&fromThread);
  EXPECT_EQ(WindowFromPoint(fromThread), nullptr);
}

TEST(InputScript, BadLinesAreReportedAndSkipped) {
  std::vector<std::string> errors;
  std::vector<Platform::ScriptEvent> events = Platform::ParseInputScript(
      "# comment\n10 move 1 2\nabc move 1 2\n20 fly\n30 down sideways\n40 move 1\n50 text  two  blanks\n"
      "5 key 0x41\n60 screensaver active 1\n",
      &errors);
  ASSERT_EQ(errors.size(), 4u);
  EXPECT_NE(errors[0].find("line 3"), std::string::npos);
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].command, "key") << "events are ordered by time";
  EXPECT_EQ(events[2].text, " two  blanks") << "text keeps its blanks";
}

}  // namespace

namespace {

TEST(InputScript, AwaitHoldsTheRestOfItsLineAndTheLogReportsIt) {
  std::vector<std::string> errors;
  std::vector<Platform::ScriptEvent> events =
      Platform::ParseInputScript("0 await loading: \"click\" shown\n600 click left\n", &errors);
  EXPECT_TRUE(errors.empty());
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].command, "await");
  EXPECT_EQ(events[0].text, "loading: \"click\" shown");

  Platform::WatchLogFor("input test: awaited line");
  EXPECT_FALSE(Platform::LogHasShown("input test: awaited line"));
  Platform::Log("input test: another line");
  EXPECT_FALSE(Platform::LogHasShown("input test: awaited line"));
  Platform::Log("prefix input test: awaited line, suffix");
  EXPECT_TRUE(Platform::LogHasShown("input test: awaited line"));
  EXPECT_FALSE(Platform::LogHasShown("never watched"));
}

}  // namespace
