// The find-list kinds: choosing and trimming the items, the list layout and
// its slide, the found item's flight and the counter, hints and misses, the
// text rows, unplayable level data and the shared animation's sound link
// across two levels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <set>

#include "levels/FindListGames.h"
#include "levels/MiniGameFactory.h"
#include "shell/base/TwisterRandom.h"
#include "tests/levels/list_kit.h"

namespace leveltest {
namespace {

struct ItemSpec {
  std::string name;
  int group = 1;
  bool isStatic = false;
  std::string image = "square";  // 40 x 40
};

// Items on a grid of 110 x 120 pixels from (20, 40), far apart enough that
// no two overlap.
DtmRecord ListLevel(std::vector<std::pair<std::string, std::string>> properties, const std::vector<ItemSpec>& items,
                    bool findSound = true, bool collectedSound = true) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600, std::move(properties));
  for (size_t i = 0; i < items.size(); ++i) {
    const ItemSpec& spec = items[i];
    const float left = 20.0f + static_cast<float>(i % 5) * 110.0f;
    const float top = 40.0f + static_cast<float>(i / 5) * 120.0f;
    const int width = spec.image == "wide" ? 100 : 40;
    std::vector<std::pair<std::string, std::string>> keys = {{"_iGroup", std::to_string(spec.group)}};
    if (spec.isStatic) keys.push_back({"_iStatic", "1"});
    root.Child(Item(spec.name, spec.image, left, top, width, 40, keys));
  }
  if (findSound) root.Child(SoundObject("soundFind"));
  if (collectedSound) root.Child(SoundObject("soundCollected"));
  return root;
}

std::vector<ItemSpec> Items(int randoms, int statics = 0) {
  std::vector<ItemSpec> items;
  for (int i = 0; i < randoms; ++i) items.push_back({"item" + std::to_string(i)});
  for (int i = 0; i < statics; ++i) items.push_back({"static" + std::to_string(i), 1, true});
  return items;
}

const std::vector<TestImage> kImages = {SolidImage("square", 40, 40), SolidImage("wide", 100, 40)};

class FindListTest : public ListKit {
 protected:
  void Load(DtmRecord root, DtmRecord hud = Record("hud", 3, 0, 0, 1, 1),
            std::vector<AnimDef> animations = {FindedAnimation()}) {
    LoadWithFinded(kImages, root, hud, std::move(animations));
  }

  // A click at the middle of the item's current corners.
  void Click(FindListGame& game, const sObjMesh& item) {
    const Quad& q = item.mBaseQuad;
    game.MouseDown(Centre(q.corner[0].x, q.corner[2].x), Centre(q.corner[0].y, q.corner[2].y), 1);
  }

  // Clicks the first listed item still to find on every update until the
  // level is won; the items in the order they entered the list.
  std::vector<sObjMesh*> FindEverything(FindListGame& game, int limit = 20000) {
    std::vector<sObjMesh*> seen;
    for (int i = 0; i < limit && !game.IsWon(); ++i) {
      for (const ListSlot& slot : game.Slots()) {
        if (slot.item != nullptr && std::find(seen.begin(), seen.end(), slot.item) == seen.end()) {
          seen.push_back(slot.item);
        }
      }
      for (const ListSlot& slot : game.Slots()) {
        if (slot.item != nullptr && slot.item->mState == 0) {
          Click(game, *slot.item);
          break;
        }
      }
      Step(game, 1);
    }
    return seen;
  }
};

TEST(FindListLayout, BoxesFitThePicture) {
  struct Case {
    float width, height, boxWidth, boxHeight;
  };
  const Case cases[] = {
      {100, 40, 70, 28}, {30, 120, 15, 60}, {10, 8, 20, 16},    {40, 40, 40, 40},
      {50, 10, 50, 10},  {5, 30, 5, 30},    {5, 80, 3.75f, 60},
  };
  for (const Case& c : cases) {
    float w = 0, h = 0;
    FitListBox(c.width, c.height, w, h);
    EXPECT_FLOAT_EQ(w, c.boxWidth) << c.width << "x" << c.height;
    EXPECT_FLOAT_EQ(h, c.boxHeight) << c.width << "x" << c.height;
  }
}

