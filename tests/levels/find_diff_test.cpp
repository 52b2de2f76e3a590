// Spot-the-difference and identical objects: the mirrored pointer, the two
// copies, the hit tests (direct before mirrored, turned images, quad hits),
// the choice of parts, the flight to the final place and the counters.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/ParticleEffect.h"
#include "levels/FindDiffGame.h"
#include "levels/FindIdentGame.h"
#include "levels/FoundObjects.h"
#include "levels/MiniGameFactory.h"
#include "tests/levels/effect_probe.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {
namespace {

using kindstest::DrawCall;
using Props = std::vector<std::pair<std::string, std::string>>;

DtmRecord Part(const std::string& name, const std::string& image, float x, float y, float w, float h,
               const std::string& group = "1", Props more = {}) {
  Props props = {{"_keyImg", image}, {"_iGroup", group}};
  for (auto& p : more) props.push_back(p);
  return Record(name, 7, x, y, w, h, std::move(props));
}

class FindDiffTest : public MiniGameKit {
 protected:
  void SetUp() override {
    MiniGameKit::SetUp();
    RegisterLevelKinds();
  }
  // The level, then the game's "finded" (opening the database reloads the
  // global animations).
  void Load(const std::vector<TestImage>& images, const DtmRecord& root) {
    LoadLevel(images, root);
    anims.Add("finded", 10, 100);
  }
  sObjMesh* Mesh(const std::string& name) { return dynamic_cast<sObjMesh*>(FindObjectByName(level, name)); }
  // Runs game and the level objects together, as the level screen does.
  void Play(MiniGame& game, int n) {
    for (int i = 0; i < n; ++i) {
      UpdateObjects(level, updateCount + 1);
      Run(game, 1);
    }
  }
  GlobalAnims anims;
};

TEST_F(FindDiffTest, PointerMirrorsIntoTheOtherCopyWithIntegerHalves) {
  Load({SolidImage("custom_pointer", 7, 5)}, Record("level", 3, 0, 0, 800, 600));
  FindDiffGame game;
  Start(game);
  struct Case {
    int x, y;
    float mirrorX;
  };
  for (const Case& c : {Case{401, 33, 1.0f}, Case{400, 40, 800.0f}, Case{0, 7, 400.0f}, Case{799, 1, 399.0f}}) {
    game.MouseMove(c.x, c.y);
    Run(game, 1);
    EXPECT_EQ(game.mMirrorX, c.mirrorX) << c.x;
    EXPECT_EQ(game.mMirrorY, static_cast<float>(c.y));
    const Quad& q = game.mPointerQuad;
    EXPECT_EQ(q.corner[0].x, c.mirrorX - 3.0f);
    EXPECT_EQ(q.corner[0].y, c.y - 2.0f);
    EXPECT_EQ(q.corner[2].x, c.mirrorX + 3.0f);
    EXPECT_EQ(q.corner[2].y, c.y + 2.0f);
  }
}

TEST_F(FindDiffTest, PartsInPlayShowInOneCopyAndEverythingElseInBoth) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600, {{"_iNumObjFind", "1"}});
  root.Child(Record("back", 3, 0, 0, 400, 600, {{"_keyImg", "back"}}));
  root.Child(Part("a", "a", 100, 100, 20, 20));
  root.Child(Part("b", "b", 200, 200, 20, 20));
  Load({SolidImage("back", 4, 4), SolidImage("a", 20, 20), SolidImage("b", 20, 20), SolidImage("custom_pointer", 4, 4)},
       root);
  FindDiffGame game;
  Start(game);
  ASSERT_EQ(game.mTargets.size(), 1u);
  sObjMesh* inPlay = game.mTargets[0];
  sObjMesh* idle = inPlay == Mesh("a") ? Mesh("b") : Mesh("a");
  EXPECT_EQ(inPlay->mState, FindDiffGame::kInPlay);
  EXPECT_EQ(idle->mState, FindDiffGame::kIdle);
  screen.calls.clear();
  game.Draw(graphics);
  auto drawsOf = [&](Image* image) {
    std::vector<float> lefts;
    for (const DrawCall& call : screen.calls) {
      if (call.kind == "quad" && call.image == image) lefts.push_back(call.quad.corner[0].x);
    }
    return lefts;
  };
  EXPECT_EQ(drawsOf(inPlay->GetImage()).size(), 1u);
  const float idleLeft = idle->mBaseQuad.corner[0].x;
  // In its place, then in the other copy (drawn after the level without "part_game_draw").
  EXPECT_EQ(drawsOf(idle->GetImage()), (std::vector<float>{idleLeft, idleLeft - 400.0f}));
  // The separator: x 400 to 403, the whole height, in (255, 223, 136).
  bool separator = false;
  for (const DrawCall& call : screen.calls) {
    if (call.kind != "fill") continue;
    separator = call.rect.x == 400 && call.rect.width == 4 && call.rect.y == 0 && call.color.red == 255 &&
                call.color.green == 223 && call.color.blue == 136 && call.color.alpha == 255;
  }
  EXPECT_TRUE(separator);
  // After the draw every object is back where it was.
  EXPECT_EQ(idle->mBaseQuad.corner[0].x, idleLeft);
}

