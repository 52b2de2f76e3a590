// Pairs: partners by shared image, clicks through transparent and turned
// pictures, the selection's glow, the counter and the win.
#include <gtest/gtest.h>

#include "levels/MiniGameFactory.h"
#include "levels/PairsGame.h"
#include "tests/levels/kinds_kit.h"

namespace leveltest {
namespace {

DtmRecord Item(const std::string& name, const std::string& image, float left, float top, float width = 40,
               float height = 40) {
  return Record(name, 7, left, top, width, height, {{"_keyImg", image}});
}

// Left half opaque, right half transparent.
TestImage HalfImage(const std::string& key, int width, int height) {
  TestImage image;
  image.key = key;
  image.width = width;
  image.height = height;
  image.pixel = [width](int x, int) { return x < width / 2 ? 0xFFFFFFFFu : 0x00FFFFFFu; };
  return image;
}

class PairsTest : public KindsKit {
 protected:
  void Click(PairsGame& game, const std::string& name) {
    const Vec2 centre = Object(name)->mCentre;
    game.MouseDown(static_cast<int>(centre.x), static_cast<int>(centre.y), 1);
  }
};

TEST_F(PairsTest, PartnersShareTheImageAndLeftoversAreHidden) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Item("a1", "imgA", 10, 10))
      .Child(Item("b1", "imgB", 60, 10))
      .Child(Item("a2", "imgA", 110, 10))
      .Child(Item("b2", "imgB", 160, 10))
      .Child(Item("a3", "imgA", 210, 10))
      .Child(Item("c1", "imgC", 260, 10));
  LoadLevel({SolidImage("imgA", 40, 40), SolidImage("imgB", 40, 40), SolidImage("imgC", 40, 40)}, root);
  PairsGame game;
  Start(game);
  EXPECT_EQ(game.mPairCount, 2);
  EXPECT_EQ(game.PartnerOf(Object("a1")), Object("a2"));
  EXPECT_EQ(game.PartnerOf(Object("a2")), Object("a1"));
  EXPECT_EQ(game.PartnerOf(Object("b2")), Object("b1"));
  EXPECT_EQ(game.PartnerOf(Object("a3")), nullptr);
  EXPECT_FALSE(Object("a3")->mVisible);
  EXPECT_FALSE(Object("c1")->mVisible);
  EXPECT_TRUE(Object("a1")->mVisible);
  // The partner link is the game's own: the engine's entity field stays empty.
  for (sObj* object : level) EXPECT_EQ(object->mSceneEntity, nullptr) << object->mName;
  // A hidden leftover never takes a click.
  Click(game, "a3");
  EXPECT_EQ(game.mSelected, nullptr);
}

TEST_F(PairsTest, ClicksSelectKeepDropAndMatch) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Item("a1", "imgA", 10, 10))
      .Child(Item("b1", "imgB", 60, 10))
      .Child(Item("a2", "imgA", 110, 10))
      .Child(Item("b2", "imgB", 160, 10));
  LoadLevel({SolidImage("imgA", 40, 40), SolidImage("imgB", 40, 40)}, root);
  PairsGame game;
  Start(game);
  std::wstring text;
  EXPECT_FLOAT_EQ(game.UpdateItemsText(L"%d", text), 1.0f);
  EXPECT_EQ(text, L"2");

  Click(game, "a1");
  EXPECT_EQ(game.mSelected, Object("a1"));
  Click(game, "a1");  // the same item again keeps it
  EXPECT_EQ(game.mSelected, Object("a1"));
  game.MouseDown(500, 500, 1);  // empty space drops it
  EXPECT_EQ(game.mSelected, nullptr);
  Click(game, "a1");
  Click(game, "b1");  // not the partner: the selection moves
  EXPECT_EQ(game.mSelected, Object("b1"));
  EXPECT_TRUE(Object("a1")->mVisible);
  Click(game, "b2");  // the partner, by any button
  EXPECT_EQ(game.mSelected, nullptr);
  EXPECT_FALSE(Object("b1")->mVisible);
  EXPECT_FALSE(Object("b2")->mVisible);
  EXPECT_EQ(game.mFoundCount, 1);
  EXPECT_FLOAT_EQ(game.UpdateItemsText(L"%d", text), 0.5f);
  EXPECT_EQ(text, L"1");

  Run(game, 1);
  EXPECT_FALSE(game.IsWon());
  const Vec2 a2 = Object("a2")->mCentre;
  Click(game, "a1");
  game.MouseDown(static_cast<int>(a2.x), static_cast<int>(a2.y), -1);
  EXPECT_EQ(game.mFoundCount, 2);
  Run(game, 1);
  EXPECT_TRUE(game.IsWon());
}

