#include "tools/autoplay/LevelPlayer.h"

#include <algorithm>
#include <cmath>

#include "engine/SceneDatabase.h"
#include "levels/MiniGameFactory.h"

namespace Kivo {

namespace {

// Pixels a drag moves the pointer per update.
constexpr float kDragStep = 8.0f;

}  // namespace

LevelPlayer::~LevelPlayer() {
  if (mGame != nullptr) mGame->mStarted = false;
  mGame.reset();
  DeleteObjects(mHud);
  DeleteObjects(mLevel);
}

void LevelPlayer::Adopt(ObjectList& list) {
  int index = 0;
  for (sObj* object : list) {
    object->SetIndex(index++);
    object->SetListener(this);
    object->TakeParentFocus();
  }
}

bool LevelPlayer::Load(const std::string& levelScene, std::string* error) {
  if (!LoadScene(levelScene, mLevel) || mLevel.empty()) {
    if (error != nullptr) *error = "no scene " + levelScene;
    return false;
  }
  LinkAnimTargets(mLevel);
  if (LoadScene("mnGame", mHud)) LinkAnimTargets(mHud);
  Adopt(mLevel);
  Adopt(mHud);
  mType = mLevel[0]->mProperties.GetProperty("type_game");
  mGame.reset(CreateMiniGame(mType));
  if (mGame == nullptr) {
    if (error != nullptr) *error = levelScene + ": no mini-game of type \"" + mType + "\"";
    return false;
  }
  mRule = AutoplayRuleFor(mType);
  mGame->mStarted = false;
  mGame->Init(&mLevel, &mHud);
  mGame->mStarted = true;
  mGame->SetListener(this);
  return true;
}

void LevelPlayer::OnAnimationEnd(std::string name, std::string animation) {
  if (mGame != nullptr) mGame->OnAnimationEnd(name, animation);
}

void LevelPlayer::Step() {
  ++mUpdateCount;
  ++mUpdates;
  for (sObj* object : mLevel) object->Update(mUpdateCount);
  for (sObj* object : mHud) object->Update(mUpdateCount);
  if (mGame == nullptr || mGame->IsWon() || mGame->IsLost()) return;
  mGame->Update(mUpdateCount);
}

void LevelPlayer::Move(int x, int y) {
  for (sObj* object : mLevel) object->MouseMove(x, y);
  mGame->MouseMove(x, y);
}

void LevelPlayer::Perform(const AutoplayMove& move) {
  ++mMoves;
  switch (move.kind) {
    case AutoplayMove::kWait:
      for (int i = 0; i < std::max(1, move.updates); ++i) Step();
      break;
    case AutoplayMove::kClick:
      Move(move.x, move.y);
      mGame->MouseDown(move.x, move.y, move.clicks);
      Step();
      mGame->MouseUp(move.x, move.y, move.clicks);
      Step();
      break;
    case AutoplayMove::kDrag: {
      Move(move.x, move.y);
      mGame->MouseDown(move.x, move.y, move.clicks);
      Step();
      const float dx = static_cast<float>(move.toX - move.x);
      const float dy = static_cast<float>(move.toY - move.y);
      const int steps = std::max(1, static_cast<int>(std::ceil(std::sqrt(dx * dx + dy * dy) / kDragStep)));
      for (int i = 1; i <= steps; ++i) {
        Move(move.x + static_cast<int>(std::lround(dx * i / steps)),
             move.y + static_cast<int>(std::lround(dy * i / steps)));
        Step();
      }
      mGame->MouseUp(move.toX, move.toY, move.clicks);
      Step();
      break;
    }
    case AutoplayMove::kKey:
      mGame->KeyChar(move.key);
      Step();
      break;
  }
}

LevelPlayResult LevelPlayer::Play(int maxUpdates) {
  LevelPlayResult result;
  if (mGame == nullptr) {
    result.failure = "nothing loaded";
    return result;
  }
  if (mRule == nullptr) {
    result.failure = "no autoplay rule for \"" + mType + "\"";
    return result;
  }
  if (mGame->IsUnplayable()) {
    result.failure = "the level's data cannot be played";
    return result;
  }
  while (mUpdates < maxUpdates && !mGame->IsWon() && !mGame->IsLost()) {
    AutoplayMove move;
    if (mRule(*mGame, move)) {
      Perform(move);
    } else {
      Step();
    }
  }
  result.won = mGame->IsWon();
  result.lost = mGame->IsLost();
  result.updates = mUpdates;
  result.moves = mMoves;
  if (!result.won && !result.lost) result.failure = "not won after " + std::to_string(mUpdates) + " updates";
  return result;
}

}  // namespace Kivo
