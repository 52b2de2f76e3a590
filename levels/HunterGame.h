// Bird hunt ("hunter"): birds fly on the clips of an XML scene, at most four
// at a time, started at random (gRandom) from those resting; the player
// shoots them by clicking. A shot bird stops (its stop returns it to the
// resting birds, hidden) and counts a hit with a burst of "effExplosion"; a
// sleeping bird clicked wakes (its clip plays) and counts a hit each time;
// an obstacle clicked only plays its clip. The counter "txtInfo" shows
// "%03i/%03i" (hits, goal); the won flag follows hits >= goal every update.
//
// Level objects beginning "sprBird", "sprSleepBird" and "sprBlock" are bound
// to the scene's object entities of the same names (others are left out).
// A click walks visible sprites from the top: a bound one is hit by its
// whole quad (mirrored ones by their corners reordered), an unbound one
// (scenery) stops the shot on an opaque pixel and lets it through a
// transparent one.
//
// Failures: a scene path naming a missing or unreadable file makes the level
// unplayable (one log line; the game idles). A resting bird whose clip
// cannot start is tried at most once per pick, so the start loop always
// ends: each update makes at most as many picks as birds were resting.
#pragma once

#include <map>
#include <vector>

#include "engine/SceneGraph.h"
#include "engine/TextKinds.h"
#include "levels/MiniGame.h"

namespace Kivo {

class HunterGame : public MiniGame, public Scene::Listener {
 public:
  enum Role { kBird = 0, kSleepingBird = 1, kObstacle = 2 };
  static constexpr int kMaxFlying = 4;

  HunterGame();
  // The level objects outlive the game: their bound-entity fields are
  // cleared before the entities go.
  ~HunterGame() override;

  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Update(int updateCount) override;
  int MouseDown(int x, int y, int clickCount) override;
  int Draw(Graphics& g) override;
  bool ShowsDisabledList() override { return true; }

  void OnSceneEvent(Scene::SceneGraph* graph, Scene::Entity* entity, int code) override;

  // The role of a bound entity; -1 for any other.
  int RoleOf(const Scene::Entity* entity) const;

  Scene::SceneGraph mScene;
  std::vector<Scene::ObjEntity*> mResting;
  std::vector<Scene::ObjEntity*> mFlying;
  std::vector<Scene::ObjEntity*> mSleeping;
  std::vector<Scene::ObjEntity*> mObstacles;
  sObj* mExplosion = nullptr;    // "effExplosion"
  sObjText* mCounter = nullptr;  // "txtInfo"
  int32_t mGoal = 100;
  int32_t mHits = 0;

 private:
  void Bind(sObj* object, int role, std::vector<Scene::ObjEntity*>& list);
  void Hit(sObj* sprite);
  void ShowCounter();

  std::map<const Scene::Entity*, int> mRoles;
};

}  // namespace Kivo