TEST_F(FindDiffTest, DirectHitsBeatMirroredOnesAndOnlyDirectOnesBurst) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Part("p", "solid", 0, 0, 20, 20));
  root.Child(Part("q", "solid", 0, 0, 20, 20));
  Load({SolidImage("solid", 20, 20)}, root);
  FixedEffectProbe plates(kEffectPlateFly);
  FindDiffGame game;
  Start(game);
  sObjMesh* p = Mesh("p");
  sObjMesh* q = Mesh("q");
  p->MoveTo(Vec2(110, 110));
  q->MoveTo(Vec2(510, 110));
  // (110, 110) hits p directly and q at its mirror point: p is taken.
  game.MouseDown(110, 110, 1);
  EXPECT_EQ(p->mState, FindDiffGame::kFound);
  EXPECT_FALSE(p->mVisible);
  EXPECT_EQ(q->mState, FindDiffGame::kInPlay);
  ASSERT_EQ(plates.Starts().size(), 1u);
  EXPECT_EQ(plates.Starts()[0].x, 110.0f);
  // Again: p is no longer in play, so the mirror finds q, with no burst.
  game.MouseDown(110, 110, 1);
  EXPECT_EQ(q->mState, FindDiffGame::kFound);
  EXPECT_EQ(plates.Starts().size(), 1u);
  EXPECT_FALSE(game.mMissCrossRequest);
  // Nothing left there: a miss.
  game.MouseDown(110, 110, 1);
  EXPECT_TRUE(game.mMissCrossRequest);
  EXPECT_EQ(game.mMissPoint.x, 110.0f);
}

TEST_F(FindDiffTest, CountOfPartsDefaultsAndShift) {
  struct Case {
    Props props;
    size_t inPlay;
    float finalX, finalY, shift;
  };
  const Case cases[] = {
      {{}, 5, 50, 118, -400},
      {{{"_iNumObjFind", "7"}}, 5, 50, 118, -400},
      {{{"_iNumObjFind", "5"}}, 5, 50, 118, -400},
      {{{"_iNumObjFind", "-1"}}, 5, 50, 118, -400},
      {{{"_iNumObjFind", "3"}, {"_iFinalX", "70"}, {"_iFinalY", "90"}}, 3, 70, 90, -400},
      {{{"_iNumObjFind", "0"}, {"_iLeft", "1"}}, 0, 50, 118, 400},
  };
  for (const Case& c : cases) {
    DeleteObjects(level);
    DtmRecord root = Record("level", 3, 0, 0, 800, 600, c.props);
    for (int i = 0; i < 5; ++i) root.Child(Part("p" + std::to_string(i), "solid", 450.0f + 40 * i, 100, 20, 20));
    root.Child(Part("scenery", "solid", 300, 300, 20, 20, "0"));
    Load({SolidImage("solid", 20, 20)}, root);
    FindDiffGame game;
    Start(game);
    EXPECT_EQ(game.mTargets.size(), c.inPlay);
    EXPECT_EQ(game.mFinalX, c.finalX);
    EXPECT_EQ(game.mFinalY, c.finalY);
    EXPECT_EQ(game.mShift, c.shift);
    int inPlay = 0;
    for (int i = 0; i < 5; ++i) {
      sObjMesh* part = Mesh("p" + std::to_string(i));
      const float home = 450.0f + 40 * i;
      if (part->mState == FindDiffGame::kInPlay) {
        ++inPlay;
        EXPECT_EQ(part->mBaseQuad.corner[0].x, part->mItemFlag ? home + c.shift : home);
      } else {
        EXPECT_EQ(part->mState, FindDiffGame::kIdle);
        EXPECT_EQ(part->mBaseQuad.corner[0].x, home);
      }
    }
    EXPECT_EQ(inPlay, static_cast<int>(c.inPlay));
    EXPECT_EQ(Mesh("scenery")->mState, FindDiffGame::kIdle);
    std::wstring text;
    EXPECT_EQ(game.UpdateItemsText(L"%d", text), 0.0f);
    EXPECT_EQ(text, std::to_wstring(c.inPlay));
    if (c.inPlay == 0) {
      HintPoint first, second;
      EXPECT_EQ(game.GetHintPosition(first, second), kHintNone);
      Play(game, 50);
      EXPECT_FALSE(game.IsWon());
    }
  }
}

