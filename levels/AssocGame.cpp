#include "levels/AssocGame.h"

#include <unordered_set>

#include "engine/SoundEmitterKinds.h"
#include "engine/SpriteKinds.h"
#include "levels/LevelContext.h"
#include "levels/PropertyValue.h"

namespace Kivo {

namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

void AssocCell::ResetTransform() {
  ObjEntity::ResetTransform();
  mOccupant = nullptr;
}

void AssocElement::ResetTransform() {
  ObjEntity::ResetTransform();
  mLocked = false;
  mCell = nullptr;
}

AssocGame::AssocGame() {
  mCells = new Scene::Entity();
  mCells->mName = "cells";
  mElements = new Scene::Entity();
  mElements->mName = "elements";
  mScene.Root().AddChild(mCells);
  mScene.Root().AddChild(mElements);
  mScene.Root().MarkDirtyRecursive();
}

AssocGame::~AssocGame() {
  if (mLevelObjects == nullptr) return;
  std::unordered_set<const Scene::Entity*> own;
  for (const Scene::Entity* group : {mCells, mElements})
    for (const Scene::Entity* child : group->Children()) own.insert(child);
  for (sObj* object : *mLevelObjects)
    if (own.count(object->mSceneEntity) != 0) object->mSceneEntity = nullptr;
}

void AssocGame::AddEntity(Scene::ObjEntity* entity, sObj* object, Scene::Entity* group) {
  entity->mName = object->mName;
  // Every cell and element counts, names shared or not.
  group->AppendChild(entity);
  entity->Attach(object);
  entity->mPositionX = object->mCentre.x;
  entity->mPositionY = object->mCentre.y;
  object->mSceneEntity = entity;
  entity->MarkDirtyRecursive();
}

int AssocGame::Init(ObjectList* levelObjects, ObjectList* hudObjects) {
  MiniGame::Init(levelObjects, hudObjects);
  mLockedCount = 0;
  mPlaceEffect = FindEffect("effOnPlace");
  if (levelObjects == nullptr) return 0;
  for (sObj* object : *levelObjects) {
    if (StartsWith(object->mName, "cell")) {
      AddEntity(new AssocCell(), object, mCells);
    } else if (StartsWith(object->mName, "element")) {
      AddEntity(new AssocElement(), object, mElements);
    }
  }
  return 0;
}

void AssocGame::MoveToEnd(sObj* object) {
  std::vector<sObj*> objects = mLevelObjects->Release();
  for (auto it = objects.begin(); it != objects.end(); ++it) {
    if (*it == object) {
      objects.erase(it);
      break;
    }
  }
  objects.push_back(object);
  for (sObj* each : objects) mLevelObjects->Append(each);
}

int AssocGame::MouseDown(int x, int y, int clickCount) {
  if (IsUnplayable() || mLevelObjects == nullptr) return 0;
  AssocElement* picked = nullptr;
  for (std::size_t i = mLevelObjects->size(); i-- > 0;) {
    sObj* object = (*mLevelObjects)[i];
    if (!object->mVisible || object->mSceneEntity == nullptr) continue;
    if (!PointInQuad(object->mBaseQuad, static_cast<float>(x), static_cast<float>(y))) continue;
    if (object->mSceneEntity->mKind != AssocElement::kKind) continue;
    auto* element = static_cast<AssocElement*>(object->mSceneEntity);
    if (element->mLocked) continue;
    picked = element;
    break;
  }
  if (picked == nullptr) return 0;
  mDragged = picked;
  if (picked->mCell != nullptr) {
    picked->mCell->mOccupant = nullptr;
    picked->mCell = nullptr;
  }
  mGrabX = static_cast<float>(x) - picked->mPositionX;
  mGrabY = static_cast<float>(y) - picked->mPositionY;
  MoveToEnd(picked->mObject);
  return 0;
}

int AssocGame::MouseMove(int x, int y) {
  if (mDragged == nullptr) return 0;
  mDragged->mPositionX = static_cast<float>(x) - mGrabX;
  mDragged->mPositionY = static_cast<float>(y) - mGrabY;
  mDragged->MarkDirtyRecursive();
  return 0;
}

AssocCell* AssocGame::CellAt(float x, float y) const {
  for (Scene::Entity* child : mCells->Children()) {
    if (child->mKind != AssocCell::kKind) continue;
    auto* cell = static_cast<AssocCell*>(child);
    if (cell->mObject != nullptr && PointInQuad(cell->mObject->mBaseQuad, x, y)) return cell;
  }
  return nullptr;
}

int AssocGame::MouseUp(int x, int y, int clickCount) {
  if (mDragged == nullptr) return 0;
  AssocElement* element = mDragged;
  mDragged = nullptr;
  AssocCell* cell = CellAt(element->mPositionX, element->mPositionY);
  if (cell == nullptr || cell->mOccupant != nullptr) return 0;
  element->mPositionX = cell->mObject->mCentre.x;
  element->mPositionY = cell->mObject->mCentre.y;
  element->MarkDirtyRecursive();
  cell->mOccupant = element;
  element->mCell = cell;
  if (FindPropertyValue(cell->mObject, "_Element") == element->mName) {
    element->mLocked = true;
    if (auto* emitter = dynamic_cast<sObjEmitter*>(mPlaceEffect)) emitter->StartAt(cell->mObject->mCentre);
    if (auto* sprite = dynamic_cast<sObjSprite*>(cell->mObject)) sprite->mFrameColumn = 2;
    ++mLockedCount;
  }
  return 0;
}

int AssocGame::Update(int updateCount) {
  MiniGame::Update(updateCount);
  mScene.Update(UpdateIntervalMs());
  if (!mWon && !IsUnplayable() && static_cast<int32_t>(mElements->Children().size()) == mLockedCount) mWon = true;
  return 0;
}

int AssocGame::Draw(Graphics& g) {
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
