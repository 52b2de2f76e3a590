// Fuzz target: the input run as a level tutorial and as a conversation, on
// scenes that hold every object the screens look up and on scenes that hold
// none; the panel and the screen are then fed presses, messages, animation
// ends, button clicks and updates until they finish or a cap is reached.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "engine/SceneDatabase.h"
#include "frontend/ScriptScreenServices.h"
#include "frontend/StoryScreen.h"
#include "frontend/TutorialPanel.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace {

using namespace Kivo;

class QuietHost : public ScreenHost {
 public:
  void PlayMusic(int) override {}
  bool IsFadeFinished() const override { return true; }
  const ScreenMatrices& GetScreenMatrices() const override { return mMatrices; }

 private:
  ScreenMatrices mMatrices;
};

class StandInStory : public StoryHost {
 public:
  explicit StandInStory(ScreenHost& host) : mHost(host) {}
  bool StartLevel() override {
    level = std::make_unique<Screen>(mHost, "Level_1_1");
    return true;
  }
  Screen* LevelScreen() override { return level.get(); }
  bool IsLevelStarted() override { return true; }
  void StartTransition(int, int) override {}
  int WindowWidth() override { return 800; }
  int WindowHeight() override { return 600; }
  std::unique_ptr<Screen> level;

 private:
  ScreenHost& mHost;
};

DtmRecord Plain(const std::string& name, float x, float y, float w, float h) {
  DtmRecord record;
  record.name = name;
  record.type = 1;
  record.SetRect(x, y, w, h);
  return record;
}

std::string gScratch;

void RemoveScratch() {
  std::error_code ec;
  std::filesystem::remove_all(gScratch, ec);
}

// A scratch working folder with the scene database, made once and removed
// at exit.
bool Prepare() {
  char pattern[] = "/tmp/kivo-script-screens-XXXXXX";
  if (::mkdtemp(pattern) == nullptr || ::chdir(pattern) != 0) return false;
  gScratch = pattern;
  std::atexit(RemoveScratch);
  std::filesystem::create_directories("data/tutorial");
  std::filesystem::create_directories("data/dialogs");
  SceneDatabaseWriter writer;
  DtmRecord tutor = Plain("root", 0, 0, 800, 600);
  for (const char* name : {"sprBack", "txtTutor", "ok", "tutArrow", "tutArrow1", "tutArrow2", "btnNextMenu"}) {
    tutor.Child(Plain(name, 100, 100, 60, 30));
  }
  DtmRecord dialogs = Plain("root", 0, 0, 800, 600);
  for (int i = 1; i <= 3; ++i) {
    const std::string n = std::to_string(i);
    dialogs.Child(Plain("pers" + n, 0, 0, 10, 10))
        .Child(Plain("pers" + n + "_head", 0, 0, 5, 5))
        .Child(Plain("b_pers" + n, 0, 0, 50, 20));
  }
  dialogs.Child(Plain("btnNextMenu", 700, 550, 100, 50));
  std::string error;
  if (!writer.AddScene("mnTutor", tutor, &error) || !writer.AddScene("mnDialogs", dialogs, &error) ||
      !writer.AddScene("bare", Plain("root", 0, 0, 800, 600), &error) ||
      !writer.AddScene("Level_1_1", Plain("target", 300, 300, 100, 100), &error)) {
    return false;
  }
  const std::string bytes = writer.Bytes();
  std::ofstream("data/data.dtm", std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return OpenSceneDatabase("data/data.dtm");
}

// Runs are bounded so that one input stays quick.
constexpr int kMaxSteps = 600;

void RunTutorial(ScreenHost& host, ScriptScreenServices& services, const char* scene) {
  TutorialPanel panel(host, services, scene, 0, 0);
  ObjectList level;
  sObj* target = new sObj();
  target->mName = "target";
  level.Append(target);
  panel.SetLevelObjects(&level);
  panel.Start();
  for (int step = 0; step < kMaxSteps && !panel.IsFinished(); ++step) {
    panel.FilterClick(step % 800, (step * 7) % 600, step % 3 == 0 ? -1 : 1);
    panel.OnMessage(step % 2 == 0 ? "item_found" : "a");
    panel.OnButtonClick("ok");
    panel.OnAnimationEnd("tutArrow", "show_on");
    panel.IsBlocking();
    panel.Update();
  }
  panel.OnButtonClick("btnNextMenu");
}

void RunConversation(ScreenHost& host, ScriptScreenServices& services, const char* scene) {
  StandInStory story(host);
  StoryScreen screen(host, story, services, scene, 0, 0);
  screen.OnAdded(nullptr);
  for (int step = 0; step < kMaxSteps && !screen.IsFinished(); ++step) {
    screen.OnBackgroundDown(5, 5, 1);
    screen.Update();
  }
  screen.OnButtonClick("btnNextMenu");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = Prepare();
  if (!ready) std::abort();
  const std::string script(reinterpret_cast<const char*>(data), size);
  std::ofstream("data/tutorial/tut_1_1.txt", std::ios::binary) << script;
  std::ofstream("data/dialogs/dlg_1_1.dtxt", std::ios::binary) << script;
  QuietHost host;
  ScriptScreenServices services;
  for (const char* scene : {"mnTutor", "bare"}) RunTutorial(host, services, scene);
  for (const char* scene : {"mnDialogs", "bare"}) RunConversation(host, services, scene);
  return 0;
}
