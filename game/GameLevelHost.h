// The game's side of the level screen: the application object lends it the
// profiles, the screen switch and its fade, the music, the level camera, a
// message image on the display, the shared particle system and the
// tutorial's services. Installed by the entry as the application's level
// screen factory, so that the front end builds level screens without
// knowing them.
//
// The host holds only a reference to the application object, which owns it
// and outlives every screen.
#pragma once

#include <memory>
#include <string>

#include "frontend/GameApp.h"
#include "frontend/KindScriptServices.h"
#include "levels/GameScreen.h"

namespace Kivo {

class GameLevelHost final : public LevelScreenHost {
 public:
  // Builds the level camera for the application's window size.
  explicit GameLevelHost(GameApp& game);

  // The level screen of a scene, started; what GameApp::StartLevel builds.
  Screen* CreateLevelScreen(const std::string& sceneName);

  // ScreenHost
  void PlayMusic(int index) override { mGame.PlayMusic(index); }
  bool IsFadeFinished() const override { return mGame.IsFadeFinished(); }
  const ScreenMatrices& GetScreenMatrices() const override { return mGame.GetScreenMatrices(); }
  // DialogHost
  void StartTransition(int target, int removed) override { mGame.StartTransition(target, removed); }
  Profiles& GetProfiles() override { return mGame.GetProfiles(); }
  void RefreshWelcome() override { mGame.RefreshWelcome(); }
  // LevelScreenHost
  bool IsLevelHidden() const override;
  bool HasStoryScreen() const override { return mGame.GetScreen(kStoryScreen) != nullptr; }
  const ScreenMatrices& LevelCamera() const override { return mCamera; }
  int LevelMusic(int stage, int level) const override;
  std::unique_ptr<MemoryImage> CreateMessageImage(int width, int height) override;
  void FadeOutAllSongs(bool stop, float speed) override;
  void StartParticles(const std::string& effect, Vec2 point) override;
  void UpdateParticles() override { mGame.UpdateParticles(); }
  void DrawParticles(Graphics& g) override { mGame.DrawParticles(g); }
  void ClearParticles() override { mGame.ClearParticles(); }
  ScriptScreenServices& ScriptServices() override { return mServices; }
  void ReloadTexts() override;

 private:
  GameApp& mGame;
  ScreenMatrices mCamera;
  KindScriptServices mServices;
};

}  // namespace Kivo
