// "balance": the balance scales. Weights ("sprWeight*") lie on the table;
// the player drags them onto the two pans ("sprPan0", "sprPan1") of a beam
// ("sprBeam"). The beam tilts by the load difference (clamped to +-30
// degrees) one degree per update, then wobbles through four legs of 26
// updates before it settles. A set-up is solved when the beam has settled,
// the loads differ by less than 0.1 and no weight is left on the table.
// Further set-ups ("_sLev_1", "_sLev_2", ... naming scenes) follow behind a
// black fader ("fade_in", scene replaced, "fade_out"); the last one wins.
//
// The scales are a tree of scene nodes: table -> wobble -> tilt -> pans,
// weights under the table or a pan; sprites follow their nodes through
// bindings. The game listens to the tweens (timeline listener), to node
// updates and (through a listener of the fader's own) to the fader's
// animation ends; its MiniGame part is not its
// first base, so owners hold and delete it through that part only.
//
// Replacing the level objects for a sub-level gives the new objects their
// index, the old objects' listener and the parent focus, as the screen does
// when it is added, looks up the HUD anchor and "effSleif" again and calls
// mLevelObjectsReplaced so that the level screen refreshes its own pointers.
//
// Unplayable data (one log line, then idle): a missing "sprBeam", pan or
// weight image, a pan number other than 0 or 1, or no global "fade_in" or
// "fade_out" animation.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/PlainKinds.h"
#include "engine/SceneNodes.h"
#include "levels/MiniGame.h"

namespace Kivo {

// A weight: an offset node that stands on its contact point.
class WeightNode : public OffsetNode {
 public:
  Vec2 mHome;
  float mMass = 1.0f;
  sObj* mObject = nullptr;  // not owned
};

class BalanceGame : public TimelineListener, public NodeUpdateHook, public MiniGame, public ObjEventListener {
 public:
  static constexpr float kMaxTilt = 30.0f;
  static constexpr int kWobbleTicks = 26;

  BalanceGame();
  ~BalanceGame() override;

  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Draw(Graphics& g) override;
  int Update(int updateCount) override;
  int MouseMove(int x, int y) override;
  int MouseDown(int x, int y, int clickCount) override;
  int MouseUp(int x, int y, int clickCount) override;
  // The level screen's forwarding of its objects' animation ends: nothing
  // to do, whatever the object's name; only the game's own fader (through
  // its own listener) moves on to the next set-up.
  void OnAnimationEnd(std::string objectName, std::string animationName) override;
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;

  void OnTimelineEvent(Timeline& timeline, int event, int arg) override;
  void OnNodeUpdate(SceneNode* node) override;

  // The load difference pan 0 - pan 1, clamped to +-30.
  float TiltTarget() const;
  bool IsSolved() const;
  bool OnTable(const WeightNode* weight) const;
  float Load(int pan) const { return mPans[pan].mOwnerValue1; }

  bool mSettled = true;
  NodeBindingMap mBindings;
  SceneNode mTable;
  RotateNode mWobble;
  RotateNode mTilt;
  PivotNode mPans[2];
  sObj* mPanObjects[2] = {nullptr, nullptr};
  std::vector<std::unique_ptr<WeightNode>> mWeights;
  WeightNode* mHeld = nullptr;
  Vec2 mGrab;
  sObjRect mFader;
  std::vector<std::string> mSubLevels;

 private:
  // Hears the fader alone, so that a level object of the same name cannot
  // replace the level objects while the screen walks them.
  class FaderListener : public ObjEventListener {
   public:
    explicit FaderListener(BalanceGame& game) : mGame(game) {}
    void OnAnimationEnd(std::string objectName, std::string animationName) override;

   private:
    BalanceGame& mGame;
  };

  void OnFaderEnd(const std::string& animationName);

  bool BuildScales();
  void ClearWeights();
  void Retarget();
  void LoadSubLevel(const std::string& scene);
  bool HitsWeight(const WeightNode& weight, int x, int y) const;

  FaderListener mFaderListener{*this};
};

}  // namespace Kivo
