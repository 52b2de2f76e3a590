// Carousel: the glide that brings a picture to the middle without leaving
// empty slots, its length in updates, the pictures' selection looks, what
// Select refuses, picking by the mouse and the double click, the vertical
// strip, the fallback picture and its release, and carousels with no slots,
// no length or no listener.
#include <cmath>
#include <string>
#include <vector>

#include "engine/ControlKinds.h"
#include "engine/ImageTable.h"
#include "tests/engine/kinds_support.h"

namespace kindstest {
namespace {

class CarouselKind : public KindsTest {
 protected:
  void SetUp() override {
    KindsTest::SetUp();
    UseImages({{"p0", 8, 8}, {"p1", 8, 8}, {"p2", 8, 8}, {"p3", 8, 8}, {"p4", 8, 8}, {"stage_dis", 8, 8}});
  }
  // Slots of 100 along x from 0 to 300; pictures 80 x 80.
  sObjCarousel& Strip(int pictures = 5, std::vector<std::pair<std::string, std::string>> more = {}, float x1 = 300.0f,
                      float y1 = 100.0f) {
    std::vector<std::pair<std::string, std::string>> properties = {
        {"_iNumPict", "3"}, {"_sType", "HOR"}, {"_fWidthPic", "80"}, {"_fHeightPic", "80"}};
    properties.insert(properties.end(), more.begin(), more.end());
    sObjCarousel& strip = Make<sObjCarousel>(0, 0, x1, y1, properties);
    strip.mName = "stages";
    strip.mParent = &parent;
    strip.SetListener(&listener);
    for (int i = 0; i < pictures; ++i) strip.AddPicture("p" + std::to_string(i % 5), "stage" + std::to_string(i));
    strip.mSelectableLimit = pictures - 1;
    return strip;
  }
  static void Glide(sObjCarousel& strip, int updates) {
    for (int i = 0; i < updates; ++i) strip.Update(1);
  }
  static float Width(const sObjSprite& picture) {
    return picture.mBaseQuad.corner[1].x - picture.mBaseQuad.corner[0].x;
  }

