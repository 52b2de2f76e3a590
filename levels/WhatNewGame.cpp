#include "levels/WhatNewGame.h"

#include "levels/LevelContext.h"
#include "levels/PropertyValue.h"
#include "shell/base/StringUtils.h"
#include "shell/base/TwisterRandom.h"

namespace Kivo {

namespace {

constexpr int kItemTypeCode = 7;

}  // namespace

WhatNewGame::WhatNewGame() { mScene.SetListener(this); }

WhatNewGame::~WhatNewGame() {
  if (mLevelObjects == nullptr) return;
  for (sObj* object : *mLevelObjects) {
    if (object->mSceneEntity != nullptr && mScene.FindEntity(object->mName) == object->mSceneEntity)
      object->mSceneEntity = nullptr;
  }
}

int WhatNewGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  const sObj* first = levelObjects != nullptr && !levelObjects->empty() ? (*levelObjects)[0] : nullptr;
  const std::string path = FindPropertyValue(first, "_sLeafsPath");
  if (!path.empty() && !mScene.Load(path)) {
    MarkUnplayable("what_new", "scene file \"" + path + "\" is missing or unreadable");
  }
  int32_t count = 0;
  ParseInt(FindPropertyValue(first, "_iElementCount"), count);
  mItems.clear();
  if (levelObjects != nullptr) {
    for (sObj* object : *levelObjects) {
      if (object->mTypeCode == kItemTypeCode) {
        object->SetVisible(false);
        mItems.push_back(object);
      }
      if (object->mName.rfind("Leaf", 0) != 0) continue;
      Scene::Entity* entity = mScene.FindEntity(object->mName);
      if (entity == nullptr || entity->mKind != Scene::ObjEntity::kKind) continue;
      auto* bound = static_cast<Scene::ObjEntity*>(entity);
      bound->Attach(object);
      bound->MarkDirtyRecursive();
      object->mSceneEntity = bound;
    }
  }
  if (count < 1) count = static_cast<int32_t>(mItems.size());
  while (static_cast<int32_t>(mItems.size()) > count) {
    mItems.erase(mItems.begin() + RandomInt(static_cast<int32_t>(mItems.size())));
  }
  mNewest = nullptr;
  mMissed = false;
  mShownCount = 0;
  return 0;
}

int WhatNewGame::MouseDown(int x, int y, int clickCount) {
  MiniGame::MouseDown(x, y, clickCount);
  if (IsUnplayable()) return 0;
  mMissed = mNewest != nullptr && !PointInQuad(mNewest->mBaseQuad, static_cast<float>(x), static_cast<float>(y));
  mScene.Root().PlayRecursive();
  return 0;
}

void WhatNewGame::OnSceneEvent(Scene::SceneGraph* graph, Scene::Entity* entity, int code) {
  if (entity == nullptr || entity->mName != "Root" || code != Scene::kEntityEndReached) return;
  if (mMissed) {
    for (sObj* item : mItems) item->SetVisible(false);
    mNewest = nullptr;
    mShownCount = 0;
    return;
  }
  ++mShownCount;
  mNewest = nullptr;
  for (sObj* item : mItems) {
    if (!item->mVisible) {
      mNewest = item;
      item->SetVisible(true);
      break;
    }
  }
}

int WhatNewGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  if (IsUnplayable()) return 0;
  mScene.Update(UpdateIntervalMs());
  if (!mWon && mShownCount == static_cast<int32_t>(mItems.size())) mWon = true;
  return 0;
}

int WhatNewGame::Draw(Graphics& g) {
  MiniGame::Draw(g);
  const ScreenMatrices& m = CurrentLevelContext().Matrices();
  g.SetColorizeImages(true);
  g.Begin3D(m.world, m.projection, m.view);
  DrawLevelWithHud(*this, g);
  g.SetColor(Color(255, 255, 255, 255));
  g.End3D();
  g.SetColorizeImages(false);
  return 0;
}

}  // namespace Kivo