TEST(FindListLayout, SlideStepsUpThenRestsOnItsPlace) {
  struct Case {
    float top, target, rest, expected;
  };
  const Case cases[] = {
      {200, 160, 4, 195.5f},  // far below: 4.5 pixels up
      {168.4f, 160, 4, 164},  // the last step lands exactly
      {150, 160, 4, 164},     // above its place: moved down onto it
      {195, 180, 0, 190.5f},  // a text row
      {183, 180, 0, 180},
  };
  for (const Case& c : cases) {
    Quad box = kindstest::BoxQuad(700, c.top, 770, c.top + 28);
    SlideBox(box, c.target, c.rest);
    for (int k : {0, 1}) EXPECT_FLOAT_EQ(box.corner[k].y, c.expected) << c.top;
    for (int k : {2, 3}) EXPECT_FLOAT_EQ(box.corner[k].y, c.expected + 28) << c.top;
  }
}

TEST(FindListLayout, ItemsCounterNeverWrapsAndItsBarStaysInRange) {
  struct Case {
    uint32_t total, found;
    const wchar_t* text;
    float bar;
  };
  const Case cases[] = {
      {5, 2, L"3", 0.6f}, {5, 5, L"0", 0.0f}, {2, 5, L"0", 0.0f}, {0, 0, L"0", 0.0f}, {0, 3, L"0", 0.0f}};
  for (const Case& c : cases) {
    std::wstring text;
    EXPECT_FLOAT_EQ(ListItemsText(L"%d", text, c.total, c.found), c.bar) << c.total << " " << c.found;
    EXPECT_EQ(text, c.text) << c.total << " " << c.found;
  }
}

TEST_F(FindListTest, MaskListUsesTheDefaultsAndRestsTwelvePixelsApart) {
  Load(ListLevel({}, {{"a", 1, false, "wide"}, {"b", 1, false, "wide"}, {"c", 1, false, "wide"}, {"d"}}));
  FindListMaskGame game;
  Start(game);
  EXPECT_EQ(game.mListX, 739.0f);
  EXPECT_EQ(game.mListY, 160.0f);
  EXPECT_EQ(game.mTotal, 5u);
  ASSERT_EQ(game.Slots().size(), 3u) << (context.log.empty() ? "" : context.log[0]);
  // Filled from the last level object: "d" (40 x 40), then "c", "b" (70 x 28).
  const auto& slots = game.Slots();
  EXPECT_EQ(slots[0].item->mName, "d");
  EXPECT_FLOAT_EQ(slots[0].box.corner[0].x, 719);
  EXPECT_FLOAT_EQ(slots[0].box.corner[0].y, 160);
  EXPECT_FLOAT_EQ(slots[1].box.corner[0].x, 704);
  EXPECT_FLOAT_EQ(slots[1].box.corner[0].y, 200 + 11);
  EXPECT_FLOAT_EQ(slots[1].box.corner[2].x, 774);
  EXPECT_FLOAT_EQ(slots[2].box.corner[0].y, 239 + 11);
  for (const ListSlot& slot : slots) {
    EXPECT_EQ(slot.fade, 0);
    EXPECT_NE(slot.item->HighlightImage(), nullptr);
  }

  Step(game, 1);
  EXPECT_FLOAT_EQ(slots[0].box.corner[0].y, 164);
  EXPECT_FLOAT_EQ(slots[1].box.corner[0].y, 204 + 12);
  EXPECT_FLOAT_EQ(slots[2].box.corner[0].y, 244 + 12);
  EXPECT_EQ(slots[1].fade, 5);
  Step(game, 60);
  EXPECT_EQ(slots[0].fade, 255);
  EXPECT_EQ(slots[2].fade, 255);
}