TEST_F(FindDiffTest, FoundPartWaitsForFindedThenSpinsAndFliesFivePixelsATick) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600, {{"_iFinalX", "50"}, {"_iFinalY", "118"}});
  root.Child(Part("p", "solid", 0, 0, 20, 20));
  root.Child(Record("effOnPlace", 15, 0, 0, 1, 1));
  root.Child(Record("soundCollected", 17, 0, 0, 1, 1));
  root.Child(Record("effSleif", 15, 0, 0, 1, 1));
  ObjectEventLog events;
  Load({SolidImage("solid", 20, 20)}, root);
  FixedEffectProbe wands(kEffectMagicWand);
  FindDiffGame game;
  Start(game);
  sObjMesh* part = Mesh("p");
  part->MoveTo(Vec2(90, 118));
  game.MouseDown(90, 118, 1);
  ASSERT_EQ(part->mState, FindDiffGame::kFound);
  std::wstring text;
  game.UpdateItemsText(L"%d", text);
  EXPECT_EQ(text, L"1");  // found, not yet arrived
  // Still while "finded" plays.
  int waited = 0;
  while (part->IsPlaying() && waited < 100) {
    Run(game, 1);
    EXPECT_EQ(part->mCentre.x, 90.0f);
    UpdateObjects(level, updateCount);
    ++waited;
  }
  ASSERT_FALSE(part->IsPlaying());
  // From now on the game steps it; predict the steps from the engine's lengths.
  Vec2 expected = part->mCentre;
  const Vec2 target(50, 118);
  int steps = 0;
  for (;;) {
    const Vec2 corner0Before = part->mBaseQuad.corner[0];
    const Vec2 centreBefore = part->mCentre;
    events.Clear();
    Play(game, 1);
    const Vec2 d(target.x - expected.x, target.y - expected.y);
    // The spin: corner 0 turned by 0.1 rad about the centre.
    const float rx = corner0Before.x - centreBefore.x;
    const float ry = corner0Before.y - centreBefore.y;
    const Vec2 spun(rx * std::cos(0.1f) - ry * std::sin(0.1f), rx * std::sin(0.1f) + ry * std::cos(0.1f));
    if (Vec2::Length(d) < 5.0f) {
      EXPECT_EQ(part->mState, FindDiffGame::kArrived);
      EXPECT_EQ(part->mCentre.x, expected.x);  // left where it is
      EXPECT_EQ(events.Events(),
                (std::vector<std::string>{"play soundCollected", "start effOnPlace " +
                                                                     std::to_string(std::lround(expected.x)) + " " +
                                                                     std::to_string(std::lround(expected.y))}));
      break;
    }
    ASSERT_EQ(part->mState, FindDiffGame::kFound);
    const Vec2 step = Vec2::SetLength(d, 5.0f);
    expected = Vec2(expected.x + step.x, expected.y + step.y);
    EXPECT_NEAR(part->mCentre.x, expected.x, 1e-4);
    EXPECT_NEAR(part->mBaseQuad.corner[0].x, centreBefore.x + spun.x + step.x, 1e-3);
    EXPECT_NEAR(part->mBaseQuad.corner[0].y, centreBefore.y + spun.y + step.y, 1e-3);
    // Four wand bursts 20 pixels out toward corners 0, 1, 3, 2, then the trail.
    const std::vector<Vec2> wands4 = wands.Starts();
    ASSERT_EQ(wands4.size(), static_cast<size_t>(4 * (steps + 1)));
    const int order[4] = {0, 1, 3, 2};
    for (int k = 0; k < 4; ++k) {
      const Vector2& corner = part->mBaseQuad.corner[order[k]];
      const Vec2 unit = Vec2::SetLength(Vec2(corner.x - part->mCentre.x, corner.y - part->mCentre.y), 1.0f);
      EXPECT_NEAR(wands4[4 * steps + k].x, part->mCentre.x + 20 * unit.x, 1e-3);
      EXPECT_NEAR(wands4[4 * steps + k].y, part->mCentre.y + 20 * unit.y, 1e-3);
    }
    EXPECT_EQ(events.With("start effSleif").size(), 1u);
    ++steps;
    ASSERT_LT(steps, 20);
  }
  EXPECT_EQ(steps, 8);  // 40 pixels: the ninth tick starts under 5 pixels away
  EXPECT_TRUE(game.IsWon());
  game.UpdateItemsText(L"%d", text);
  EXPECT_EQ(text, L"0");
}