TEST_F(PairsTest, TransparentPixelsFallThroughAndTurnedItemsUseTheirOwnPicture) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  // "low" lies under "top"; the top's right half is transparent.
  root.Child(Item("low", "imgA", 100, 100))
      .Child(Item("top", "half", 100, 100))
      .Child(Item("low2", "imgA", 300, 300))
      .Child(Item("top2", "half", 300, 100));
  // A 40 x 20 picture turned a quarter clockwise about (200, 300): its top
  // edge runs downwards from corner 0.
  DtmRecord turned = Record("turned", 7, 0, 0, 40, 20, {{"_keyImg", "wide"}});
  const float corners[8] = {200, 300, 200, 340, 180, 340, 180, 300};
  std::copy(corners, corners + 8, turned.corners);
  DtmRecord turned2 = Item("turned2", "wide", 400, 400, 40, 20);
  root.Child(turned).Child(turned2);
  LoadLevel({SolidImage("imgA", 40, 40), HalfImage("half", 40, 40), HalfImage("wide", 40, 20)}, root);
  PairsGame game;
  Start(game);
  ASSERT_EQ(game.mPairCount, 3);
  game.MouseDown(110, 120, 1);  // the top's opaque half
  EXPECT_EQ(game.mSelected, Object("top"));
  game.MouseDown(130, 120, 1);  // its transparent half: the item below
  EXPECT_EQ(game.mSelected, Object("low"));
  // In the turned item, (190, 310) is picture point (10, 10): opaque;
  // (190, 330) is (30, 10): transparent, and nothing lies below.
  game.MouseDown(190, 310, 1);
  EXPECT_EQ(game.mSelected, Object("turned"));
  game.MouseDown(190, 330, 1);
  EXPECT_EQ(game.mSelected, nullptr);
}

TEST_F(PairsTest, SelectionGlowsWhiteInColourModeAndTheViewIsClosed) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Item("a1", "imgA", 10, 10, 40, 40).Property("_colObj", "255").Property("_iAlph", "200"))
      .Child(Item("a2", "imgA", 110, 10));
  LoadLevel({SolidImage("imgA", 40, 40)}, root);
  PairsGame game;
  Start(game);
  sObj* a1 = Object("a1");
  const int red = a1->mRed, green = a1->mGreen, alpha = a1->mAlpha;
  static_cast<sObjMesh*>(a1)->mDrawMode = 3;  // a mode of its own before the glow
  Click(game, "a1");
  ViewPairingImage target;
  Graphics g(&target);
  game.Draw(g);
  EXPECT_EQ(target.depth, 0);
  ASSERT_EQ(target.calls.size(), 3u);  // a1, a2, a1 once more
  const kindstest::DrawCall& glow = target.calls[2];
  EXPECT_EQ(glow.mode, 5);
  EXPECT_EQ(glow.color.red, 255);
  EXPECT_EQ(glow.color.green, 255);
  EXPECT_EQ(glow.color.blue, 255);
  EXPECT_EQ(glow.color.alpha, 128);
  EXPECT_EQ(target.calls[0].mode, 3);
  EXPECT_EQ(a1->mRed, red);
  EXPECT_EQ(a1->mGreen, green);
  EXPECT_EQ(a1->mAlpha, alpha);
  EXPECT_EQ(static_cast<sObjMesh*>(a1)->mDrawMode, 0) << "the glow leaves draw mode 0";
  target.calls.clear();
  game.Draw(g);
  ASSERT_EQ(target.calls.size(), 3u);
  EXPECT_EQ(target.calls[0].mode, 0);
}

TEST_F(PairsTest, NoPairsIsWonAtOnceWithAHarmlessCounter) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Item("a1", "imgA", 10, 10)).Child(Item("b1", "imgB", 60, 10));
  LoadLevel({SolidImage("imgA", 40, 40), SolidImage("imgB", 40, 40)}, root);
  std::unique_ptr<MiniGame> game(CreateMiniGame("pairs"));
  ASSERT_NE(dynamic_cast<PairsGame*>(game.get()), nullptr);
  Start(*game);
  std::wstring text;
  EXPECT_EQ(game->UpdateItemsText(L"%d", text), 0.0f);
  EXPECT_EQ(text, L"0");
  Run(*game, 1);
  EXPECT_TRUE(game->IsWon());
}

}  // namespace
}  // namespace leveltest
