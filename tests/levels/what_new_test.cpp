// What's new: the exact-key property lookup, turns driven by the end of the
// root's clip, misses that reset the set, the element count, leaves bound
// to the scene, and unplayable scene paths.
#include <gtest/gtest.h>

#include <fstream>

#include "levels/MiniGameFactory.h"
#include "levels/PropertyValue.h"
#include "levels/WhatNewGame.h"
#include "tests/levels/kinds_kit.h"

namespace leveltest {
namespace {

// The root's clip lasts 0.1 s (10 updates); "Leaf1" slides 50 px right.
const char kScene[] =
    "<body>\n"
    "  <object id=\"Root\">\n"
    "    <animation id=\"turn\" ftl=\"0.01\">\n"
    "      <key frame=\"0\" position=\"0;0\"/>\n"
    "      <key frame=\"10\" position=\"0;0\"/>\n"
    "    </animation>\n"
    "    <childs>\n"
    "      <object type=\"dummy\" id=\"Leaf1\">\n"
    "        <animation id=\"sway\" ftl=\"0.01\">\n"
    "          <key frame=\"0\" position=\"0;0\"/>\n"
    "          <key frame=\"10\" position=\"50;0\"/>\n"
    "        </animation>\n"
    "      </object>\n"
    "    </childs>\n"
    "  </object>\n"
    "</body>\n";

class WhatNewTest : public KindsKit {
 protected:
  std::string WriteScene() {
    const std::string path = folder / "leaves.xml";
    std::ofstream(path, std::ios::binary) << kScene;
    return path;
  }
  // Three items at x = 100, 200, 300 and a leaf, under a root with props.
  void LoadItems(std::vector<std::pair<std::string, std::string>> properties) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600, std::move(properties));
    root.Child(Record("Leaf1", 3, 400, 400, 40, 40, {{"_keyImg", "img"}}))
        .Child(Record("item0", 7, 100, 100, 40, 40, {{"_keyImg", "img"}}))
        .Child(Record("item1", 7, 200, 100, 40, 40, {{"_keyImg", "img"}}))
        .Child(Record("item2", 7, 300, 100, 40, 40, {{"_keyImg", "img"}}));
    LoadLevel({SolidImage("img", 40, 40)}, root);
  }
  void ClickOn(WhatNewGame& game, const std::string& name) {
    const Vec2 c = Object(name)->mCentre;
    game.MouseDown(static_cast<int>(c.x), static_cast<int>(c.y), 1);
  }
  int Shown() {
    int shown = 0;
    for (const char* name : {"item0", "item1", "item2"}) shown += Object(name)->mVisible ? 1 : 0;
    return shown;
  }
};

TEST_F(WhatNewTest, PropertyLookupMatchesWholeKeysOnly) {
  sObj object;
  object.mProperties.Add("_Elements", "many");
  object.mProperties.Add("_Elem", "short");
  object.mProperties.Add("_Element", "first");
  object.mProperties.Add("_Element", "second");
  EXPECT_EQ(FindPropertyValue(&object, "_Element"), "first");
  EXPECT_EQ(FindPropertyValue(&object, "_Elem"), "short");
  const std::string& missing = FindPropertyValue(&object, "_Ele");
  EXPECT_EQ(missing, "");
  EXPECT_EQ(&missing, &FindPropertyValue(nullptr, "_Element"));  // one shared empty string
  EXPECT_EQ(&missing, &FindPropertyValue(&object, "_element"));
}

