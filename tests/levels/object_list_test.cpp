// The object-list kind: items taken out of the picture into the list,
// selection without misses, placing an item and its way home (turn, reshape,
// arrival), hints at both ends, drawing, unplayable level data and the
// shared animation it changes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "engine/KindSupport.h"
#include "levels/ObjectListGame.h"
#include "tests/levels/list_kit.h"

namespace leveltest {
namespace {

const std::vector<TestImage> kImages = {SolidImage("square", 40, 40), SolidImage("tall", 30, 120)};

// Items on a grid of 110 x 130 pixels from (20, 40); name, group, static.
struct Spec {
  std::string name;
  int group = 1;
  bool isStatic = false;
};

DtmRecord ObjectLevel(std::vector<std::pair<std::string, std::string>> properties, const std::vector<Spec>& items,
                      bool findSound = true) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600, std::move(properties));
  for (size_t i = 0; i < items.size(); ++i) {
    const float left = 20.0f + static_cast<float>(i % 5) * 110.0f;
    const float top = 40.0f + static_cast<float>(i / 5) * 130.0f;
    std::vector<std::pair<std::string, std::string>> keys = {{"_iGroup", std::to_string(items[i].group)}};
    if (items[i].isStatic) keys.push_back({"_iStatic", "1"});
    root.Child(Item(items[i].name, "square", left, top, 40, 40, keys));
  }
  if (findSound) root.Child(SoundObject("soundFind"));
  root.Child(SoundObject("soundCollected"));
  return root;
}

std::vector<Spec> Items(int n) {
  std::vector<Spec> items;
  for (int i = 0; i < n; ++i) items.push_back({"item" + std::to_string(i)});
  return items;
}

// The angle of the quad's left edge against the upright, signed.
float LeftEdgeAngle(const Quad& q) {
  return std::atan2(q.corner[0].x - q.corner[3].x, -(q.corner[0].y - q.corner[3].y));
}

// The quad turned by angle about point with the kind's own turn formula.
Quad Turned(const Quad& quad, Vec2 about, float angle) {
  Quad out = quad;
  for (Vector2& c : out.corner) {
    const float dx = c.x - about.x;
    const float dy = c.y - about.y;
    c.x = about.x + dx * std::cos(angle) + dy * std::sin(angle);
    c.y = about.y - dx * std::sin(angle) + dy * std::cos(angle);
  }
  return out;
}

class ObjectListTest : public ListKit {
 protected:
  void Load(DtmRecord root, std::vector<AnimDef> animations = {FindedAnimation()}) {
    LoadWithFinded(kImages, root, Record("hud", 3, 0, 0, 1, 1), std::move(animations));
  }
  static Vec2 Middle(const Quad& q) { return QuadMiddle(q); }
  void ClickAt(MiniGame& game, Vec2 p) { game.MouseDown(static_cast<int>(p.x), static_cast<int>(p.y), 1); }
  // Selects the slot's item in the list, then clicks its home.
  void Place(FindListObjectGame& game, size_t slot) {
    sObjMesh* item = game.Slots()[slot].item;
    ClickAt(game, Middle(item->mBaseQuad));
    ClickAt(game, Middle(item->mTargetQuad));
  }
};

