#include "frontend/GameScreenHosts.h"

#include "engine/ParticleEffect.h"
#include "engine/ParticleSystem.h"
#include "frontend/GameApp.h"
#include "image/surface/DDImage.h"
#include "platform/Environment.h"

namespace Kivo {

Profiles* GameMapHost::GetProfiles() { return &mGame.GetProfiles(); }

void GameMapHost::StartTransition(int target, int remove) { mGame.StartTransition(target, remove); }

std::unique_ptr<MemoryImage> GameMapHost::CreatePage(int width, int height) {
  std::unique_ptr<MemoryImage> page;
  if (mGame.mDisplay != nullptr) {
    page = std::make_unique<DDImage>(mGame.mDisplay);
  } else {
    page = std::make_unique<MemoryImage>();
  }
  if (!page->CreateBlank(width, height)) {
    Platform::Log("map: no story page of " + std::to_string(width) + " x " + std::to_string(height));
    return nullptr;
  }
  page->ConvertToPalette();
  return page;
}

void GameMapHost::StartParticles(const std::string& effect, Vec2 point) {
  const std::string path = "data\\effect\\" + effect + ".eff";
  for (int which = 0; which < kFixedEffectCount; ++which) {
    if (path == FixedEffectPath(which)) {
      gParticleEffectSets[which].StartAt(point);
      Platform::Log("map: effect " + effect + " started");
      return;
    }
  }
}

void GameMapHost::UpdateParticles() { mGame.UpdateParticles(); }
void GameMapHost::DrawParticles(Graphics& g) { mGame.DrawParticles(g); }
void GameMapHost::ClearParticles() { mGame.ClearParticles(); }

bool GameStoryHost::StartLevel() { return mGame.StartLevel(); }

Screen* GameStoryHost::LevelScreen() { return mGame.GetScreen(kLevelScreen); }

bool GameStoryHost::IsLevelStarted() { return LevelScreen() != nullptr; }

void GameStoryHost::StartTransition(int target, int remove) { mGame.StartTransition(target, remove); }

int GameStoryHost::WindowWidth() { return mGame.mWidth; }
int GameStoryHost::WindowHeight() { return mGame.mHeight; }

}  // namespace Kivo
