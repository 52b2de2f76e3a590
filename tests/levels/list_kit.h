// What the list-kind suites share: a shared "finded" animation installed for
// the test (and the previous table given back after it), item records of
// the hidden-object kind with solid pictures, spy sound and effect objects,
// and an update loop that also steps the level objects' animations the way
// the level screen does.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/AnimDef.h"
#include "engine/PlainKinds.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {

// Counts plays; stands in for a sound object.
class SpySound : public sObj, public AnimSoundTarget {
 public:
  void Play() override { ++plays; }
  int plays = 0;
};

// Records start points; stands in for an emitter.
class SpyEffect : public sObj, public AnimEffectTarget {
 public:
  void StartAt(Vec2 point) override { starts.push_back(point); }
  void StartFollowing(const Vec2*) override {}
  void Stop() override {}
  std::vector<Vec2> starts;
};

// "finded": once, 24 frames a second over 13 frames, keys at 0, 4, 8, 12.
inline AnimDef FindedAnimation(int keyCount = 4) {
  AnimDef def;
  def.name = "finded";
  def.keys = 13;
  def.rate = 24;
  def.mode = kAnimOnce;
  for (int i = 0; i < keyCount; ++i) {
    Keyframe key;
    key.index = keyCount > 1 ? i * 12 / (keyCount - 1) : 0;
    def.keyList.push_back(key);
  }
  return def;
}

// An item of the hidden-object kind on (left, top) with its picture's size.
inline DtmRecord Item(const std::string& name, const std::string& image, float left, float top, int width, int height,
                      std::vector<std::pair<std::string, std::string>> properties = {}) {
  DtmRecord record =
      Record(name, 7, left, top, static_cast<float>(width), static_cast<float>(height), std::move(properties));
  record.Property("_keyImg", image);
  return record;
}

inline DtmRecord SoundObject(const std::string& name) {
  return Record(name, 17, 0, 0, 1, 1, {{"_keySound", "SOUND_BTN_CLK"}});
}

class ListKit : public MiniGameKit {
 protected:
  void SetUp() override {
    MiniGameKit::SetUp();
    mSavedAnimations = gAnimDefs;
  }
  void TearDown() override {
    gAnimDefs = mSavedAnimations;
    MiniGameKit::TearDown();
  }

  // LoadLevel, then the shared animations of the run: "finded" (opening the
  // scene database reads the animation folder afresh).
  void LoadWithFinded(const std::vector<TestImage>& images, const DtmRecord& levelRoot, const DtmRecord& hudRoot,
                      std::vector<AnimDef> animations = {FindedAnimation()}) {
    LoadLevel(images, levelRoot, hudRoot);
    gAnimDefs = std::move(animations);
  }

  // n updates: the mini-game, then every level object, as the level screen
  // runs them; stops early once the game is won or lost.
  void Step(MiniGame& game, int n) {
    for (int i = 0; i < n; ++i) {
      ++updateCount;
      if (game.IsWon() || game.IsLost()) return;
      game.Update(updateCount);
      for (sObj* object : level) object->Update(1);
    }
  }
  // Updates until pred holds (at most limit updates); the updates it took.
  template <typename Pred>
  int StepUntil(MiniGame& game, Pred pred, int limit = 5000) {
    int n = 0;
    while (!pred() && n < limit) {
      Step(game, 1);
      ++n;
    }
    return n;
  }
  sObjMesh* Mesh(const std::string& name) { return dynamic_cast<sObjMesh*>(FindObjectByName(level, name)); }
  static int Centre(float a, float b) { return static_cast<int>((a + b) / 2.0f); }

 private:
  std::vector<AnimDef> mSavedAnimations;
};

}  // namespace leveltest