TEST_F(ObjectListTest, InitTakesTheChosenItemsIntoTheList) {
  std::vector<Spec> items = Items(6);
  items[0].group = 0;  // never takes part
  items.push_back({"fixed", 1, true});
  Load(ObjectLevel({{"_iNumObjFind", "4"}}, items));
  FindListObjectGame game;
  Start(game);
  ASSERT_FALSE(game.IsUnplayable());
  EXPECT_EQ(Mesh("item0")->mState, 2);
  // 4 - 1 static = 3 random items of 5 stay; 2 are out of the game.
  int out = 0;
  for (int i = 1; i < 6; ++i) out += Mesh("item" + std::to_string(i))->mState == 2 ? 1 : 0;
  EXPECT_EQ(out, 2);
  EXPECT_EQ(game.mFinalPool.size(), 1u);
  EXPECT_TRUE(Mesh("fixed")->mHighlighted);

  // Listed items keep their home and sit in the list, 20 pixels apart.
  const auto& slots = game.Slots();
  ASSERT_EQ(slots.size(), 3u);
  float expectedTop = 160.0f;
  for (const ListSlot& slot : slots) {
    ASSERT_NE(slot.item, nullptr);
    EXPECT_TRUE(slot.item->mHighlighted);
    EXPECT_EQ(slot.item->mState, 0);
    EXPECT_FLOAT_EQ(slot.item->mTargetQuad.corner[2].x - slot.item->mTargetQuad.corner[0].x, 40.0f);
    EXPECT_FLOAT_EQ(slot.item->mBaseQuad.corner[0].x, 719.0f);
    EXPECT_FLOAT_EQ(slot.item->mBaseQuad.corner[0].y, expectedTop);
    EXPECT_FLOAT_EQ(slot.item->mCentre.y, expectedTop + 20.0f);
    expectedTop += 60.0f;
  }
  // Settled: 164, then 12 pixels under the one above.
  Step(game, 40);
  EXPECT_FLOAT_EQ(slots[0].item->mBaseQuad.corner[0].y, 164.0f);
  EXPECT_FLOAT_EQ(slots[1].item->mBaseQuad.corner[0].y, 216.0f);
  EXPECT_FLOAT_EQ(slots[2].item->mBaseQuad.corner[0].y, 268.0f);
  EXPECT_EQ(slots[2].fade, 200);
}

TEST_F(ObjectListTest, TheSharedAnimationPulsesLargerForTheRestOfTheRun) {
  Load(ObjectLevel({}, Items(2)));
  {
    FindListObjectGame game;
    Start(game);
  }
  const AnimDef* finded = FindAnimDef("finded");
  for (int key = 0; key < 4; ++key) {
    const float expected = key % 2 == 1 ? 1.2f : 1.0f;
    EXPECT_EQ(finded->keyList[key].scaleX, expected) << key;
    EXPECT_EQ(finded->keyList[key].scaleY, expected) << key;
  }
  EXPECT_EQ(finded->soundBegin.target, nullptr);  // the game is gone
}

TEST_F(ObjectListTest, ListClicksSelectAndAreNeverMisses) {
  context.hardMode = 1;
  Load(ObjectLevel({{"_iTimeMinut", "5"}}, Items(3)));
  FindListObjectGame game;
  Start(game);
  // Nothing selected: a picture click does nothing at all.
  game.MouseDown(600, 590, 1);
  EXPECT_FALSE(game.mMissCrossRequest);
  EXPECT_EQ(game.mMissCount, 0);

  sObjMesh* first = game.Slots()[0].item;
  sObjMesh* second = game.Slots()[1].item;
  ClickAt(game, first->mCentre);
  EXPECT_EQ(game.SelectedSlot(), &game.Slots()[0]);
  EXPECT_TRUE(first->IsPlaying());
  EXPECT_EQ(first->CurrentAnimation()->name, "finded");
  Step(game, 5);

  // Three quick misses in the picture, then another list item: the
  // selection moves, the series ends, no cross and no penalty.
  for (int i = 0; i < 3; ++i) game.MouseDown(600, 590, 1);
  EXPECT_EQ(game.mMissCount, 3);
  EXPECT_TRUE(game.mMissCrossRequest);
  ClickAt(game, second->mCentre);
  EXPECT_EQ(game.SelectedSlot(), &game.Slots()[1]);
  EXPECT_FALSE(first->IsPlaying());
  EXPECT_TRUE(second->IsPlaying());
  EXPECT_FALSE(game.mMissCrossRequest);
  EXPECT_FALSE(game.mPenaltyNotice);
  EXPECT_EQ(game.mMissCount, 0);

  // The selected item clicked again: nothing changes.
  Step(game, 3);
  const int frame = second->mFrame;
  game.MouseDown(600, 590, 1);
  ClickAt(game, second->mCentre);
  EXPECT_EQ(game.SelectedSlot(), &game.Slots()[1]);
  EXPECT_EQ(second->mFrame, frame);
  EXPECT_TRUE(game.mMissCrossRequest);  // the miss before stays reported
  EXPECT_EQ(game.mMissCount, 1);
}