TEST_F(FindListTest, TextRowsComeFromTheHudAndSlideUpUnderEachOther) {
  DtmRecord hud =
      Record("hud", 3, 0, 0, 1, 1,
             {{"_iListTextLineWidth", "120"}, {"_iListTextLineInterval", "20"}, {"_iListTextLineSpacing", "18"}});
  Load(ListLevel({}, Items(6)), hud);
  auto created = std::unique_ptr<MiniGame>(CreateMiniGame("find_list_text"));
  auto& game = dynamic_cast<FindListTextGame&>(*created);
  Start(game);
  ASSERT_EQ(game.Slots().size(), 5u);  // text lists hold five
  const auto& slots = game.Slots();
  EXPECT_FLOAT_EQ(slots[0].box.corner[0].x, 679);
  EXPECT_FLOAT_EQ(slots[0].box.corner[2].x, 799);
  EXPECT_FLOAT_EQ(slots[0].box.corner[0].y, 160);
  EXPECT_FLOAT_EQ(slots[1].box.corner[0].y, 195);
  Step(game, 1);
  EXPECT_FLOAT_EQ(slots[0].box.corner[0].y, 160);  // rests on list y itself
  EXPECT_FLOAT_EQ(slots[1].box.corner[0].y, 190.5f);
  Step(game, 20);
  for (size_t i = 0; i < slots.size(); ++i) EXPECT_FLOAT_EQ(slots[i].box.corner[0].y, 160 + 20 * i) << i;

  // Each name is drawn white at the row's fade, wrapped in the row.
  for (const ListSlot& slot : slots) slot.item->mText = L"Item " + std::to_wstring(slot.index);
  font.strings.clear();
  game.Draw(graphics);
  ASSERT_EQ(font.strings.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(font.strings[i].text, L"Item " + std::to_wstring(i));
    EXPECT_EQ(font.strings[i].color.alpha, slots[i].fade);
    EXPECT_EQ(font.strings[i].color.red, 255);
    EXPECT_GE(font.strings[i].x, 679);
    EXPECT_LE(font.strings[i].x + 60, 799);
    EXPECT_GE(font.strings[i].y, 160 + 20 * static_cast<int>(i));
  }
}

TEST_F(FindListTest, RowsWithoutAWidthDrawTheirNameOnOneLineCentredOnTheList) {
  Load(ListLevel({}, Items(1)));
  FindListTextGame game;
  Start(game);
  game.Slots()[0].item->mText = L"a long name";
  game.Draw(graphics);
  ASSERT_EQ(font.strings.size(), 1u);
  EXPECT_EQ(font.strings[0].text, L"a long name");
  EXPECT_EQ(font.strings[0].x, 739 - 55);
}

TEST_F(FindListTest, TrimKeepsTotalLessStaticsAtRandomAndListsStaticsLast) {
  Load(ListLevel({{"_iNumObjFind", "7"}}, Items(10, 2)));
  FindListMaskGame game;
  Start(game);
  EXPECT_EQ(game.mFinalPool.size(), 2u);
  EXPECT_EQ(game.mRandomPool.size() + game.Slots().size(), 5u);
  const std::vector<sObjMesh*> seen = FindEverything(game);
  EXPECT_TRUE(game.IsWon());
  ASSERT_EQ(seen.size(), 7u);
  for (size_t i = 0; i < 5; ++i) EXPECT_FALSE(seen[i]->mStatic) << i;
  for (size_t i = 5; i < 7; ++i) EXPECT_TRUE(seen[i]->mStatic) << i;
  EXPECT_EQ(game.mFound, 7u);
  int untouched = 0;
  for (sObj* object : level) {
    if (auto* item = dynamic_cast<sObjMesh*>(object)) untouched += item->mState == 0 ? 1 : 0;
  }
  EXPECT_EQ(untouched, 5);

  std::set<std::string> keptBefore;
  for (size_t i = 0; i < 5; ++i) keptBefore.insert(seen[i]->mName);

  // Another seed drops other items.
  DeleteObjects(level);
  DeleteObjects(hud);
  gRandom.Seed(99);
  Load(ListLevel({{"_iNumObjFind", "7"}}, Items(10, 2)));
  FindListMaskGame other;
  Start(other);
  std::set<std::string> kept;
  for (sObjMesh* item : other.mRandomPool) kept.insert(item->mName);
  for (const ListSlot& slot : other.Slots()) kept.insert(slot.item->mName);
  EXPECT_EQ(kept.size(), 5u);
  EXPECT_NE(kept, keptBefore);
}

