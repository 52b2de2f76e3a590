#include "levels/HunterGame.h"

#include <algorithm>

#include "engine/KeyframeTrack.h"
#include "engine/SoundEmitterKinds.h"
#include "engine/SpriteKinds.h"
#include "image/MemoryImage.h"
#include "levels/DataFormat.h"
#include "levels/LevelContext.h"
#include "levels/PropertyValue.h"
#include "shell/base/StringUtils.h"
#include "shell/base/TwisterRandom.h"

namespace Kivo {

namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Sprites and the kinds built on them: sprite, item, mover, swing.
sObjSprite* AsSprite(sObj* object) {
  const int code = object->mTypeCode;
  if (code != 3 && code != 7 && code != 13 && code != 14) return nullptr;
  return dynamic_cast<sObjSprite*>(object);
}

bool Remove(std::vector<Scene::ObjEntity*>& list, Scene::ObjEntity* entity) {
  auto found = std::find(list.begin(), list.end(), entity);
  if (found == list.end()) return false;
  list.erase(found);
  return true;
}

bool Contains(const std::vector<Scene::ObjEntity*>& list, const Scene::ObjEntity* entity) {
  return std::find(list.begin(), list.end(), entity) != list.end();
}

void SetSpriteVisible(Scene::ObjEntity* entity, bool visible) {
  if (entity->mObject != nullptr) entity->mObject->SetVisible(visible);
}

}  // namespace

HunterGame::HunterGame() { mScene.SetListener(this); }

HunterGame::~HunterGame() {
  if (mLevelObjects == nullptr) return;
  for (sObj* object : *mLevelObjects)
    if (mRoles.count(object->mSceneEntity) != 0) object->mSceneEntity = nullptr;
}

int HunterGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mExplosion = FindEffect("effExplosion");
  mResting.clear();
  mFlying.clear();
  mHits = 0;
  const sObj* first = levelObjects != nullptr && !levelObjects->empty() ? (*levelObjects)[0] : nullptr;
  const std::string path = FindPropertyValue(first, "_sScenePath");
  if (!path.empty() && !mScene.Load(path)) {
    MarkUnplayable("hunter", "scene file \"" + path + "\" is missing or unreadable");
  }
  int32_t goal = 0;
  if (ParseInt(FindPropertyValue(first, "_iTaskBirdCount"), goal)) mGoal = goal;
  mScene.SetListener(this);
  if (levelObjects == nullptr) return 0;
  for (sObj* object : *levelObjects) {
    if (StartsWith(object->mName, "sprBird")) {
      Bind(object, kBird, mResting);
    } else if (StartsWith(object->mName, "sprSleepBird")) {
      Bind(object, kSleepingBird, mSleeping);
    } else if (StartsWith(object->mName, "sprBlock")) {
      Bind(object, kObstacle, mObstacles);
    } else if (object->mName == "txtInfo") {
      mCounter = dynamic_cast<sObjText*>(object);
      ShowCounter();
    }
  }
  return 0;
}

void HunterGame::Bind(sObj* object, int role, std::vector<Scene::ObjEntity*>& list) {
  Scene::Entity* entity = mScene.FindEntity(object->mName);
  if (entity == nullptr || entity->mKind != Scene::ObjEntity::kKind) return;
  auto* bound = static_cast<Scene::ObjEntity*>(entity);
  bound->Attach(object);
  mRoles[bound] = role;
  object->mSceneEntity = bound;
  if (role == kBird) object->SetVisible(false);
  list.push_back(bound);
}

int HunterGame::RoleOf(const Scene::Entity* entity) const {
  auto found = mRoles.find(entity);
  return found != mRoles.end() ? found->second : -1;
}

void HunterGame::ShowCounter() {
  if (mCounter != nullptr) mCounter->mText = FormatDataInts(L"%03i/%03i", {mHits, mGoal});
}

int HunterGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  // A bird whose clip cannot start stays resting; the picks are bounded so
  // that such a bird cannot hold the loop.
  std::size_t picks = mResting.size();
  while (mFlying.size() < kMaxFlying && !mResting.empty() && picks > 0) {
    --picks;
    Scene::ObjEntity* bird = mResting[static_cast<std::size_t>(RandomInt(static_cast<int32_t>(mResting.size())))];
    Scene::AnimClip* clip = bird->CurrentClip();
    bird->mPlayer.Play(clip != nullptr && clip->mLoop);
  }
  mScene.Update(UpdateIntervalMs());
  mWon = mHits >= mGoal;
  return 0;
}

void HunterGame::OnSceneEvent(Scene::SceneGraph* graph, Scene::Entity* entity, int code) {
  if (entity == nullptr || entity->mKind != Scene::ObjEntity::kKind) return;
  auto* bound = static_cast<Scene::ObjEntity*>(entity);
  const int role = RoleOf(bound);
  if (code == Scene::kEntityStarted && role == kBird) {
    if (Remove(mResting, bound)) {
      mFlying.push_back(bound);
      SetSpriteVisible(bound, true);
    }
  } else if (code == Scene::kEntityStopped && role == kBird) {
    if (Remove(mFlying, bound)) {
      mResting.push_back(bound);
      SetSpriteVisible(bound, false);
    }
  } else if (code == Scene::kEntityStopped && role == kSleepingBird) {
    if (Contains(mSleeping, bound)) SetSpriteVisible(bound, false);
  } else if (code == Scene::kEntityStopped && role == kObstacle) {
    if (Contains(mObstacles, bound)) SetSpriteVisible(bound, false);
  }
}

void HunterGame::Hit(sObj* sprite) {
  if (auto* emitter = dynamic_cast<sObjEmitter*>(mExplosion)) emitter->StartAt(sprite->mCentre);
  ++mHits;
  ShowCounter();
}

int HunterGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable() || mLevelObjects == nullptr) return 0;
  const float px = static_cast<float>(x);
  const float py = static_cast<float>(y);
  for (std::size_t i = mLevelObjects->size(); i-- > 0;) {
    sObj* object = (*mLevelObjects)[i];
    sObjSprite* sprite = AsSprite(object);
    if (sprite == nullptr || !sprite->mVisible) continue;
    Quad quad = sprite->mBaseQuad;
    if (quad.corner[1].x < quad.corner[0].x) {
      const Quad& c = sprite->mBaseQuad;
      quad.corner[0] = c.corner[1];
      quad.corner[1] = c.corner[0];
      quad.corner[2] = c.corner[3];
      quad.corner[3] = c.corner[2];
    }
    if (!PointInQuad(quad, px, py)) continue;
    if (sprite->mSceneEntity != nullptr) {
      Scene::ObjEntity* entity = sprite->mSceneEntity;
      switch (RoleOf(entity)) {
        case kBird:
          entity->StopRecursive();
          Hit(sprite);
          break;
        case kSleepingBird:
          entity->PlayRecursive();
          Hit(sprite);
          break;
        case kObstacle: entity->PlayRecursive(); break;
        default: break;
      }
      return 0;
    }
    MemoryImage* image = sprite->GetImage();
    if (image == nullptr) continue;
    const int halfWidth = image->GetCellWidth() / 2;
    const int halfHeight = image->GetCellHeight() / 2;
    const Vec2 local(px - sprite->mCentre.x + static_cast<float>(halfWidth),
                     py - sprite->mCentre.y + static_cast<float>(halfHeight));
    if (HitTestImagePixel(image, local)) return 0;  // scenery in front stops the shot
  }
  return 0;
}

int HunterGame::Draw(Graphics& g) {
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
  DrawLevelWithHud(*this, g);
  g.SetColor(Color(255, 255, 255, 255));
  MiniGame::Draw(g);
  g.End3D();
  g.SetColorizeImages(false);
  return 0;
}

}  // namespace Kivo