TEST_F(ObjectListTest, APlacedItemFliesHomeAndTheLastArrivalWins) {
  Load(ObjectLevel({{"_iNumObjFind", "3"}}, Items(3)));
  FindListObjectGame game;
  Start(game);
  SpySound home;
  game.mHomeSound = &home;
  Step(game, 10);
  std::wstring text;

  sObjMesh* item = game.Slots()[0].item;
  sObjMesh* next = game.Slots()[1].item;
  Place(game, 0);
  EXPECT_EQ(item->mState, 1);
  EXPECT_FALSE(item->mVisible);
  EXPECT_FALSE(item->IsPlaying());
  EXPECT_EQ(game.SelectedSlot(), nullptr);
  EXPECT_EQ(game.Slots()[0].item, next);  // the list moved up
  EXPECT_EQ(game.mMissCount, 0);
  game.UpdateItemsText(L"%d", text);
  EXPECT_EQ(text, L"3");

  const int steps = StepUntil(game, [&] { return item->mState == 2; });
  EXPECT_GT(steps, 50);
  EXPECT_EQ(home.plays, 1);
  EXPECT_TRUE(item->mVisible);
  EXPECT_FALSE(item->mHighlighted);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(item->mBaseQuad.corner[k].x, item->mTargetQuad.corner[k].x);
    EXPECT_EQ(item->mBaseQuad.corner[k].y, item->mTargetQuad.corner[k].y);
  }
  EXPECT_FLOAT_EQ(game.UpdateItemsText(L"%d", text), 1.0f - 1.0f / 3.0f);
  EXPECT_EQ(text, L"2");
  EXPECT_FALSE(game.IsWon());

  Place(game, 0);
  Place(game, 0);
  StepUntil(game, [&] { return game.IsWon(); });
  EXPECT_TRUE(game.IsWon());
  EXPECT_EQ(game.mFound, 3u);
  EXPECT_EQ(home.plays, 3);
}

TEST_F(ObjectListTest, FarTurnedItemsTurnClockwiseThenReshapeCornerByCorner) {
  Load(ObjectLevel({}, Items(1)));
  FindListObjectGame game;
  Start(game);
  sObjMesh* item = game.Slots()[0].item;
  SpyEffect sleif;
  game.mSleifEffect = &sleif;
  const Quad home = item->mTargetQuad;
  const Vec2 homeCentre = Middle(home);

  struct Case {
    float turnedBy;   // from the home orientation, the kind's own sense
    float nextAngle;  // the unsigned angle after one step
  };
  // Positive angles are counter-clockwise on the screen: the clockwise step
  // brings them back; clockwise ones turn further round.
  const Case cases[] = {{1.0f, 0.9f}, {-1.0f, 1.1f}, {0.35f, 0.25f}};
  for (const Case& c : cases) {
    const Vec2 p(400, 300);
    const Quad start = Turned(RectQuad(380, 280, 40, 40), p, c.turnedBy);
    item->mBaseQuad = start;
    item->mState = 1;
    sleif.starts.clear();
    EXPECT_FALSE(game.StepHome(*item));
    const Quad expectedTurn = Turned(start, p, -0.1f);
    const float dx = homeCentre.x - p.x;
    const float dy = homeCentre.y - p.y;
    const float length = std::hypot(dx, dy);
    for (int k = 0; k < 4; ++k) {
      EXPECT_NEAR(item->mBaseQuad.corner[k].x, expectedTurn.corner[k].x + 5.0f * dx / length, 1e-3) << c.turnedBy;
      EXPECT_NEAR(item->mBaseQuad.corner[k].y, expectedTurn.corner[k].y + 5.0f * dy / length, 1e-3) << c.turnedBy;
    }
    EXPECT_NEAR(std::fabs(LeftEdgeAngle(item->mBaseQuad)), c.nextAngle, 1e-4) << c.turnedBy;
    ASSERT_EQ(sleif.starts.size(), 1u);
    EXPECT_EQ(sleif.starts[0].x, 400.0f);
  }

  // Within 0.3 rad: every corner's offset from the middle steps 3.3 pixels
  // toward the home corner's offset from the home middle.
  const Vec2 p(400, 300);
  const Quad start = Turned(RectQuad(370, 290, 60, 20), p, 0.25f);
  item->mBaseQuad = start;
  game.StepHome(*item);
  const float dx = homeCentre.x - p.x;
  const float dy = homeCentre.y - p.y;
  const float length = std::hypot(dx, dy);
  for (int k = 0; k < 4; ++k) {
    const float ox = start.corner[k].x - p.x;
    const float oy = start.corner[k].y - p.y;
    const float tx = home.corner[k].x - homeCentre.x;
    const float ty = home.corner[k].y - homeCentre.y;
    const float gap = std::hypot(tx - ox, ty - oy);
    EXPECT_NEAR(item->mBaseQuad.corner[k].x, p.x + ox + 3.3f * (tx - ox) / gap + 5.0f * dx / length, 1e-3) << k;
    EXPECT_NEAR(item->mBaseQuad.corner[k].y, p.y + oy + 3.3f * (ty - oy) / gap + 5.0f * dy / length, 1e-3) << k;
  }

  // Near its home, still turned far: it takes its home corners at once.
  item->mBaseQuad = Turned(home, homeCentre, 2.0f);
  for (Vector2& c : item->mBaseQuad.corner) c.x += 3.0f;
  EXPECT_TRUE(game.StepHome(*item));
  EXPECT_EQ(item->mState, 2);
  EXPECT_EQ(item->mBaseQuad.corner[3].y, home.corner[3].y);
  EXPECT_TRUE(game.IsWon());
}