TEST_F(FindListTest, FoundItemFliesTurningAndTheCounterDropsOnArrival) {
  Load(ListLevel({{"_iNumObjFind", "1"}}, Items(1)));
  FindListMaskGame game;
  Start(game);
  SpySound collected;
  SpyEffect sleif;
  game.mCollectedSound = &collected;
  game.mSleifEffect = &sleif;
  std::wstring text;
  game.UpdateItemsText(L"%d", text);
  EXPECT_EQ(text, L"1");

  sObjMesh* item = Mesh("item0");
  Click(game, *item);
  EXPECT_EQ(item->mState, 1);
  EXPECT_FALSE(item->mVisible);
  EXPECT_TRUE(item->IsPlaying());
  EXPECT_FALSE(game.mMissCrossRequest);
  StepUntil(game, [&] { return !item->IsPlaying(); });
  game.UpdateItemsText(L"%d", text);
  EXPECT_EQ(text, L"1");  // clicked, not yet arrived

  // One step: the corners turn 0.1 rad clockwise about the centre, then all
  // move 5 pixels toward the middle of the slot's box.
  const Vec2 centre = item->mCentre;
  const Quad before = item->mBaseQuad;
  const ListSlot& slot = game.Slots()[0];
  const Vec2 target((slot.box.corner[1].x + slot.box.corner[3].x) / 2,
                    (slot.box.corner[1].y + slot.box.corner[3].y) / 2);
  Step(game, 1);
  const float dx = item->mCentre.x - centre.x;
  const float dy = item->mCentre.y - centre.y;
  EXPECT_NEAR(std::hypot(dx, dy), 5.0f, 0.05f);
  EXPECT_NEAR(std::atan2(dy, dx), std::atan2(target.y - centre.y, target.x - centre.x), 1e-3);
  for (int k = 0; k < 4; ++k) {
    const float ox = before.corner[k].x - centre.x;
    const float oy = before.corner[k].y - centre.y;
    EXPECT_NEAR(item->mBaseQuad.corner[k].x - item->mCentre.x, ox * std::cos(0.1f) - oy * std::sin(0.1f), 1e-3);
    EXPECT_NEAR(item->mBaseQuad.corner[k].y - item->mCentre.y, ox * std::sin(0.1f) + oy * std::cos(0.1f), 1e-3);
  }

  // Arrival under 5 pixels from the box's middle: the sound, the counter.
  const int steps = StepUntil(game, [&] { return game.mFound == 1; });
  EXPECT_GT(steps, 100);
  EXPECT_EQ(collected.plays, 1);
  EXPECT_EQ(game.Slots()[0].item, nullptr);
  EXPECT_LT(std::hypot(item->mCentre.x - target.x, item->mCentre.y - target.y), 5.0f);
  EXPECT_FLOAT_EQ(game.UpdateItemsText(L"%d", text), 0.0f);
  EXPECT_EQ(text, L"0");
  EXPECT_TRUE(game.IsWon());
  // The trail starts on every third flight step.
  EXPECT_EQ(sleif.starts.size(), static_cast<size_t>(steps) / 3);
}

TEST_F(FindListTest, AFlyingItemClickedReplaysItsAnimationInsteadOfMissing) {
  context.hardMode = 1;
  Load(ListLevel({{"_iTimeMinut", "5"}}, Items(2)));
  FindListMaskGame game;
  Start(game);
  sObjMesh* item = game.Slots()[0].item;
  Click(game, *item);
  StepUntil(game, [&] { return !item->IsPlaying(); });
  Step(game, 3);
  const Vec2 where = item->mCentre;
  game.MouseDown(static_cast<int>(where.x), static_cast<int>(where.y), 1);
  EXPECT_TRUE(item->IsPlaying());
  EXPECT_FALSE(game.mMissCrossRequest);
  Step(game, 10);
  EXPECT_EQ(item->mCentre.x, where.x);  // the flight waits for the animation
  EXPECT_EQ(item->mCentre.y, where.y);
}

TEST_F(FindListTest, MissesCountAndAHitResetsThem) {
  context.hardMode = 1;
  Load(ListLevel({{"_iTimeMinut", "5"}}, Items(3)));
  FindListMaskGame game;
  Start(game);
  game.MouseDown(600, 590, 1);
  EXPECT_TRUE(game.mMissCrossRequest);
  EXPECT_EQ(game.mMissPoint.x, 600.0f);
  EXPECT_EQ(game.mMissPoint.y, 590.0f);
  game.MouseDown(600, 590, -1);
  EXPECT_EQ(game.mMissCount, 2);
  Click(game, *game.Slots()[1].item);
  EXPECT_EQ(game.mMissCount, 0);
  for (int i = 0; i < 4; ++i) game.MouseDown(600, 590, 2);
  EXPECT_TRUE(game.mPenaltyNotice);
}

