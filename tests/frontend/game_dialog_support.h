// Shared pieces of the game dialog tests: a headless application that
// records the sounds it is asked to play, a scene database written into a
// temp folder, and a probe object kind that logs what its owner does to it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/EngineObject.h"
#include "engine/SceneDatabase.h"
#include "engine/SceneLoader.h"
#include "image/Image.h"
#include "platform/Platform.h"
#include "shell/KivoAppBase.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/SceneDbWriter.h"
#include "ui/WidgetManager.h"

namespace dialogtest {

using namespace Kivo;

class SoundRecordingApp : public KivoAppBase {
 public:
  SoundRecordingApp() {
    mWidth = 800;
    mHeight = 600;
  }
  void StartSample(int soundId) override { sounds.push_back(soundId); }
  void ApplySfxVolume(double volume) override { sfxVolumes.push_back(volume); }
  void ApplyMusicVolume(double volume) override { musicVolumes.push_back(volume); }
  void ApplyScreenMode(bool windowed, bool is3D, bool force) override {
    screenModes.push_back({windowed, is3D, force});
  }
  bool LaunchBrowser(const std::string& url, bool quitAfter) override {
    browsed.push_back(url);
    return true;
  }
  std::vector<int> sounds;
  std::vector<std::string> browsed;
  std::vector<double> sfxVolumes, musicVolumes;
  std::vector<std::vector<bool>> screenModes;
};

// An engine object that logs alpha pushes, presses and moves.
class ProbeObject : public sObj {
 public:
  void SetAlpha(int alpha) override {
    alphas.push_back(alpha);
    sObj::SetAlpha(alpha);
  }
  bool MouseDown(int x, int y, int count) override {
    ++downs;
    return true;
  }
  void MouseMove(int x, int y) override { moves.push_back({x, y}); }
  void KeyDown(int key) override { keys.push_back(key); }
  void Click() {
    if (mListener != nullptr) mListener->OnButtonClick(mName);
  }
  std::vector<int> alphas;
  int downs = 0;
  std::vector<std::pair<int, int>> moves;
  std::vector<int> keys;
};

constexpr int kProbeType = 19;

inline DtmRecord ProbeRecord(const std::string& name) {
  DtmRecord record;
  record.name = name;
  record.type = kProbeType;
  record.SetRect(10, 10, 50, 20);
  return record;
}

// An image whose fills record their colour; everything else draws nothing.
class FillRecordingImage : public Image {
 public:
  FillRecordingImage() {
    width = 800;
    height = 600;
  }
  void FillRect(const Rect& r, const Color& c, int) override { fills.push_back(c); }
  std::vector<Color> fills;
};

// Headless backend, an application, the probe kind on type 19 and a scene
// database of the scenes a test writes.
class GameDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Platform::SetMainThread();
    ASSERT_TRUE(Platform::StartBackend("headless"));
    app = std::make_unique<SoundRecordingApp>();
    mPreviousKind = RegisterObjectKind(kProbeType, [] { return new ProbeObject(); });
  }
  void TearDown() override {
    app.reset();
    RegisterObjectKind(kProbeType, mPreviousKind);
    FreeSceneDatabase();
  }
  // Writes the scenes (plus the configuration scene) and opens the file.
  void OpenScenes(const std::vector<std::pair<std::string, DtmRecord>>& scenes) {
    SceneDatabaseWriter writer;
    std::string error;
    DtmRecord config;
    config.name = "Main";
    ASSERT_TRUE(writer.AddScene("Main", config, &error)) << error;
    for (const auto& [name, root] : scenes) ASSERT_TRUE(writer.AddScene(name, root, &error)) << error;
    ASSERT_TRUE(OpenSceneDatabase(mFolder.Write("data.dtm", writer.Bytes())));
  }
  // Runs the deferred deletions of removed dialogs.
  void Flush() { app->ProcessDeletionQueue(); }

  std::unique_ptr<SoundRecordingApp> app;
  TempFolder mFolder{"kivo-dialogs"};

 private:
  ObjectKindCreator mPreviousKind;
};

}  // namespace dialogtest
