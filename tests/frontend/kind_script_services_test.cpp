#include "frontend/KindScriptServices.h"

#include <gtest/gtest.h>

#include "engine/ButtonKinds.h"
#include "engine/SpriteKinds.h"
#include "engine/TextKinds.h"

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

}  // namespace
}  // namespace Kivo
