// What's new ("what_new"): an animated scene plays on every click, and at the
// end of the clip of its root ("Root") one more hidden item (engine kind 7)
// appears, provided the click that started it hit the item shown last (or
// none was shown yet); a click that missed it hides every item again and
// the count starts over. Won in the update after every item was shown.
//
// The scene is the XML file of "_sLeafsPath"; level objects whose names
// begin "Leaf" follow the scene's object entities of the same names.
// "_iElementCount" items take part (below 1 or above the items: all), the
// others are dropped at random (gRandom).
//
// Failures: a scene path naming a missing or unreadable file makes the level
// unplayable (one log line; the game then idles); an empty path plays with
// an empty scene, whose root never ends a clip.
#pragma once

#include <vector>

#include "engine/SceneGraph.h"
#include "levels/MiniGame.h"

namespace Kivo {

class WhatNewGame : public MiniGame, public Scene::Listener {
 public:
  WhatNewGame();
  // The level objects outlive the game: their bound-entity fields are
  // cleared before the entities go.
  ~WhatNewGame() override;

  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int MouseDown(int x, int y, int clickCount) override;
  int Draw(Graphics& g) override;
  bool ShowsDisabledList() override { return true; }

  void OnSceneEvent(Scene::SceneGraph* graph, Scene::Entity* entity, int code) override;

  bool mMissed = false;
  std::vector<sObj*> mItems;  // not owned
  int32_t mShownCount = 0;
  Scene::SceneGraph mScene;
  sObj* mNewest = nullptr;
};

}  // namespace Kivo
