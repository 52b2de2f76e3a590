// The factory rows of the drawing kinds and the input controls, on the
// builder's scenes "mnKinds" and "mnControls": every record becomes its kind,
// reads its keys and finds its pictures in the image table.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "engine/ControlKinds.h"
#include "engine/ImageTable.h"
#include "engine/ObjectKinds.h"
#include "engine/SceneDatabase.h"
#include "engine/SceneLoader.h"
#include "image/MemoryImage.h"
#include "resources/ImageLib.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/SampleScenes.h"
#include "tests/support/sample_scene_data.h"

namespace {

using namespace Kivo;

constexpr int kRegisteredTypeCodes[] = {3, 4, 5, 7, 9, 11, 13, 14, 16, 18, 19, 6, 8, 10, 12};

class DrawingKindsInTheFactory : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(CopySampleSceneData(mFolder.path(), &error)) << error;
    mPreviousLoader = SetImageLoader([this](const std::string& path) -> MemoryImage* {
      ImageLib::ImagePtr picture = ImageLib::ReadPngImage(mFolder / (path + ".png"));
      if (picture == nullptr) return nullptr;
      auto* image = new MemoryImage();
      image->SetBits(picture->pixels.data(), picture->width, picture->height, true);
      return image;
    });
    ASSERT_TRUE(OpenSceneDatabase(mFolder / "data/data.dtm"));
    RegisterDrawingKinds();
    RegisterControlKinds();
  }
  void TearDown() override {
    DeleteObjects(mObjects);
    for (int code : kRegisteredTypeCodes) RegisterObjectKind(code, ObjectKindCreator());
    FreeSceneDatabase();
    SetImageLoader(mPreviousLoader);
  }

  TempFolder mFolder;
  ImageLoader mPreviousLoader;
  ObjectList mObjects;
};

template <typename Kind>
bool Is(const ObjectList& list, const std::string& name) {
  return dynamic_cast<Kind*>(FindObjectByName(list, name)) != nullptr;
}

TEST_F(DrawingKindsInTheFactory, EveryRecordOfTheKindsSceneBecomesItsKind) {
  ASSERT_TRUE(LoadScene("mnKinds", mObjects));
  ASSERT_EQ(mObjects.size(), 12u);
  EXPECT_TRUE(Is<sObjCamera>(mObjects, "kCamera"));
  EXPECT_TRUE(Is<sObjRect>(mObjects, "kRect"));
  EXPECT_TRUE(Is<sObjSprite>(mObjects, "kSprite"));
  EXPECT_TRUE(Is<sObjMover>(mObjects, "kMover"));
  EXPECT_TRUE(Is<sObjMasked>(mObjects, "kMasked"));
  EXPECT_TRUE(Is<sObjMesh>(mObjects, "kMesh"));
  EXPECT_TRUE(Is<sObjButton>(mObjects, "kButton"));
  EXPECT_TRUE(Is<sObjToggle>(mObjects, "kToggle"));
  EXPECT_TRUE(Is<sObjText>(mObjects, "kText"));
  EXPECT_TRUE(Is<sObjFrame>(mObjects, "kBubble"));
  EXPECT_TRUE(Is<sObjSwing>(mObjects, "kSwing"));
  for (size_t i = 1; i < mObjects.size(); ++i) EXPECT_EQ(mObjects[i]->mParent, mObjects[0]) << mObjects[i]->mName;

  auto* sprite = static_cast<sObjSprite*>(FindObjectByName(mObjects, "kSprite"));
  ASSERT_NE(sprite->GetImage(), nullptr);
  EXPECT_EQ(sprite->GetImage()->columns, 4);
  EXPECT_TRUE(sprite->mPlaying);
  EXPECT_EQ(sprite->mFrameColumn, 4) << "started backward on its last cell";
  auto* bubble = static_cast<sObjFrame*>(FindObjectByName(mObjects, "kBubble"));
  for (const ImageSlot& corner : bubble->mCorners) EXPECT_NE(corner.Get(), nullptr);
  EXPECT_NE(bubble->mArrow.Get(), nullptr);
  auto* masked = static_cast<sObjMasked*>(FindObjectByName(mObjects, "kMasked"));
  EXPECT_NE(masked->mTexture.Get(), nullptr);

  DeleteObjects(mObjects);
  EXPECT_FALSE(IsImageLoaded("kinds_strip4")) << "deleting the scene gives every image back";
  EXPECT_FALSE(IsImageLoaded("kinds_bubble_arr"));
}

TEST_F(DrawingKindsInTheFactory, EveryControlOfTheControlsSceneBecomesItsKind) {
  ASSERT_TRUE(LoadScene("mnControls", mObjects));
  ASSERT_EQ(mObjects.size(), 7u);
  for (size_t i = 1; i < mObjects.size(); ++i) EXPECT_EQ(mObjects[i]->mParent, mObjects[0]) << mObjects[i]->mName;

  sObjSlider* volume = dynamic_cast<sObjSlider*>(FindObjectByName(mObjects, "cVolume"));
  ASSERT_NE(volume, nullptr);
  EXPECT_FLOAT_EQ(volume->mSpeed, 0.05f);
  EXPECT_NE(volume->mFill.Get(), nullptr);
  EXPECT_NE(volume->mBack.Get(), nullptr);
  EXPECT_NE(volume->mHandle.GetImage(), nullptr);
  EXPECT_FALSE(volume->mEnabled) << "the front end enables it";
  sObjSlider* progress = dynamic_cast<sObjSlider*>(FindObjectByName(mObjects, "cProgress"));
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(progress->mSpeed, kDefaultSliderSpeed);

  sObjEdit* name = dynamic_cast<sObjEdit*>(FindObjectByName(mObjects, "cName"));
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->mMaxLength, 12);
  EXPECT_EQ(name->mFontName, "FONT_TEXT");

  sObjList* players = dynamic_cast<sObjList*>(FindObjectByName(mObjects, "cPlayers"));
  ASSERT_NE(players, nullptr);
  ASSERT_NE(players->mSelector.Get(), nullptr);
  EXPECT_EQ(players->mSelector.Get()->columns, 2);

  sObjCarousel* stages = dynamic_cast<sObjCarousel*>(FindObjectByName(mObjects, "cStages"));
  ASSERT_NE(stages, nullptr);
  EXPECT_EQ(stages->mSlotCount, 3);
  EXPECT_FLOAT_EQ(stages->mSpacing, 200.0f);
  EXPECT_FLOAT_EQ(stages->mPictureWidth, 160.0f);
  stages->AddPicture("stage_2", "two");
  stages->AddPicture("stage_locked", "locked");
  EXPECT_EQ(stages->mPictures[1].mImage.Key(), "stage_dis");

  DeleteObjects(mObjects);
  for (const char* key :
       {"ctl_slider_back", "ctl_slider_fill", "ctl_slider_handle", "ctl_list_selector", "stage_2", "stage_dis"}) {
    EXPECT_FALSE(IsImageLoaded(key)) << key;
  }
}

}  // namespace
