// Shared pieces of the demo journal tests: an application that keeps its
// exit codes instead of exiting, a widget that traces every input it gets
// with the update count, and helpers to record into one application and
// replay into another.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app_support.h"
#include "shell/Demo.h"

namespace demotest {

using namespace Kivo;

class TraceWidget : public Widget {
 public:
  explicit TraceWidget(const int32_t* updateCount) : updates_(updateCount) { Resize(0, 0, 640, 480); }
  void MouseMove(int x, int y) override { Note("move " + std::to_string(x) + " " + std::to_string(y)); }
  void MouseDown(int x, int y, int count) override {
    Note("down " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(count));
  }
  void MouseUp(int x, int y, int count) override {
    Note("up " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(count));
  }
  void MouseWheel(int notches) override { Note("wheel " + std::to_string(notches)); }
  void MouseLeave() override { Note("leave"); }
  void KeyDown(int key) override { Note("keydown " + std::to_string(key)); }
  void KeyUp(int key) override { Note("keyup " + std::to_string(key)); }
  void KeyChar(wchar_t c) override { Note("char " + std::to_string(static_cast<uint32_t>(c))); }
  void Note(const std::string& line) { trace.push_back(std::to_string(*updates_) + ": " + line); }

  std::vector<std::string> trace;

 private:
  const int32_t* updates_;
};

class DemoApp : public apptest::TestApp {
 public:
  void ExitProgram(int32_t code) override { exitCodes.push_back(code); }
  std::vector<int32_t> exitCodes;
};

class DemoFixture : public apptest::AppFixture {
 protected:
  void TearDown() override {
    for (auto& player : players) {
      player->mRecording = false;
      player.reset();
    }
    AppFixture::TearDown();
  }

  // A started application with a focused trace widget and a registry key.
  DemoApp& MakeDemoApp() {
    auto made = std::make_unique<DemoApp>();
    made->mRegistryKey = "KivoDemoTest";
    made->mProductVersion = "test 1.0";
    made->mCommandLineRead = true;
    made->Init();
    auto traced = std::make_unique<TraceWidget>(&made->mUpdateCount);
    made->mWidgetManager->AddChild(traced.get());
    made->mWidgetManager->SetFocus(traced.get());
    tracers.push_back(std::move(traced));
    players.push_back(std::move(made));
    return *players.back();
  }
  TraceWidget& Tracer(size_t index) { return *tracers[index]; }

  static void StartRecording(DemoApp& app) {
    app.mRecording = true;
    app.mPlaying = false;
    app.mDemoBuffer.Reset();
    app.mLastEventUpdate = 0;
    app.mUpdateCount = 0;
    app.mDemoMouseX = 0;
    app.mDemoMouseY = 0;
  }
  static void StartPlaying(DemoApp& app, const Buffer& stream) {
    app.mRecording = false;
    app.mPlaying = true;
    app.mDemoBuffer = stream;
    app.mDemoBuffer.Rewind();
    app.mHeaderNeeded = true;
    app.mLastEventUpdate = 0;
    app.mUpdateCount = 0;
    app.mDemoMouseX = 0;
    app.mDemoMouseY = 0;
    app.mWindowClosed = false;
  }

  std::string ReadFile(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void WriteFile(const std::string& path, const std::string& bytes) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }

  std::vector<std::unique_ptr<TraceWidget>> tracers;
  std::vector<std::unique_ptr<DemoApp>> players;
};

// Little-endian pieces of a hand-made demo file.
inline std::string U32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}
inline std::string U16(uint32_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

}  // namespace demotest
