// The level screen's test bench: a host that records what the screen asks
// of the game (switches, music, effects) and lets the test set the switch's
// state; a scripted mini-game whose answers the test sets and which logs
// every call; an effect probe kind that records where it was started; and a
// fixture that writes the level, the HUD scene "mnGame" with every HUD object
// and the text table, then builds the screen in a scratch working folder.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/ButtonKinds.h"
#include "engine/SliderEditKinds.h"
#include "engine/TextKinds.h"
#include "frontend/Profiles.h"
#include "frontend/TutorialPanel.h"
#include "image/MemoryImage.h"
#include "levels/DataFormat.h"
#include "levels/GameScreen.h"
#include "tests/levels/minigame_kit.h"
#include "ui/WidgetManager.h"

namespace leveltest {

struct Transition {
  int target = 0;
  int removed = 0;
  bool operator==(const Transition& other) const { return target == other.target && removed == other.removed; }
};

class TestLevelHost : public LevelScreenHost {
 public:
  explicit TestLevelHost(const std::string& profilePath) : profiles(profilePath) {}

  void PlayMusic(int index) override { log.push_back("music " + std::to_string(index)); }
  bool IsFadeFinished() const override { return fadeFinished; }
  const ScreenMatrices& GetScreenMatrices() const override { return screen; }
  void StartTransition(int target, int removed) override {
    transitions.push_back({target, removed});
    fadeFinished = false;
  }
  Profiles& GetProfiles() override { return profiles; }
  void RefreshWelcome() override {}
  bool IsLevelHidden() const override { return levelHidden; }
  bool HasStoryScreen() const override { return storyScreen; }
  const ScreenMatrices& LevelCamera() const override { return camera; }
  int LevelMusic(int stage, int level) const override { return 3 + stage * 4 + level; }
  std::unique_ptr<MemoryImage> CreateMessageImage(int width, int height) override {
    auto image = std::make_unique<MemoryImage>();
    if (!image->CreateBlank(width, height)) return nullptr;
    return image;
  }
  void FadeOutAllSongs(bool stop, float speed) override {
    log.push_back(std::string("fade out all songs ") + (stop ? "stop " : "keep ") + std::to_string(speed));
  }
  void StartParticles(const std::string& effect, Vec2 point) override {
    log.push_back("effect " + effect + " at " + std::to_string(static_cast<int>(point.x)) + "," +
                  std::to_string(static_cast<int>(point.y)));
  }
  void UpdateParticles() override {}
  void DrawParticles(Graphics&) override {}
  void ClearParticles() override { log.push_back("particles cleared"); }
  ScriptScreenServices& ScriptServices() override { return services; }
  void ReloadTexts() override { log.push_back("texts reloaded"); }

  Profiles profiles;
  ScriptScreenServices services;
  bool fadeFinished = true;
  bool levelHidden = false;
  bool storyScreen = false;
  ScreenMatrices screen{};
  ScreenMatrices camera{};
  std::vector<Transition> transitions;
  std::vector<std::string> log;
};

// A mini-game whose answers the test sets; it logs the calls it gets.
class ScriptedGame : public MiniGame {
 public:
  int Update(int updateCount) override {
    ++updates;
    return MiniGame::Update(updateCount);
  }
  int MouseDown(int x, int y, int clickCount) override {
    calls.push_back("down " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(clickCount));
    if (missOnClick) ReportMiss(x, y);
    return 0;
  }
  int MouseUp(int x, int y, int clickCount) override {
    calls.push_back("up " + std::to_string(clickCount));
    return 0;
  }
  int KeyChar(wchar_t c) override {
    calls.push_back(std::string("key ") + static_cast<char>(c));
    return 0;
  }
  int Draw(Graphics& g) override {
    ++draws;
    return MiniGame::Draw(g);
  }
  void OnAnimationEnd(std::string objectName, std::string animationName) override {
    calls.push_back("end " + objectName + " " + animationName);
  }
  bool HasHint() override { return hint; }
  bool HasItemsCounter() override { return items; }
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override {
    first = hintFirst;
    second = hintSecond;
    return hintCode;
  }
  // Items still to find, as the kinds write their counter.
  float UpdateItemsText(const std::wstring& format, std::wstring& text) override {
    text = FormatDataInts(format, {itemsLeft});
    return itemsFraction;
  }

  int updates = 0;
  int draws = 0;
  bool missOnClick = true;
  bool hint = true;
  bool items = true;
  long long itemsLeft = 7;
  float itemsFraction = 0.25f;
  uint8_t hintCode = kHintAtFirst;
  HintPoint hintFirst{120.0f, 130.0f};
  HintPoint hintSecond{220.0f, 230.0f};
  std::vector<std::string> calls;
};

// An effect object: records the points it was started at.
class EffectProbe : public sObj, public AnimEffectTarget {
 public:
  void StartAt(Vec2 point) override { starts.push_back(point); }
  void StartFollowing(const Vec2* point) override {}
  void Stop() override {}
  std::vector<Vec2> starts;
};

class GameScreenTest : public MiniGameKit {
 protected:
  static constexpr uint32_t kEffectType = 19;

  void SetUp() override;
  void TearDown() override;

  // The HUD scene with every object the screen looks up; names in `without`
  // are left out; the two counters' texts come from the given text keys.
  static DtmRecord Hud(const std::vector<std::string>& without = {}, const std::string& timeKey = "timeFormat",
                       const std::string& itemsKey = "itemsFormat");
  // A level scene "Level_1_1" whose root carries the properties.
  static DtmRecord Level(std::vector<std::pair<std::string, std::string>> properties);
  // Writes the scenes, builds the screen with a scripted game (the level
  // type "scripted" makes one), adds it to the widget tree and starts it.
  void Build(const DtmRecord& level, const DtmRecord& hud = Hud());
  // Build, then the goal notebook counts as closed: the level runs.
  void Play(std::vector<std::pair<std::string, std::string>> properties = {});
  void Step(int n = 1);
  // A tutorial script for stage 1, level 1.
  void WriteTutorial(const std::string& script);

  template <typename Kind>
  Kind* Hud(const std::string& name) {
    return dynamic_cast<Kind*>(FindObjectByName(screen->HudObjects(), name));
  }
  sObjButton* HintButton() { return Hud<sObjButton>("btnHint"); }
  int CountSound(const std::string& id) const;
  // The dialog registered under that id, or null.
  GameDialog* OpenDialog(int id) const;

  std::unique_ptr<TestLevelHost> host;
  std::unique_ptr<GameScreen> screen;
  ScriptedGame* game = nullptr;  // owned by the screen

 private:
  TempFolder mWork{"kivo-level-screen"};
  std::string mPreviousFolder;
  ObjectKindCreator mPreviousKind;
};

}  // namespace leveltest
