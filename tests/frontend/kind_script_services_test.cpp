#include "frontend/KindScriptServices.h"

#include <gtest/gtest.h>

#include "engine/ButtonKinds.h"
#include "engine/SpriteKinds.h"
#include "engine/TextKinds.h"
#include "image/MemoryImage.h"
#include "tests/engine/scene_file_support.h"

namespace Kivo {
namespace {

TEST(KindScriptServices, EachOperationTouchesOnlyItsOwnKind) {
  KindScriptServices services;
  sObjText text;
  sObjButton button;
  sObj plain;
  services.SetText(&text, L"hint");
  services.SetText(&button, L"hint");
  services.SetText(nullptr, L"hint");
  EXPECT_EQ(text.mText, L"hint");
  EXPECT_EQ(button.mCaption, L"");

  button.mState = kButtonPressed;
  button.mFadeAlpha = 120;
  services.ResetButton(&button);
  services.ResetButton(&plain);
  services.ResetButton(nullptr);
  EXPECT_EQ(button.mState, kButtonNormal);
  EXPECT_EQ(button.mFadeAlpha, 0);

  // Neither a plain object nor an unknown key gives an image or a size.
  float width = -1, height = -1;
  sObjSprite sprite;
  EXPECT_FALSE(services.SetImage(&plain, "anything", false, &width, &height));
  EXPECT_FALSE(services.SetImage(nullptr, "anything", false, &width, &height));
  EXPECT_FALSE(services.SetImage(&sprite, "no_such_key", false, &width, &height));
  EXPECT_EQ(sprite.GetImage(), nullptr);
  EXPECT_EQ(width, -1.0f);
  services.ShowBubbleText(&plain, Vec2(100, 100), L"x");
  services.HideBubble(nullptr);
  services.PlaySound("SOUND_BTN_CLK");  // no application: nothing plays
}

// A grid image (four cels across, two down) gives the body and head quads
// the whole picture's size, not one cel's.
class KindScriptImages : public scenetest::SceneFileTest {
 protected:
  void SetUp() override {
    previous = SetImageLoader([](const std::string&) {
      auto* image = new MemoryImage();
      image->CreateBlank(120, 60);
      return image;
    });
  }
  void TearDown() override {
    FreeSceneDatabase();
    SetImageLoader(previous);
  }
  ImageLoader previous;
};

TEST_F(KindScriptImages, SizesComeFromTheWholeImage) {
  SceneDatabaseWriter writer;
  std::string error;
  ASSERT_TRUE(writer.AddScene("Main", scenetest::Record("Main", 0), &error)) << error;
  ASSERT_TRUE(writer.AddImage({"anna_body", "img/anna", false, 4, 2}, &error)) << error;
  ASSERT_TRUE(Open(writer));
  KindScriptServices services;
  sObjSprite sprite;
  float width = 0, height = 0;
  ASSERT_TRUE(services.SetImage(&sprite, "anna_body", false, &width, &height));
  EXPECT_EQ(width, 120.0f);
  EXPECT_EQ(height, 60.0f);
  sprite.mImage.Release();
}

}  // namespace
}  // namespace Kivo