TEST_F(FindListTest, HintPointsAtTheFirstListedItemStillToFind) {
  Load(ListLevel({{"_iNumObjFind", "2"}}, Items(2)));
  FindListMaskGame game;
  Start(game);
  HintPoint first, second;
  ASSERT_EQ(game.GetHintPosition(first, second), kHintAtFirst);
  EXPECT_EQ(first.x, game.Slots()[0].item->mCentre.x);
  EXPECT_EQ(first.y, game.Slots()[0].item->mCentre.y);
  Click(game, *game.Slots()[0].item);
  ASSERT_EQ(game.GetHintPosition(first, second), kHintAtFirst);
  EXPECT_EQ(first.x, game.Slots()[1].item->mCentre.x);
  Click(game, *game.Slots()[1].item);
  EXPECT_EQ(game.GetHintPosition(first, second), kHintNone);
}

TEST_F(FindListTest, LevelsWithoutFindableItemsAreWonAtOnce) {
  Load(ListLevel({}, {{"a", 0}, {"b", 0}}));
  FindListMaskGame mask;  // group 0 never takes part in the mask kind
  Start(mask);
  EXPECT_TRUE(mask.IsWon());
  FindListTextGame text;  // the text kind takes every item
  Start(text);
  EXPECT_FALSE(text.IsWon());
  EXPECT_EQ(text.Slots()[0].item->mName, "b");
}

TEST_F(FindListTest, StaticItemsAtLeastTheTotalAreAllPlayedAndTheCounterStopsAtZero) {
  Load(ListLevel({{"_iNumObjFind", "2"}}, Items(2, 3)));
  FindListMaskGame game;
  Start(game);
  // Nothing is dropped: both random items are listed, the statics wait.
  EXPECT_NE(game.Slots()[1].item, nullptr);
  EXPECT_EQ(game.Slots()[2].item, nullptr);
  EXPECT_EQ(game.mFinalPool.size(), 3u);
  std::wstring text;
  float bar = 0;
  FindEverything(game);
  EXPECT_TRUE(game.IsWon());
  EXPECT_EQ(game.mFound, 5u);
  bar = game.UpdateItemsText(L"%d left", text);
  EXPECT_EQ(text, L"0 left");
  EXPECT_EQ(bar, 0.0f);
}

TEST_F(FindListTest, ItemsTextFormatIsDataAndNeverReachesPrintf) {
  Load(ListLevel({{"_iNumObjFind", "4"}}, Items(4)));
  FindListMaskGame game;
  Start(game);
  std::wstring text;
  EXPECT_FLOAT_EQ(game.UpdateItemsText(L"%s of %n: %d", text), 1.0f);
  EXPECT_EQ(text, L"%s of %n: 4");
  EXPECT_TRUE(Logged("%s of %n: %d"));
}

TEST_F(FindListTest, TimerFreezeAtTheStartListsEveryFindableItem) {
  gTimerFreeze = true;
  Load(ListLevel({{"_iNumObjFind", "3"}}, Items(10, 2)));
  FindListMaskGame game;
  Start(game);
  EXPECT_EQ(game.mTotal, 12u);
  EXPECT_TRUE(game.mFinalPool.empty());
  EXPECT_EQ(game.mRandomPool.size() + game.Slots().size(), 12u);
}

TEST_F(FindListTest, DrawingShowsSilhouettesAtTheirFadeAndFoundItemsOverTheList) {
  Load(ListLevel({}, {{"a", 1, false, "square"}, {"b", 1, false, "wide"}}));
  FindListMaskGame game;
  Start(game);
  Step(game, 10);
  sObjMesh* first = game.Slots()[0].item;
  Click(game, *first);
  screen.calls.clear();
  game.Draw(graphics);
  auto drawnWith = [&](Image* image) {
    std::vector<kindstest::DrawCall> found;
    for (const kindstest::DrawCall& call : screen.calls)
      if (call.image == image) found.push_back(call);
    return found;
  };
  for (const ListSlot& slot : game.Slots()) {
    if (slot.item == nullptr) continue;
    const auto calls = drawnWith(slot.item->HighlightImage());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].color.alpha, slot.fade);
    EXPECT_EQ(calls[0].color.red, 255);
    EXPECT_NEAR(calls[0].quad.corner[0].y, slot.box.corner[0].y, 0.01);
  }
  // The found item is hidden in the level and drawn once, by the list.
  EXPECT_EQ(drawnWith(first->GetImage()).size(), 1u);
  // The other item still shows in the picture, drawn by itself.
  EXPECT_EQ(drawnWith(game.Slots()[1].item->GetImage()).size(), 1u);
}