TEST_F(FindDiffTest, UnplayableWithoutFindedAndPointerIsOptional) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Part("p", "solid", 100, 100, 20, 20));
  LoadLevel({SolidImage("solid", 20, 20)}, root);  // no "finded", no "custom_pointer"
  FindDiffGame game;
  Start(game);
  EXPECT_TRUE(Logged("cannot be played"));
  EXPECT_TRUE(Logged("finded"));
  game.MouseDown(110, 110, 1);
  EXPECT_FALSE(game.mMissCrossRequest);
  EXPECT_EQ(Mesh("p")->mState, 0);
  HintPoint first, second;
  EXPECT_EQ(game.GetHintPosition(first, second), kHintNone);
  game.Draw(graphics);  // draws without a pointer image
  Run(game, 10);
  EXPECT_FALSE(game.IsWon());
}

TEST_F(FindDiffTest, NothingToFindCountsZeroNotNaN) {
  Load({}, Record("level", 3, 0, 0, 800, 600));
  FindDiffGame diff;
  Start(diff);
  std::wstring text;
  EXPECT_EQ(diff.UpdateItemsText(L"%d left", text), 0.0f);
  EXPECT_EQ(text, L"0 left");
  FindIdentGame ident;
  Start(ident);
  EXPECT_EQ(ident.UpdateItemsText(L"%d left", text), 0.0f);
  EXPECT_EQ(text, L"0 left");
}

using FindIdentTest = FindDiffTest;

TEST_F(FindIdentTest, DefaultsGroupTwoAndOtherGroupsAreMisses) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Part("two", "solid", 100, 100, 20, 20, "2"));
  root.Child(Part("three", "solid", 300, 100, 20, 20, "3"));
  Load({SolidImage("solid", 20, 20)}, root);
  FindIdentGame game;
  Start(game);
  EXPECT_EQ(game.mGroup, 2);
  EXPECT_EQ(game.mFinalX, 738.0f);
  EXPECT_EQ(game.mFinalY, 118.0f);
  ASSERT_EQ(game.mTargets.size(), 1u);
  game.MouseDown(310, 110, 1);
  EXPECT_TRUE(game.mMissCrossRequest);
  EXPECT_EQ(Mesh("three")->mState, 0);
  game.mMissCrossRequest = false;
  game.MouseDown(110, 110, 1);
  EXPECT_FALSE(game.mMissCrossRequest);
  EXPECT_EQ(Mesh("two")->mState, FindIdentGame::kFound);
}

TEST_F(FindIdentTest, TransparentPixelsFallThroughAndHintSkipsFoundAndAnimating) {
  TestImage hollow = SolidImage("hollow", 20, 20);
  hollow.pixel = [](int x, int) { return x < 10 ? 0x00000000u : 0xFFFFFFFFu; };
  DtmRecord root = Record("level", 3, 0, 0, 800, 600, {{"_iGroupFind", "4"}});
  root.Child(Part("under", "solid", 100, 100, 20, 20, "4"));
  root.Child(Part("over", "hollow", 100, 100, 20, 20, "4"));  // later in the level: first in the list
  root.Child(Part("far", "solid", 400, 300, 20, 20, "4", {{"_sAniLoad_1", "finded"}}));
  Load({SolidImage("solid", 20, 20), hollow}, root);
  FindIdentGame game;
  Start(game);
  ASSERT_EQ(game.mTargets.size(), 3u);
  EXPECT_EQ(game.mTargets[0], Mesh("far"));
  // "far" is first in the list; while it animates the hint passes it by.
  Mesh("far")->PlayAnimationMode("finded", 1);
  HintPoint first, second;
  ASSERT_EQ(game.GetHintPosition(first, second), kHintAtFirst);
  EXPECT_EQ(first.x, Mesh("over")->mCentre.x);
  // The left half of "over" is transparent: "under" takes the click.
  game.MouseDown(103, 110, 1);
  EXPECT_EQ(Mesh("under")->mState, FindIdentGame::kFound);
  EXPECT_EQ(Mesh("over")->mState, FindIdentGame::kWaiting);
  game.MouseDown(115, 110, 1);
  EXPECT_EQ(Mesh("over")->mState, FindIdentGame::kFound);
  EXPECT_EQ(game.GetHintPosition(first, second), kHintNone);  // "far" still animates
}