  sObj parent;
};

TEST_F(CarouselKind, SelectingGlidesThePictureTowardTheMiddle) {
  sObjCarousel& strip = Strip();
  EXPECT_FLOAT_EQ(strip.mSpacing, 100.0f);
  EXPECT_FLOAT_EQ(strip.mPictures[3].mCentre.x, 350.0f) << "pictures past the slots lie past the box";
  strip.Select(4);
  EXPECT_EQ(strip.mStepsLeft, 42) << "200 pixels, not 300: no empty slot at the end";
  EXPECT_FLOAT_EQ(strip.mStepDelta, -4.7619047f);
  Glide(strip, 41);
  EXPECT_EQ(strip.mStepsLeft, 1);
  Glide(strip, 1);
  for (int i = 2; i <= 4; ++i) EXPECT_NEAR(strip.mPictures[i].mCentre.x, 50.0f + 100.0f * (i - 2), 0.001f) << i;
  Glide(strip, 5);
  EXPECT_NEAR(strip.mPictures[4].mCentre.x, 250.0f, 0.001f) << "the glide has stopped";
  EXPECT_NEAR(Width(strip.mPictures[4]), 96.0f, 0.01f) << "\"sel_on\" enlarges";

  strip.Select(0);
  // The glided centres carry float error, so the way back may count 41
  // updates for just under 200 pixels.
  EXPECT_NEAR(strip.mStepDelta * static_cast<float>(strip.mStepsLeft), 200.0f, 0.01f);
  Glide(strip, 60);
  EXPECT_NEAR(strip.mPictures[0].mCentre.x, 50.0f, 0.001f);
  EXPECT_NEAR(Width(strip.mPictures[4]), 80.0f, 0.01f) << "\"sel_off\" brings it back";
  EXPECT_NEAR(Width(strip.mPictures[0]), 96.0f, 0.01f);
  EXPECT_EQ(listener.log, (std::vector<std::string>{"carousel stages stage4 1", "carousel stages stage0 1"}));
}

TEST_F(CarouselKind, SelectRefusesLimitCurrentAndOutside) {
  sObjCarousel& strip = Strip();
  strip.mSelectableLimit = 2;
  strip.Select(0);
  listener.log.clear();
  for (int index : {0, 3, 4, -1, 5}) strip.Select(index);
  EXPECT_TRUE(listener.log.empty());
  EXPECT_EQ(strip.mCurrent, 0);
  strip.SelectPrevious();
  EXPECT_TRUE(listener.log.empty()) << "nothing before the first";
  strip.mSelectableLimit = 4;
  strip.Select(4);
  strip.SelectNext();
  EXPECT_EQ(listener.log, std::vector<std::string>{"carousel stages stage4 1"}) << "nothing after the last";
  strip.SelectPrevious();
  EXPECT_EQ(strip.mCurrent, 3);

  sObjCarousel empty;
  empty.mSelectableLimit = 10;
  empty.Select(0);
  EXPECT_FALSE(empty.mHasCurrent);
}

TEST_F(CarouselKind, IndexFortyIsTakenAsThirtyNine) {
  sObjCarousel& strip = Strip(40);
  strip.mSelectableLimit = 40;
  strip.Select(40);
  EXPECT_EQ(strip.mCurrent, 39);
  EXPECT_EQ(listener.log, std::vector<std::string>{"carousel stages stage39 1"});
  listener.log.clear();
  strip.Select(41);
  EXPECT_TRUE(listener.log.empty());
}

TEST_F(CarouselKind, ClicksPickPicturesWhollyInsideAndDoubleClicksReportAgain) {
  sObjCarousel& strip = Strip();
  EXPECT_FALSE(strip.MouseDown(150, 50, 1)) << "not the parent's active child";
  strip.MouseMove(150, 50);
  EXPECT_EQ(parent.mActiveChild, &strip) << "hovering takes the focus";
  EXPECT_TRUE(strip.MouseDown(150, 50, 1));
  EXPECT_TRUE(strip.MouseDown(150, 50, 2));
  EXPECT_EQ(listener.log, (std::vector<std::string>{"carousel stages stage1 1", "carousel stages stage1 2"}));

  listener.log.clear();
  strip.Select(4);
  Glide(strip, 10);  // picture 3 now from 262.4 to 342.4, half outside
  listener.log.clear();
  EXPECT_TRUE(strip.MouseDown(320, 50, 1)) << "handled";
  EXPECT_TRUE(listener.log.empty()) << "but nothing selected";
  EXPECT_TRUE(strip.MouseDown(5, 50, 1)) << "between pictures";
  EXPECT_EQ(strip.mCurrent, 4);

  sObjCarousel orphan;
  EXPECT_FALSE(orphan.MouseDown(0, 0, 1));
}

TEST_F(CarouselKind, AVerticalStripNeverMoves) {
  sObjCarousel& strip = Strip(5, {{"_sType", "VERT"}}, 100.0f, 300.0f);
  EXPECT_EQ(strip.mOrientation, 1);
  EXPECT_FLOAT_EQ(strip.mPictures[1].mCentre.y, 150.0f);
  strip.Select(4);
  Glide(strip, 50);
  EXPECT_EQ(strip.mStepsLeft, 0);
  EXPECT_FLOAT_EQ(strip.mPictures[4].mCentre.x, 50.0f);
  EXPECT_FLOAT_EQ(strip.mPictures[4].mCentre.y, 450.0f);
}

TEST_F(CarouselKind, IgnoredKeysChangeNothing) {
  sObjCarousel& plain = Strip();
  sObjCarousel& keyed = Strip(5, {{"_iValign", "2"}, {"_fScaleX", "3"}, {"_fScaleY", "0.5"}, {"_sType", "diag"}});
  EXPECT_EQ(keyed.mOrientation, 0);
  for (int i = 0; i < 5; ++i) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(keyed.mPictures[i].mBaseQuad.corner[c].x, plain.mPictures[i].mBaseQuad.corner[c].x);
      EXPECT_EQ(keyed.mPictures[i].mBaseQuad.corner[c].y, plain.mPictures[i].mBaseQuad.corner[c].y);
    }
  }
}