TEST_F(FindListTest, UnplayableLevelDataIsLoggedAndLeavesTheLevelIdle) {
  struct Case {
    const char* what;
    std::function<void(DtmRecord&)> change;
    bool withFinded;
    const char* logged;
  };
  const Case cases[] = {
      {"no finded", [](DtmRecord&) {}, false, "\"finded\""},
      {"no soundCollected", [](DtmRecord& r) { r.children.pop_back(); }, true, "soundCollected"},
      {"list of 0", [](DtmRecord& r) { r.Property("_iNumObjList", "0"); }, true, "_iNumObjList"},
      {"list of 31", [](DtmRecord& r) { r.Property("_iNumObjList", "31"); }, true, "_iNumObjList"},
      {"negative list", [](DtmRecord& r) { r.Property("_iNumObjList", "-2"); }, true, "_iNumObjList"},
      {"item without picture", [](DtmRecord& r) { r.children[0].properties.back().second = "none"; }, true, "no image"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    context.log.clear();
    context.hardMode = 1;
    DtmRecord root = ListLevel({{"_iTimeMinut", "1"}}, Items(3));
    c.change(root);
    DeleteObjects(level);
    DeleteObjects(hud);
    Load(root, Record("hud", 3, 0, 0, 1, 1),
         c.withFinded ? std::vector<AnimDef>{FindedAnimation()} : std::vector<AnimDef>{});
    FindListMaskGame game;
    Start(game);
    ASSERT_TRUE(game.IsUnplayable());
    ASSERT_EQ(context.log.size(), 1u);
    EXPECT_NE(context.log[0].find("find_list_mask"), std::string::npos);
    EXPECT_NE(context.log[0].find(c.logged), std::string::npos) << context.log[0];
    HintPoint first, second;
    EXPECT_EQ(game.GetHintPosition(first, second), kHintNone);
    sObjMesh* item = Mesh("item0");
    Click(game, *item);
    EXPECT_EQ(item->mState, 0);
    EXPECT_FALSE(game.mMissCrossRequest);
    Step(game, 200);
    EXPECT_FALSE(game.IsWon());
    EXPECT_LT(game.mLevelClock.mRemaining, 60.0f);  // the clock still runs
    screen.calls.clear();
    game.Draw(graphics);
    EXPECT_FALSE(screen.calls.empty());  // the level still draws
  }
}

TEST_F(FindListTest, AMissingFindSoundStillPlays) {
  Load(ListLevel({{"_iNumObjFind", "2"}}, Items(2), false));
  FindListMaskGame game;
  Start(game);
  EXPECT_FALSE(game.IsUnplayable());
  FindEverything(game);
  EXPECT_TRUE(game.IsWon());
}

TEST_F(FindListTest, TheSharedAnimationForgetsTheLevelSoundWithTheGame) {
  Load(ListLevel({}, Items(2)));
  auto game = std::make_unique<FindListMaskGame>();
  Start(*game);
  EXPECT_EQ(FindAnimDef("finded")->soundBegin.target, FindObjectByName(level, "soundFind"));
  Click(*game, *game->Slots()[0].item);
  game.reset();
  EXPECT_EQ(FindAnimDef("finded")->soundBegin.target, nullptr);
  const std::vector<AnimDef> shared = gAnimDefs;  // the run's, outliving the level
  DeleteObjects(level);
  DeleteObjects(hud);

  // The next level copies the shared animation before anything links it
  // again, and plays it: the first level's sound is gone by now.
  Load(ListLevel({}, Items(2)), Record("hud", 3, 0, 0, 1, 1), shared);
  sObjMesh* item = Mesh("item0");
  item->mAnimations.push_back(*FindAnimDef("finded"));
  item->PlayAnimationMode("finded", kAnimOnce);
  EXPECT_TRUE(item->IsPlaying());
  FindListTextGame next;
  Start(next);
  EXPECT_EQ(FindAnimDef("finded")->soundBegin.target, FindObjectByName(level, "soundFind"));
}

}  // namespace
}  // namespace leveltest
