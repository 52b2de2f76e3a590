// sObjCarousel (type 12): a strip of pictures, each a sprite the carousel
// owns, laid out in equal slots along its quad. Selecting a picture glides
// the strip so that the picture comes to the middle (the strip's ends never
// leave the box), shrinks the previous picture with "sel_off", enlarges the
// new one with "sel_on" and reports OnCarouselSelect with click count 1; a
// double click on a picture reports the current one again with count 2.
//
// Properties read: "_colObj" (decimal, red in the low byte), "_iAlph",
// "_iNumPict" (slots in the box, at least 1), "_sType" ("HOR" or "VERT"),
// "_fWidthPic", "_fHeightPic"; "_iValign", "_fScaleX" and "_fScaleY" are
// taken and have no effect.
//
// Limits: the glide runs along x for both orientations, so a "VERT" strip
// never moves; index 40 is taken as 39. The front end sets the highest
// selectable index before selecting. Failures: none are reported. A picture
// whose image key is unknown shows "stage_dis", and with neither it draws
// nothing; selections past the limit, of the current picture, or outside
// the pictures are ignored; a carousel without a listener reports to no one.
#pragma once

#include <string>
#include <vector>

#include "engine/EngineObject.h"
#include "engine/SpriteKinds.h"

namespace Kivo {

// The picture every unknown image key falls back to.
constexpr const char* kMissingPictureKey = "stage_dis";

class sObjCarousel : public sObj {
 public:
  sObjCarousel();

  void ApplyProperties() override;
  void ReleaseImages() override;
  void Draw(Graphics* g) override;
  void MouseMove(int x, int y) override;
  bool MouseDown(int x, int y, int clickCount) override;
  void Update(int ticks) override;

  void AddPicture(const std::string& imageKey, const std::string& pictureName);
  // Every picture to its slot from the start of the box.
  void LayOut();
  void Select(int index);
  void SelectByName(const std::string& name);
  void SelectPrevious();
  void SelectNext();
  // All four corners of the object's base quad lie inside the carousel's.
  bool ContainsQuad(const sObj& object) const;
  int GetCount() const { return static_cast<int>(mPictures.size()); }

  int mSlotCount = 3;
  int mOrientation = 0;  // 0 "HOR", 1 "VERT"
  float mPictureWidth = 100.0f;
  float mPictureHeight = 0.0f;
  float mHalfWidth = 50.0f;
  float mHalfHeight = 0.0f;
  float mSpacing = 0.0f;
  float mStepDelta = 0.0f;
  int mStepsLeft = 0;
  int mCurrent = 0;
  int mSelectableLimit = 0;
  bool mHasCurrent = false;
  std::vector<sObjSprite> mPictures;

 private:
  void Report(const std::string& picture, int clickCount);
};

}  // namespace Kivo
