// The game's side of the stage map and of the conversation before a level:
// the two hosts the application object lends those screens. The map gets
// the profiles, the screen switch, page images on the display and the
// shared particle system; the conversation gets the level screen built in
// the background, the switch and the window size.
//
// Both hold only a reference to the application object, which owns them
// and outlives every screen.
#pragma once

#include <memory>
#include <string>

#include "frontend/MapScreen.h"
#include "frontend/StoryScreen.h"

namespace Kivo {

class GameApp;

class GameMapHost : public MapHost {
 public:
  explicit GameMapHost(GameApp& game) : mGame(game) {}

  Profiles* GetProfiles() override;
  void StartTransition(int target, int remove) override;
  // A blank image on the application's display, turned into a palette
  // image; a plain memory image when no display exists (headless tools).
  std::unique_ptr<MemoryImage> CreatePage(int width, int height) override;
  // One of the fixed effects by its file name ("magicrain"); another name
  // starts nothing.
  void StartParticles(const std::string& effect, Vec2 point) override;
  void UpdateParticles() override;
  void DrawParticles(Graphics& g) override;
  void ClearParticles() override;

 private:
  GameApp& mGame;
};

class GameStoryHost : public StoryHost {
 public:
  explicit GameStoryHost(GameApp& game) : mGame(game) {}

  bool StartLevel() override;
  Screen* LevelScreen() override;
  // The level screen counts as started once it is built.
  bool IsLevelStarted() override;
  void StartTransition(int target, int remove) override;
  int WindowWidth() override;
  int WindowHeight() override;

 private:
  GameApp& mGame;
};

}  // namespace Kivo
