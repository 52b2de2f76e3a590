#include "game/GameLevelHost.h"

#include <cstring>

#include "audio/MusicInterface.h"
#include "engine/GameMath.h"
#include "engine/ParticleEffect.h"
#include "engine/TextTables.h"
#include "image/surface/DDImage.h"
#include "platform/Environment.h"

namespace Kivo {

namespace {

void CopyMatrix(Matrix4& to, const Mat4& from) { std::memcpy(to.m, from.m, sizeof from.m); }

}  // namespace

GameLevelHost::GameLevelHost(GameApp& game) : mGame(game) {
  // Perspective of the window, near 1 and far 10, seen from (0, 0, -1).
  Mat4 world;
  Mat4 projection;
  projection.Perspective(static_cast<float>(game.mWidth), static_cast<float>(game.mHeight), 1.0f, 10.0f);
  Mat4 view;
  view.LookAt(Vector3(0.0f, 0.0f, -1.0f), Vector3(0.0f, 0.0f, 0.0f), Vector3(0.0f, 1.0f, 0.0f));
  CopyMatrix(mCamera.world, world);
  CopyMatrix(mCamera.projection, projection);
  CopyMatrix(mCamera.view, view);
}

Screen* GameLevelHost::CreateLevelScreen(const std::string& sceneName) {
  auto* screen = new GameScreen(*this, sceneName);
  screen->StartLevel();
  return screen;
}

bool GameLevelHost::IsLevelHidden() const {
  const ScreenTransition* overlay = mGame.Transition();
  return overlay != nullptr && overlay->mState == kFadingIn && overlay->mOpacity == 255;
}

int GameLevelHost::LevelMusic(int stage, int level) const {
  if (stage < 0 || stage >= 40 || level < 0 || level >= 4) return 1;
  return mGame.LevelMusic(stage, level);
}

std::unique_ptr<MemoryImage> GameLevelHost::CreateMessageImage(int width, int height) {
  std::unique_ptr<MemoryImage> image;
  if (mGame.mDisplay != nullptr) {
    image = std::make_unique<DDImage>(mGame.mDisplay);
  } else {
    image = std::make_unique<MemoryImage>();
  }
  if (!image->CreateBlank(width, height)) {
    Platform::Log("level screen: no message image of " + std::to_string(width) + " x " + std::to_string(height));
    return nullptr;
  }
  image->ConvertToPalette();
  return image;
}

void GameLevelHost::FadeOutAllSongs(bool stop, float speed) {
  if (mGame.mMusicInterface != nullptr) mGame.mMusicInterface->FadeOutAllSongs(stop, speed);
}

void GameLevelHost::StartParticles(const std::string& effect, Vec2 point) {
  const std::string path = "data\\effect\\" + effect + ".eff";
  for (int which = 0; which < kFixedEffectCount; ++which) {
    if (path == FixedEffectPath(which)) {
      gParticleEffectSets[which].StartAt(point);
      return;
    }
  }
}

void GameLevelHost::ReloadTexts() {
  LoadTextTable();
  LoadDialogTable();
}

}  // namespace Kivo
