// Helpers of the tests of the kinds with moving parts: a listener that hands
// the level objects' animation ends to the mini-game, as the level screen
// does, and updates that run the level objects' animations before the game.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/ControlKinds.h"
#include "engine/ObjectKinds.h"
#include "engine/SoundEmitterKinds.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {

class AnimationEndForwarder : public ObjEventListener {
 public:
  void OnAnimationEnd(std::string name, std::string animation) override {
    ends.push_back(name + " " + animation);
    if (game != nullptr) game->OnAnimationEnd(name, animation);
  }
  // Every object of the list reports to this forwarder.
  void Attach(const ObjectList& objects, MiniGame& target) {
    game = &target;
    for (sObj* object : objects) object->SetListener(this);
  }

  MiniGame* game = nullptr;
  std::vector<std::string> ends;
};

class MessageRecorder : public ObjEventListener {
 public:
  void OnMessage(std::string text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

// Scenes load into the game's own object kinds (sprites, texts, sliders,
// sounds, emitters), as they do in the game.
class MovingPartsKit : public MiniGameKit {
 protected:
  void SetUp() override {
    MiniGameKit::SetUp();
    RegisterDrawingKinds();
    RegisterControlKinds();
    RegisterSoundAndEmitterKinds();
  }
  // n updates: the level objects' own updates, then the game's.
  void Tick(MiniGame& game, int n = 1) {
    for (int i = 0; i < n; ++i) {
      for (sObj* object : level) object->Update(1);
      Run(game, 1);
    }
  }
  // Updates until done() holds, at most limit; how many ran.
  int TickUntil(MiniGame& game, const std::function<bool()>& done, int limit = 5000) {
    int ticks = 0;
    while (!done() && ticks < limit) {
      Tick(game);
      ++ticks;
    }
    return ticks;
  }
  int Sounds(const std::string& id) const {
    int n = 0;
    for (const std::string& sound : context.sounds) n += sound == id ? 1 : 0;
    return n;
  }

  AnimationEndForwarder forwarder;
};

}  // namespace leveltest