TEST_F(FindIdentTest, ArrivalStartsThePlaceEffectBeforeTheSound) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600, {{"_iFinalX", "100"}, {"_iFinalY", "100"}});
  root.Child(Part("p", "solid", 98, 98, 4, 4, "2"));
  root.Child(Record("soundCollected", 17, 0, 0, 1, 1));
  root.Child(Record("effOnPlace", 15, 0, 0, 1, 1));
  ObjectEventLog events;
  Load({SolidImage("solid", 4, 4)}, root);
  FindIdentGame game;
  Start(game);
  game.MouseDown(100, 100, 1);
  Play(game, 30);
  EXPECT_EQ(Mesh("p")->mState, FindIdentGame::kArrived);
  EXPECT_EQ(events.Events(), (std::vector<std::string>{"start effOnPlace 100 100", "play soundCollected"}));
  EXPECT_TRUE(game.IsWon());
}

TEST(FindKindsFactory, MakesBothKinds) {
  std::unique_ptr<MiniGame> diff(CreateMiniGame("find_diff"));
  std::unique_ptr<MiniGame> ident(CreateMiniGame("find_ident"));
  EXPECT_NE(dynamic_cast<FindDiffGame*>(diff.get()), nullptr);
  EXPECT_NE(dynamic_cast<FindIdentGame*>(ident.get()), nullptr);
}

TEST(FoundObjectsHitTest, ImageFrameScreenFrameAndQuad) {
  // Hit rules on one item: a 20 x 10 image opaque where x < 5.
  struct Case {
    const char* what;
    bool turned;  // a quarter turn clockwise: corner 0 at (210, 100), corner 1 at (210, 120)
    bool quadHit;
    MeshHit rule;
    float x, y;
    bool hit;
  };
  const Case cases[] = {
      {"unturned opaque", false, false, MeshHit::kImageFrame, 103, 105, true},
      {"unturned transparent", false, false, MeshHit::kImageFrame, 110, 105, false},
      {"turned opaque by (u, v)", true, false, MeshHit::kImageFrame, 205, 103, true},
      {"turned transparent by (u, v)", true, false, MeshHit::kImageFrame, 205, 117, false},
      {"turned, screen frame misses", true, false, MeshHit::kQuadOrScreenFrame, 205, 103, false},
      {"quad hit on a transparent pixel", false, true, MeshHit::kQuadThenImageFrame, 115, 105, true},
      {"quad hit outside the quad, opaque", false, true, MeshHit::kQuadThenImageFrame, 103, 109, true},
      {"quad only for quad-hit items", false, true, MeshHit::kQuadOrScreenFrame, 115, 105, true},
      {"quad only: outside is never a hit", false, true, MeshHit::kQuadOrScreenFrame, 125, 105, false},
      {"screen frame opaque", false, false, MeshHit::kQuadOrScreenFrame, 104, 100, true},
      {"screen frame transparent", false, false, MeshHit::kQuadOrScreenFrame, 105, 100, false},
  };
  MemoryImage image;
  ASSERT_TRUE(image.CreateBlank(20, 10));
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) image.GetBits()[y * 20 + x] = x < 5 ? 0xFFFFFFFFu : 0x00FFFFFFu;
  }
  for (const Case& c : cases) {
    Quad quad = kindstest::BoxQuad(100, 100, 120, 110);
    if (c.turned) {
      quad.corner[0] = Vector2(210, 100);
      quad.corner[1] = Vector2(210, 120);
      quad.corner[2] = Vector2(200, 120);
      quad.corner[3] = Vector2(200, 100);
    }
    EXPECT_EQ(HitQuadImage(quad, &image, c.quadHit, c.x, c.y, c.rule), c.hit) << c.what;
  }
}

}  // namespace
}  // namespace leveltest