TEST_F(ObjectListTest, HintShowsTheFirstListedItemAndItsHome) {
  Load(ObjectLevel({{"_iNumObjFind", "2"}}, Items(2)));
  FindListObjectGame game;
  Start(game);
  HintPoint first, second;
  sObjMesh* item = game.Slots()[0].item;
  ASSERT_EQ(game.GetHintPosition(first, second), kHintAtBoth);
  EXPECT_EQ(first.x, item->mCentre.x);
  EXPECT_EQ(first.y, item->mCentre.y);
  EXPECT_EQ(second.x, Middle(item->mTargetQuad).x);
  EXPECT_EQ(second.y, Middle(item->mTargetQuad).y);
  Place(game, 0);
  ASSERT_EQ(game.GetHintPosition(first, second), kHintAtBoth);
  EXPECT_EQ(first.x, game.Slots()[0].item->mCentre.x);
  Place(game, 0);
  EXPECT_EQ(game.GetHintPosition(first, second), kHintNone);
}

TEST_F(ObjectListTest, SilhouettesGlowAtHomeUntilTheItemIsBack) {
  Load(ObjectLevel({{"_iNumObjFind", "2"}}, Items(3)));
  FindListObjectGame game;
  Start(game);
  Step(game, 10);
  sObjMesh* flying = game.Slots()[0].item;
  sObjMesh* listed = game.Slots()[1].item;
  sObj* out = nullptr;
  for (sObj* object : level) {
    if (auto* item = dynamic_cast<sObjMesh*>(object); item != nullptr && item->mState == 2) out = item;
  }
  ASSERT_NE(out, nullptr);
  Place(game, 0);
  Step(game, 1);
  screen.calls.clear();
  game.Draw(graphics);
  auto callsOf = [&](Image* image) {
    std::vector<kindstest::DrawCall> found;
    for (const kindstest::DrawCall& call : screen.calls)
      if (call.image == image) found.push_back(call);
    return found;
  };
  for (sObjMesh* item : {flying, listed}) {
    const auto glow = callsOf(item->HighlightImage());
    ASSERT_EQ(glow.size(), 1u);
    EXPECT_EQ(glow[0].quad.corner[0].x, item->mTargetQuad.corner[0].x);
    EXPECT_EQ(glow[0].quad.corner[0].y, item->mTargetQuad.corner[0].y);
  }
  // One picture for all items: the one out of the game at home, the listed
  // one at its fade, the flying one over its corners.
  const auto pictures = callsOf(flying->GetImage());
  ASSERT_EQ(pictures.size(), 3u);
  EXPECT_EQ(pictures[0].quad.corner[0].x, out->mBaseQuad.corner[0].x);
  EXPECT_EQ(pictures[1].color.alpha, game.Slots()[0].fade);
  EXPECT_NEAR(pictures[1].quad.corner[0].y, listed->mBaseQuad.corner[0].y, 0.01);
  EXPECT_NEAR(pictures[2].quad.corner[1].x, flying->mBaseQuad.corner[1].x, 0.01);
}

