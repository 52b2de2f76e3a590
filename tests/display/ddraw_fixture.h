// Shared fixture of the display and surface-image tests: a stand-in machine
// with one window, a recording window host and a display application.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "display/DDInterface.h"
#include "image/surface/DDImage.h"
#include "platform/devices/DDraw.h"

namespace DDrawTest {

// One window whose client area sits at a known place on the desktop; every
// presented frame is kept.
class WindowRecorder : public DDrawStandIn::WindowHost {
 public:
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(7));
  RECT client{100, 50, 740, 530};
  std::vector<uint32_t> lastFrame;
  int frameWidth = 0;
  int frameHeight = 0;
  int presents = 0;
  bool fullScreen = false;

  bool ClientArea(HWND w, RECT* area) override {
    if (w != window) return false;
    *area = client;
    return true;
  }
  void Present(HWND, const uint32_t* pixels, int width, int height, int pitch) override {
    ++presents;
    frameWidth = width;
    frameHeight = height;
    lastFrame.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        lastFrame[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
            pixels[static_cast<size_t>(y) * static_cast<size_t>(pitch) + static_cast<size_t>(x)];
  }
  void SetFullScreen(HWND, bool on, int, int) override { fullScreen = on; }
  bool MoveClientArea(HWND w, const RECT& area) override {
    if (w != window) return false;
    client = area;
    return true;
  }
};

class TestApp : public Kivo::DisplayApp {
 public:
  int test3DPerformed = 0;
  void OnTest3DPerformed() override { ++test3DPerformed; }
};

// Resets the stand-in to a desktop of the given format, installs the host.
class DisplayFixture : public ::testing::Test {
 protected:
  WindowRecorder host;
  TestApp app;

  void UseDesktop(DDrawStandIn::Format format, int width = 1024, int height = 768) {
    DDrawStandIn::Machine machine;
    machine.desktopFormat = format;
    machine.desktopWidth = width;
    machine.desktopHeight = height;
    machine.sixteenBitFormat =
        format == DDrawStandIn::Format::kRGB555 ? DDrawStandIn::Format::kRGB555 : DDrawStandIn::Format::kRGB565;
    DDrawStandIn::Reset(machine);
  }
  void SetUp() override {
    UseDesktop(DDrawStandIn::Format::kRGB888);
    DDrawStandIn::SetWindowHost(&host);
    Kivo::InstallDDImageFactory();
  }
  void TearDown() override {
    DDrawStandIn::SetWindowHost(nullptr);
    DDrawStandIn::Reset();
  }
};

inline void ExpectNothingAlive() {
  EXPECT_EQ(DDrawStandIn::LiveSurfaces(), 0);
  EXPECT_EQ(DDrawStandIn::LiveClippers(), 0);
  EXPECT_EQ(DDrawStandIn::LiveDirectDrawObjects(), 0);
}

}  // namespace DDrawTest
