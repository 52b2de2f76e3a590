// Window creation, synchronous sends, posted records, placement and desktop.
#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/headless_fixture.h"

namespace {

std::vector<Record> gSent;

LRESULT LoggingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  gSent.push_back(Record{message, wParam, lParam});
  return DefWindowProcA(window, message, wParam, lParam);
}

class WindowCalls : public HeadlessFixture {
 protected:
  void SetUp() override {
    HeadlessFixture::SetUp();
    WNDCLASSW cls{};
    cls.lpfnWndProc = LoggingProc;
    cls.lpszClassName = L"LoggingWindow";
    RegisterClassW(&cls);
    gSent.clear();
  }
};

TEST_F(WindowCalls, SynchronousMessagesEnterTheProcedureAtOnce) {
  HWND w = CreateWindowExW(0, L"loggingwindow", L"T\u00e9st", WS_POPUP | WS_CAPTION, 64, 64, 320, 200, nullptr, nullptr,
                           nullptr, nullptr);
  ASSERT_NE(w, nullptr) << "class names compare without case";
  EXPECT_EQ(gSent, (std::vector<Record>{{WM_CREATE, 0, 0}}));
  gSent.clear();
  MoveWindow(w, 10, 20, 320, 200, FALSE);
  EXPECT_EQ(gSent, (std::vector<Record>{{WM_MOVE, 0, 0x0014000A}}));
  gSent.clear();
  ShowWindow(w, SW_SHOW);
  // The fixture window loses activation first; this window gains it.
  EXPECT_EQ(gSent, (std::vector<Record>{{WM_ACTIVATEAPP, 1, 0}, {WM_NCACTIVATE, 1, 0}, {WM_ACTIVATE, 1, 0}}));
  EXPECT_EQ(GetActiveWindow(), w);
  gSent.clear();
  ShowWindow(w, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(gSent.empty());
  EXPECT_TRUE(Drain().empty()) << "nothing was posted";
  DestroyWindow(w);
  EXPECT_EQ(gSent, (std::vector<Record>{{WM_DESTROY, 0, 0}}));
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(WindowCalls, HandlesAreNeverReusedAndUserDataHoldsAPointer) {
  HWND a = CreateWindowExA(0, "LoggingWindow", "a", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(a);
  HWND b = CreateWindowExA(0, "LoggingWindow", "b", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  static int object;
  SetWindowLongA(b, GWL_USERDATA, reinterpret_cast<LONG_PTR>(&object));
  EXPECT_EQ(reinterpret_cast<int*>(GetWindowLongA(b, GWL_USERDATA)), &object);
  EXPECT_FALSE(PostMessageA(a, WM_USER, 0, 0)) << "a destroyed window takes no records";
}

TEST_F(WindowCalls, PostedRecordsLeaveInOrderAndDispatchCallsTheProcedure) {
  HWND w = CreateWindowExA(0, "LoggingWindow", "w", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  gSent.clear();
  PostMessageA(w, WM_USER + 1, 1, 2);
  PostMessageA(w, WM_USER + 2, 3, 4);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, WM_USER + 1u);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(TranslateMessage(&m));
  DispatchMessageA(&m);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  DispatchMessageA(&m);
  EXPECT_EQ(gSent, (std::vector<Record>{{WM_USER + 1, 1, 2}, {WM_USER + 2, 3, 4}}));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowCalls, PlacementAndDesktopFollowTheScript) {
  RECT r{0, 0, 640, 480};
  AdjustWindowRect(&r, WS_POPUP | WS_CAPTION, FALSE);
  EXPECT_EQ(r.right, 640) << "decorations belong to the host";
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN), 738);
  EXPECT_EQ(GetSystemMetrics(SM_TABLETPC), 0);
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.bottom, 738);
  BOOL active = TRUE;
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  EXPECT_FALSE(active);

  Run("0 desktop 800 600\n0 workarea 0 0 800 570\n0 screensaver active 1\n0 screensaver timeout 60\n"
      "5 minimize");
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN), 570);
  int timeout = 0;
  SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0);
  EXPECT_EQ(timeout, 60);
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  EXPECT_TRUE(active);
  WINDOWPLACEMENT placement{};
  ASSERT_TRUE(GetWindowPlacement(window, &placement));
  EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
  EXPECT_EQ(placement.rcNormalPosition.right, 640) << "the normal position survives minimising";
  Run("0 restore 640 480");
  GetWindowPlacement(window, &placement);
  EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
}

TEST_F(WindowCalls, InvisibleWindowHasNoSizeAndIsNotTheMainWindow) {
  HWND invisible = CreateWindowExA(0, "LoggingWindow", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(invisible, nullptr);
  EXPECT_EQ(Platform::MainWindow(), window);
}

}  // namespace
