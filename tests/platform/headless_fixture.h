// A headless window system with one 640 x 480 main window at (0, 0), and
// helpers that run an input script while stepping the fake clock.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "platform/Platform.h"

inline LRESULT FixtureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

class HeadlessFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Platform::SetMainThread();
    ASSERT_TRUE(Platform::StartBackend("headless"));
    WNDCLASSA cls{};
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = FixtureProc;
    cls.lpszClassName = "FixtureWindow";
    RegisterClassA(&cls);  // a second registration in one process fails harmlessly
    window = CreateWindowExA(0, "FixtureWindow", "test", WS_POPUP | WS_CAPTION, 0, 0, 640, 480, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    Drain();
  }

  std::vector<MSG> Drain() {
    std::vector<MSG> out;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) out.push_back(m);
    return out;
  }

  // Loads the script and steps the clock 1 ms at a time past its end,
  // pumping at every step; returns the records in order.
  std::vector<MSG> Run(const std::string& script, DWORD extraMs = 5) {
    std::vector<std::string> errors;
    EXPECT_TRUE(Platform::SetInputScript(script, &errors));
    EXPECT_TRUE(errors.empty()) << errors.front();
    std::vector<MSG> out;
    DWORD end = Platform::InputScriptEndTime() + extraMs;
    for (DWORD t = 0; t <= end; ++t) {
      for (const MSG& m : Drain()) out.push_back(m);
      Sleep(1);
    }
    for (const MSG& m : Drain()) out.push_back(m);
    return out;
  }

  HWND window = nullptr;
};

struct Record {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Record& o) const { return message == o.message && wParam == o.wParam && lParam == o.lParam; }
};

inline std::ostream& operator<<(std::ostream& os, const Record& r) {
  return os << "{0x" << std::hex << r.message << ", 0x" << r.wParam << ", 0x" << r.lParam << std::dec << "}";
}

// The records whose message is in `keep` (all when empty).
inline std::vector<Record> Only(const std::vector<MSG>& messages, const std::set<UINT>& keep) {
  std::vector<Record> out;
  for (const MSG& m : messages)
    if (keep.empty() || keep.count(m.message)) out.push_back(Record{m.message, m.wParam, m.lParam});
  return out;
}