TEST_F(ObjectListTest, UnplayableLevelDataIsLoggedAndLeavesTheLevelIdle) {
  struct Case {
    const char* what;
    std::vector<AnimDef> animations;
    std::function<void(DtmRecord&)> change;
    const char* logged;
  };
  const Case cases[] = {
      {"finded of three keys", {FindedAnimation(3)}, [](DtmRecord&) {}, "3 keys"},
      {"no finded", {}, [](DtmRecord&) {}, "\"finded\""},
      {"no soundFind", {FindedAnimation()}, [](DtmRecord& r) { r.children.erase(r.children.end() - 2); }, "soundFind"},
      {"list of 0", {FindedAnimation()}, [](DtmRecord& r) { r.Property("_iNumObjList", "0"); }, "_iNumObjList"},
      {"no item",
       {FindedAnimation()},
       [](DtmRecord& r) {
         for (int i = 0; i < 3; ++i) r.children[i].properties[0].second = "0";
       },
       "no item"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    context.log.clear();
    context.hardMode = 1;
    DtmRecord root = ObjectLevel({{"_iTimeMinut", "1"}}, Items(3));
    c.change(root);
    DeleteObjects(level);
    DeleteObjects(hud);
    Load(root, c.animations);
    FindListObjectGame game;
    Start(game);
    ASSERT_TRUE(game.IsUnplayable());
    ASSERT_EQ(context.log.size(), 1u);
    EXPECT_NE(context.log[0].find("find_list_object"), std::string::npos);
    EXPECT_NE(context.log[0].find(c.logged), std::string::npos) << context.log[0];
    // Refused before the items are looked at: the shared animation is left
    // as it was.
    const AnimDef* finded = FindAnimDef("finded");
    if (finded != nullptr && std::string(c.what) != "no item") {
      for (const Keyframe& key : finded->keyList) EXPECT_EQ(key.scaleX, 1.0f);
    }
    HintPoint first, second;
    EXPECT_EQ(game.GetHintPosition(first, second), kHintNone);
    sObjMesh* item = Mesh("item0");
    ClickAt(game, item->mCentre);
    game.MouseDown(600, 590, 1);
    EXPECT_FALSE(item->IsPlaying());
    EXPECT_FALSE(game.mMissCrossRequest);
    Step(game, 200);
    EXPECT_FALSE(game.IsWon());
    EXPECT_LT(game.mLevelClock.mRemaining, 60.0f);
    screen.calls.clear();
    game.Draw(graphics);
    EXPECT_FALSE(screen.calls.empty());
  }
}

TEST_F(ObjectListTest, TwoLevelsInARowLeaveNoLinkToTheFirstLevelsSound) {
  Load(ObjectLevel({}, Items(2)));
  auto game = std::make_unique<FindListObjectGame>();
  Start(*game);
  EXPECT_EQ(FindAnimDef("finded")->soundBegin.target, FindObjectByName(level, "soundCollected"));
  ClickAt(*game, game->Slots()[0].item->mCentre);
  Step(*game, 20);
  game.reset();
  // The run's shared definitions outlive the level.
  const std::vector<AnimDef> shared = gAnimDefs;
  DeleteObjects(level);
  DeleteObjects(hud);

  // The next level's objects copy and play "finded" before any kind links
  // it again; then the next game plays on it.
  Load(ObjectLevel({}, Items(2)), shared);
  EXPECT_EQ(FindAnimDef("finded")->keyList[1].scaleX, 1.2f);
  sObjMesh* item = Mesh("item1");
  item->mAnimations.push_back(*FindAnimDef("finded"));
  item->PlayAnimationMode("finded", kAnimOnce);
  EXPECT_TRUE(item->IsPlaying());
  item->StopAnimation();
  FindListObjectGame next;
  Start(next);
  ClickAt(next, next.Slots()[0].item->mCentre);
  Step(next, 30);
  EXPECT_TRUE(next.Slots()[0].item->IsPlaying());
}

}  // namespace
}  // namespace leveltest
