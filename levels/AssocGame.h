// Association puzzle ("assoc"): the player drags element pictures onto the
// cells that name them. Objects whose names begin "cell" are cells, other
// objects beginning "element" are elements; each cell names its own element
// in "_Element". An element let go with its position over an empty cell
// jumps to the cell's centre: its own element locks there for good (burst
// of "effOnPlace" at the cell, the cell sprite on its second frame column),
// any other sits in the cell until picked up again. Won when every element
// is locked; a level without elements is won in its first update.
//
// The pictures move through a scene graph built in code: a root with the
// groups "cells" and "elements", one entity per object (kind 3 a cell, 2 an
// element), whose position drives the bound object's corners at each scene
// update. A picked element's object moves to the end of the level list, so
// it draws on top and is found first by the next click.
//
// Every cell and element counts, also one whose name another already has.
// The scene and its entities go with the game, which clears the objects'
// bound-entity fields as it goes.
#pragma once

#include "engine/SceneGraph.h"
#include "levels/MiniGame.h"

namespace Kivo {

class AssocElement;

class AssocCell : public Scene::ObjEntity {
 public:
  static constexpr int kKind = 3;
  AssocCell() { mKind = kKind; }
  void ResetTransform() override;

  AssocElement* mOccupant = nullptr;  // not owned
};

class AssocElement : public Scene::ObjEntity {
 public:
  static constexpr int kKind = 2;
  AssocElement() { mKind = kKind; }
  void ResetTransform() override;

  bool mLocked = false;
  AssocCell* mCell = nullptr;  // not owned
};

class AssocGame : public MiniGame {
 public:
  AssocGame();
  // The level objects outlive the game: their bound-entity fields are
  // cleared before the entities go.
  ~AssocGame() override;

  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int MouseMove(int x, int y) override;
  int MouseDown(int x, int y, int clickCount) override;
  int MouseUp(int x, int y, int clickCount) override;
  int Draw(Graphics& g) override;
  bool ShowsDisabledList() override { return true; }

  // The first cell, in the order they were added, whose object's quad holds
  // (x, y); null without one.
  AssocCell* CellAt(float x, float y) const;

  Scene::SceneGraph mScene;
  Scene::Entity* mCells = nullptr;     // owned by the scene
  Scene::Entity* mElements = nullptr;  // owned by the scene
  AssocElement* mDragged = nullptr;
  float mGrabX = 0.0f;
  float mGrabY = 0.0f;
  sObj* mPlaceEffect = nullptr;  // "effOnPlace"
  int32_t mLockedCount = 0;

 private:
  // Binds object to entity and appends it to group.
  void AddEntity(Scene::ObjEntity* entity, sObj* object, Scene::Entity* group);
  void MoveToEnd(sObj* object);
};

}  // namespace Kivo