TEST_F(CarouselKind, AMissingPictureShowsTheFallbackAndGivesItBack) {
  ASSERT_NE(GetImageByKey("stage_dis"), nullptr);  // one holder of our own
  sObjCarousel& strip = Strip(0);
  strip.AddPicture("no-such-key", "lost");
  strip.AddPicture("p1", "found");
  EXPECT_EQ(strip.mPictures[0].mImage.Key(), "stage_dis");
  Draw(strip);
  EXPECT_EQ(screen.calls.size(), 2u);
  strip.ReleaseImages();
  EXPECT_EQ(strip.GetCount(), 0);
  EXPECT_TRUE(IsImageLoaded("stage_dis")) << "our holder is still counted";
  ReleaseImageByKey("stage_dis");
  EXPECT_FALSE(IsImageLoaded("stage_dis")) << "the holder count is back to its start";
  EXPECT_EQ(Loads("stage_dis"), 1);
  EXPECT_FALSE(IsImageLoaded("p1"));
}

TEST_F(CarouselKind, WithNeitherImageNothingIsDrawn) {
  UseImages({{"p0", 8, 8}});
  sObjCarousel& strip = Strip(0);
  strip.AddPicture("no-such-key", "lost");
  strip.mSelectableLimit = 0;
  strip.Select(0);
  Draw(strip);
  EXPECT_TRUE(screen.calls.empty());
}

TEST_F(CarouselKind, NoSlotsOrNoLengthStillGlideInFiniteSteps) {
  sObjCarousel& none = Strip(5, {{"_iNumPict", "0"}});
  EXPECT_EQ(none.mSlotCount, 1);
  EXPECT_FLOAT_EQ(none.mSpacing, 300.0f);
  none.Select(2);
  EXPECT_TRUE(std::isfinite(none.mStepDelta));
  EXPECT_GT(none.mStepsLeft, 0);

  sObjCarousel& flat = Strip(5, {{"_iNumPict", "-4"}}, 0.0f);
  EXPECT_FLOAT_EQ(flat.mSpacing, 0.0f);
  flat.Select(3);
  EXPECT_EQ(flat.mStepsLeft, 40);
  EXPECT_TRUE(std::isfinite(flat.mStepDelta));
}

TEST_F(CarouselKind, WorksWithoutAListener) {
  sObjCarousel& strip = Strip();
  strip.SetListener(nullptr);
  parent.mActiveChild = &strip;
  EXPECT_TRUE(strip.MouseDown(150, 50, 1));
  EXPECT_TRUE(strip.MouseDown(150, 50, 2));
  EXPECT_EQ(strip.mCurrent, 1);
}

TEST_F(CarouselKind, PicturesAddedDuringAGlidePlayTheirOwnAnimations) {
  sObjCarousel& strip = Strip(2);
  strip.Select(1);
  Glide(strip, 3);
  for (int i = 2; i < 20; ++i) strip.AddPicture("p2", "late" + std::to_string(i));
  strip.mSelectableLimit = 19;
  Glide(strip, 30);
  EXPECT_NEAR(Width(strip.mPictures[1]), 96.0f, 0.01f);
  EXPECT_NEAR(Width(strip.mPictures[5]), 80.0f, 0.01f);
  strip.Select(5);
  Glide(strip, 60);
  EXPECT_NEAR(Width(strip.mPictures[1]), 80.0f, 0.01f);
  EXPECT_NEAR(Width(strip.mPictures[5]), 96.0f, 0.01f);
}

}  // namespace
}  // namespace kindstest
