// Item-use quest ("quest"): a point-and-click scene. The player picks up
// items (group 4), uses each on the spot (group 3) that needs it, in the
// spot's listed order, clicks some spots by hand, and sends tools (group 1
// with "_sObjTo") flying into the empty parts of an element. Each use opens
// further elements and objects; when nothing is left to open the final
// element glitters, and its click (or, with "end_level_wo_click", the last
// opening) plays the closing animations and the "cam" move of
// "cameraLast"; the level is won two seconds later.
//
// Elements are held by value in one list built whole before any is loaded,
// so the links between elements (needed items, opened and end elements)
// stay valid. Names in element, tool and part properties that no object
// bears are skipped; a tool whose "_sObjTo" names no level object is
// dropped with a log line (it would have nowhere to fly). Without the
// "finded" animation the level cannot be played: one log line, and the
// game idles. Missing "rocket_spark" or "full_add" images only leave out
// the glitter or the plate's change of picture.
#pragma once

#include <string>
#include <vector>

#include "engine/ImageSlot.h"
#include "engine/PlainKinds.h"
#include "engine/TextKinds.h"
#include "levels/MiniGame.h"

namespace Kivo {

struct QuestElement {
  sObjMesh* object = nullptr;  // the element's level object
  bool final = false;
  bool available = true;
  bool appearing = false;
  bool ending = false;
  int disabled = 0;
  bool byHand = false;
  std::vector<QuestElement*> needed;  // items to use on it, in order
  std::vector<QuestElement*> opened;
  std::vector<sObj*> openedObjects;
  std::vector<QuestElement*> endElements;
  std::vector<sObj*> parts;  // slots tools fill before the element shows
  sObj* plate = nullptr;
  sObjText counterText;
  bool hasCounter = false;
  std::vector<sObj*> effects;
  sObj* useSound = nullptr;
  float effectDx = 0.0f;
  float effectDy = 0.0f;
  Vec2 holdPoint;
};

struct QuestTool {
  sObjMesh* tool = nullptr;
  sObj* target = nullptr;
  QuestElement* element = nullptr;
};

class QuestGame : public MiniGame {
 public:
  // Tool and part states.
  static constexpr int kWaiting = 1;
  static constexpr int kFlying = 2;
  static constexpr int kDone = 3;

  int Draw(Graphics& g) override;
  int Update(int updateCount) override;
  int MouseMove(int x, int y) override;
  int MouseDown(int x, int y, int clickCount) override;
  int MouseUp(int x, int y, int clickCount) override;
  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  bool HasHint() override { return mHintFlag; }
  bool ShowsDisabledList() override { return true; }
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;

  // Whether any element still needs items or still has elements to open.
  bool AnythingClosed() const;
  QuestElement* ElementUnder(float x, float y);
  QuestTool* ToolUnder(float x, float y);
  QuestElement* ElementOf(const sObj* object);
  // Starts "effSprAppear" over about ten of the object's opaque pixels.
  void Sparkle(sObj* object);

  std::vector<QuestElement> mElements;
  std::vector<QuestTool> mTools;
  float mMouseX = 0.0f;
  float mMouseY = 0.0f;
  QuestElement* mHeld = nullptr;
  QuestElement* mHovered = nullptr;
  QuestElement* mFinal = nullptr;
  int mFinalStage = 0;  // 0 playing, 1 all opened, 2 the final element glitters
  bool mHintFlag = true;
  std::vector<sObjText*> mCounterTexts;  // into the elements
  CountdownTimer mEndTimer;
  sObj* mArrivalSound = nullptr;
  sObj* mSparkleEffect = nullptr;
  sObj* mCamera = nullptr;
  bool mAutoEnd = false;
  ImageSlot mGlitterImage;  // "rocket_spark"

 private:
  void LoadElement(QuestElement& element);
  void Open(QuestElement& element);
  void FinalSequence();
  void PutBack();
  void StopHoverGlitter();
  void FlyTool(QuestTool& tool);
  void FillPart(QuestElement& element);
};

}  // namespace Kivo