TEST_F(WhatNewTest, EachClipEndShowsTheNextItemWhileTheNewestIsHit) {
  LoadItems({{"_sLeafsPath", WriteScene()}});
  WhatNewGame game;
  Start(game);
  ASSERT_FALSE(game.IsUnplayable());
  EXPECT_EQ(game.mItems.size(), 3u);
  EXPECT_EQ(Shown(), 0);
  game.MouseDown(700, 500, 1);  // nothing shown yet: never a miss
  Run(game, 5);
  game.MouseDown(5, 5, 1);  // during the clip: no restart, and now a hit (no newest yet)
  EXPECT_EQ(Shown(), 0);
  Run(game, 5);
  EXPECT_EQ(Shown(), 1);
  EXPECT_TRUE(Object("item0")->mVisible);
  EXPECT_EQ(game.mNewest, Object("item0"));

  ClickOn(game, "item0");
  Run(game, 10);
  EXPECT_TRUE(Object("item1")->mVisible);
  EXPECT_EQ(game.mShownCount, 2);

  game.MouseDown(700, 500, 1);  // misses item1: everything goes
  Run(game, 10);
  EXPECT_EQ(Shown(), 0);
  EXPECT_EQ(game.mShownCount, 0);
  EXPECT_EQ(game.mNewest, nullptr);

  for (const char* newest : {"", "item0", "item1"}) {
    if (*newest == '\0') {
      game.MouseDown(700, 500, 1);
    } else {
      ClickOn(game, newest);
    }
    Run(game, 10);
  }
  EXPECT_EQ(Shown(), 3);
  EXPECT_EQ(game.mShownCount, 3);
  EXPECT_TRUE(game.IsWon());  // won without clicking the last item
}

TEST_F(WhatNewTest, LeavesFollowTheirSceneEntities) {
  LoadItems({{"_sLeafsPath", WriteScene()}});
  WhatNewGame game;
  Start(game);
  ASSERT_NE(Object("Leaf1")->mSceneEntity, nullptr);
  EXPECT_EQ(Object("item0")->mSceneEntity, nullptr);
  game.MouseDown(700, 500, 1);
  Run(game, 10);
  // The leaf's corners follow its entity: 50 px right of its own origin.
  EXPECT_NEAR(Object("Leaf1")->mCentre.x, 50.0f, 0.01f);
}

// The level objects outlive the game: none keeps an entity of its scene.
TEST_F(WhatNewTest, LeavesForgetTheirEntitiesWithTheGame) {
  LoadItems({{"_sLeafsPath", WriteScene()}});
  {
    WhatNewGame game;
    Start(game);
    ASSERT_NE(Object("Leaf1")->mSceneEntity, nullptr);
  }
  for (sObj* object : level) EXPECT_EQ(object->mSceneEntity, nullptr) << object->mName;
}

struct CountCase {
  const char* value;
  size_t kept;
};

TEST_F(WhatNewTest, ElementCountKeepsThatManyInLevelOrder) {
  for (const CountCase& c : {CountCase{"2", 2u}, CountCase{"1", 1u}, CountCase{"0", 3u}, CountCase{"-4", 3u},
                             CountCase{"9", 3u}, CountCase{"two", 3u}}) {
    SCOPED_TRACE(c.value);
    DeleteObjects(level);
    LoadItems({{"_iElementCount", c.value}});
    WhatNewGame game;
    Start(game);
    ASSERT_EQ(game.mItems.size(), c.kept);
    for (size_t i = 1; i < game.mItems.size(); ++i) EXPECT_LT(game.mItems[i - 1]->mName, game.mItems[i]->mName);
  }
}

TEST_F(WhatNewTest, MissingSceneFileIsUnplayableAndAnEmptyPathPlays) {
  LoadItems({{"_sLeafsPath", folder / "no_such_scene.xml"}});
  WhatNewGame game;
  Start(game);
  EXPECT_TRUE(game.IsUnplayable());
  EXPECT_TRUE(Logged("no_such_scene.xml"));
  game.MouseDown(700, 500, 1);
  Run(game, 20);
  EXPECT_FALSE(game.IsWon());

  DeleteObjects(level);
  DtmRecord root = Record("level", 3, 0, 0, 800, 600, {{"_sLeafsPath", ""}});
  LoadLevel({}, root);
  std::unique_ptr<MiniGame> empty(CreateMiniGame("what_new"));
  ASSERT_NE(dynamic_cast<WhatNewGame*>(empty.get()), nullptr);
  Start(*empty);
  EXPECT_FALSE(empty->IsUnplayable());
  Run(*empty, 1);
  EXPECT_TRUE(empty->IsWon());  // no items: won at once
}

}  // namespace
}  // namespace leveltest
