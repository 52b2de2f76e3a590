// Fixtures for the screen tests: a scene database written by the builder's
// writer, a probe object kind that logs what reaches it, and hosts that
// record what screens and the switch ask of the game.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine/SceneDatabase.h"
#include "engine/SceneLoader.h"
#include "frontend/Screen.h"
#include "frontend/ScreenSwitch.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/SceneDbWriter.h"
#include "ui/WidgetHost.h"
#include "ui/WidgetManager.h"

namespace Kivo {
namespace screentest {

using Log = std::vector<std::string>;

constexpr int kProbeType = 19;

// Logs its input as "<name>.<Event>(args)"; takes presses when its name
// starts with "taker".
class ProbeObject : public sObj {
 public:
  explicit ProbeObject(Log* log) : mLog(log) {}
  bool MouseDown(int x, int y, int count) override {
    Note("Down(" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(count) + ")");
    return Takes();
  }
  bool MouseUp(int x, int y, int count) override {
    Note("Up(" + std::to_string(count) + ")");
    return Takes();
  }
  void MouseMove(int x, int y) override { Note("Move(" + std::to_string(x) + "," + std::to_string(y) + ")"); }
  void KeyDown(int key) override { Note("Key(" + std::to_string(key) + ")"); }
  void KeyChar(wchar_t c) override { Note("Char(" + std::to_string(static_cast<int>(c)) + ")"); }
  void MouseWheel(int x, int y, int delta) override { Note("Wheel(" + std::to_string(delta) + ")"); }
  void PlayAnimation(std::string name) override {
    lastAnimation = name;
    sObj::PlayAnimation(name);
  }

  std::string lastAnimation;  // the animation last asked for

 private:
  bool Takes() const { return mName.rfind("taker", 0) == 0; }
  void Note(const std::string& event) {
    if (mLog != nullptr) mLog->push_back(mName + "." + event);
  }
  Log* mLog;
};

class NullWidgetHost : public WidgetHost {
 public:
  void SetCursorNumber(int) override {}
  bool ImageDrawsThrough3D(const Image*) const override { return false; }
  bool LockScreenImage(Image*) override { return true; }
  void UnlockScreenImage(Image*) override {}
};

class RecordingScreenHost : public ScreenHost, public ScreenSwitchHost {
 public:
  explicit RecordingScreenHost(Log* log) : mLog(log) {}

  void PlayMusic(int index) override {
    mLog->push_back("PlayMusic(" + std::to_string(index) + ")");
    playing = index;
  }
  bool IsFadeFinished() const override { return switcher == nullptr || switcher->IsFadeFinished(); }
  const ScreenMatrices& GetScreenMatrices() const override { return matrices; }

  Screen* CreateScreen(int type) override {
    mLog->push_back("Create(" + std::to_string(type) + ")");
    return new Screen(*this, "scene" + std::to_string(type));
  }
  Screen* CreateLevelScreen(const std::string& scene) override {
    mLog->push_back("CreateLevel(" + scene + ")");
    return new Screen(*this, scene);
  }
  void OnLoadingScreenAdded() override { mLog->push_back("LaunchLoader"); }
  void BeginShutdown() override { mLog->push_back("BeginShutdown"); }
  void GetCurrentLevel(int* stage, int* level) override {
    *stage = currentStage;
    *level = currentLevel;
  }
  void FadeOutSong(int id, bool stop, float speed) override {
    mLog->push_back("FadeOutSong(" + std::to_string(id) + "," + (stop ? "stop" : "keep") + "," +
                    std::to_string(speed).substr(0, 3) + ")");
  }

  ScreenSwitch* switcher = nullptr;
  ScreenMatrices matrices;
  int playing = -1;
  int currentStage = 0;
  int currentLevel = 0;

 private:
  Log* mLog;
};

// Opens a database of the given scenes and registers the probe kind; both
// are undone at the end.
class SceneFixture : public ::testing::Test {
 protected:
  SceneFixture() {
    mPreviousKind = RegisterObjectKind(kProbeType, [this] { return new ProbeObject(&objectLog); });
  }
  ~SceneFixture() override {
    FreeSceneDatabase();
    RegisterObjectKind(kProbeType, mPreviousKind);
  }

  static DtmRecord Probe(const std::string& name) {
    DtmRecord record;
    record.name = name;
    record.type = kProbeType;
    record.SetRect(0, 0, 10, 10);
    return record;
  }
  void AddScene(const std::string& name, const DtmRecord& root) {
    std::string error;
    ASSERT_TRUE(mWriter.AddScene(name, root, &error)) << error;
  }
  void AddImage(const std::string& key, const std::string& path) {
    std::string error;
    ASSERT_TRUE(mWriter.AddImage({key, path, false, 1, 1}, &error)) << error;
  }
  void OpenScenes() {
    std::string path = mFolder.path() + "/data.dtm";
    std::string bytes = mWriter.Bytes();
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(OpenSceneDatabase(path));
  }

  Log objectLog;

 private:
  SceneDatabaseWriter mWriter;
  TempFolder mFolder;
  ObjectKindCreator mPreviousKind;
};

}  // namespace screentest
}  // namespace Kivo
