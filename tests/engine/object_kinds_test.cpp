// The factory rows of the drawing kinds, on the builder's scene "mnKinds":
// every record becomes its kind and finds its pictures in the image table.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "engine/ImageTable.h"
#include "engine/ObjectKinds.h"
#include "engine/SceneDatabase.h"
#include "engine/SceneLoader.h"
#include "image/MemoryImage.h"
#include "resources/ImageLib.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/SampleScenes.h"

namespace {

using namespace Kivo;

constexpr int kDrawingTypeCodes[] = {3, 4, 5, 7, 9, 11, 13, 14, 16, 18, 19};

class DrawingKindsInTheFactory : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(WriteSampleSceneData(mFolder.path(), &error)) << error;
    mPreviousLoader = SetImageLoader([this](const std::string& path) -> MemoryImage* {
      ImageLib::ImagePtr picture = ImageLib::ReadPngImage(mFolder / (path + ".png"));
      if (picture == nullptr) return nullptr;
      auto* image = new MemoryImage();
      image->SetBits(picture->pixels.data(), picture->width, picture->height, true);
      return image;
    });
    ASSERT_TRUE(OpenSceneDatabase(mFolder / "data/data.dtm"));
    RegisterDrawingKinds();
  }
  void TearDown() override {
    DeleteObjects(mObjects);
    for (int code : kDrawingTypeCodes) RegisterObjectKind(code, ObjectKindCreator());
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

}  // namespace
