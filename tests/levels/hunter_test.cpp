// Bird hunt: birds started from the resting list (at most four flying),
// returned by their clip's stop, shot by their quad, scenery that stops or
// lets through a shot, sleeping birds and obstacles, the counter and goal,
// and the faults: a clip that cannot start, a missing scene file.
#include <gtest/gtest.h>

#include <fstream>

#include "levels/HunterGame.h"
#include "levels/MiniGameFactory.h"
#include "tests/levels/kinds_kit.h"

namespace leveltest {
namespace {

// An object entity standing at (x, y) for `frames` hundredths of a second,
// with scale sx; frames 0 gives a clip of one key, which cannot play.
std::string Dummy(const std::string& id, int x, int y, int frames, float sx = 1.0f) {
  const std::string at = std::to_string(x) + ";" + std::to_string(y);
  const std::string scale = std::to_string(sx) + ";1";
  std::string text = "<object type=\"dummy\" id=\"" + id + "\"><animation id=\"fly\" ftl=\"0.01\">";
  text += "<key frame=\"0\" position=\"" + at + "\" scale=\"" + scale + "\"/>";
  if (frames > 0) {
    text += "<key frame=\"" + std::to_string(frames) + "\" position=\"" + at + "\" scale=\"" + scale + "\"/>";
  }
  return text + "</animation></object>";
}

DtmRecord Sprite(const std::string& name, const std::string& image = "bird") {
  return Record(name, 3, 0, 0, 40, 40, {{"_keyImg", image}});
}

// Left half opaque, right half transparent.
TestImage HalfImage() {
  TestImage image;
  image.key = "half";
  image.width = 40;
  image.height = 40;
  image.pixel = [](int x, int) { return x < 20 ? 0xFF808080u : 0x00808080u; };
  return image;
}

class HunterTest : public KindsKit {
 protected:
  // Writes a scene of the dummies and loads a level of the sprites with it.
  void LoadHunt(const std::vector<std::string>& dummies, std::vector<DtmRecord> sprites,
                std::vector<std::pair<std::string, std::string>> properties = {}) {
    std::string xml = "<body><object id=\"Root\"><childs>";
    for (const std::string& dummy : dummies) xml += dummy;
    xml += "</childs></object></body>";
    const std::string path = folder / "hunt.xml";
    std::ofstream(path, std::ios::binary) << xml;
    properties.insert(properties.begin(), {"_sScenePath", path});
    DtmRecord root = Record("level", 3, 0, 0, 800, 600, properties);
    for (DtmRecord& sprite : sprites) root.Child(std::move(sprite));
    root.Child(Record("txtInfo", 5, 600, 10, 60, 20));
    LoadLevel({SolidImage("bird", 40, 40), HalfImage()}, root);
  }
  std::wstring Counter() { return static_cast<sObjText*>(Object("txtInfo"))->mText; }
};

TEST_F(HunterTest, AtMostFourFlyAndAStopReturnsTheBirdHidden) {
  LoadHunt({Dummy("sprBird1", 100, 100, 30), Dummy("sprBird2", 200, 100, 30), Dummy("sprBird3", 300, 100, 30),
            Dummy("sprBird4", 400, 100, 30), Dummy("sprBird5", 500, 100, 30)},
           {Sprite("sprBird1"), Sprite("sprBird2"), Sprite("sprBird3"), Sprite("sprBird4"), Sprite("sprBird5")});
  HunterGame game;
  Start(game);
  EXPECT_EQ(game.mResting.size(), 5u);
  for (const char* name : {"sprBird1", "sprBird5"}) EXPECT_FALSE(Object(name)->mVisible);
  Run(game, 1);
  ASSERT_EQ(game.mFlying.size(), 4u);
  ASSERT_EQ(game.mResting.size(), 1u);
  for (Scene::ObjEntity* bird : game.mFlying) EXPECT_TRUE(bird->mObject->mVisible);
  EXPECT_FALSE(game.mResting[0]->mObject->mVisible);
  // The clips end after 0.3 s: the birds rest again, hidden, until the next
  // update's start loop sends them off once more.
  Scene::ObjEntity* first = game.mFlying[0];
  int updates = 1;
  while (std::find(game.mResting.begin(), game.mResting.end(), first) == game.mResting.end() && updates < 100) {
    Run(game, 1);
    ++updates;
  }
  EXPECT_LT(updates, 100);
  EXPECT_FALSE(first->mObject->mVisible);
}

// The level objects outlive the game: none keeps an entity of its scene.
TEST_F(HunterTest, BoundSpritesForgetTheirEntitiesWithTheGame) {
  LoadHunt({Dummy("sprBird1", 100, 100, 30), Dummy("sprSleepBird1", 200, 100, 30), Dummy("sprBlock1", 300, 100, 30)},
           {Sprite("sprBird1"), Sprite("sprSleepBird1"), Sprite("sprBlock1"), Sprite("sprScenery")});
  {
    HunterGame game;
    Start(game);
    Run(game, 2);
    for (const char* name : {"sprBird1", "sprSleepBird1", "sprBlock1"}) EXPECT_NE(Object(name)->mSceneEntity, nullptr);
  }
  for (sObj* object : level) EXPECT_EQ(object->mSceneEntity, nullptr) << object->mName;
}

TEST_F(HunterTest, FewerThanFourAllFlyAtOnceAndAClipThatCannotStartStaysResting) {
  LoadHunt({Dummy("sprBird1", 100, 100, 30), Dummy("sprBirdStuck", 200, 100, 0), Dummy("sprBird3", 300, 100, 30)},
           {Sprite("sprBird1"), Sprite("sprBirdStuck"), Sprite("sprBird3"), Sprite("sprBirdUnbound")});
  HunterGame game;
  Start(game);
  EXPECT_EQ(game.mResting.size(), 3u);  // the sprite without an entity is left out
  EXPECT_TRUE(Object("sprBirdUnbound")->mVisible);
  EXPECT_EQ(Object("sprBirdUnbound")->mSceneEntity, nullptr);
  Run(game, 1);  // ends: the one-key bird never holds the start loop
  ASSERT_EQ(game.mFlying.size(), 2u);
  EXPECT_EQ(game.mFlying[0]->mName == "sprBirdStuck" || game.mFlying[1]->mName == "sprBirdStuck", false);
  ASSERT_EQ(game.mResting.size(), 1u);
  EXPECT_EQ(game.mResting.front()->mName, "sprBirdStuck");
  EXPECT_FALSE(Object("sprBirdStuck")->mVisible);
  Run(game, 50);
  EXPECT_EQ(game.mFlying.size() + game.mResting.size(), 3u);
}

TEST_F(HunterTest, OnlyStuckBirdsStillLetTheUpdateEnd) {
  LoadHunt({Dummy("sprBirdA", 100, 100, 0), Dummy("sprBirdB", 200, 100, 0)}, {Sprite("sprBirdA"), Sprite("sprBirdB")});
  HunterGame game;
  Start(game);
  Run(game, 3);
  EXPECT_TRUE(game.mFlying.empty());
  EXPECT_EQ(game.mResting.size(), 2u);
}

TEST_F(HunterTest, BirdsAreHitByTheirWholeQuadMirroredOrNot) {
  LoadHunt({Dummy("sprBird1", 100, 100, 500), Dummy("sprBird2", 300, 100, 500, -1.0f)},
           {Sprite("sprBird1", "half"), Sprite("sprBird2", "half")}, {{"_iTaskBirdCount", "2"}});
  HunterGame game;
  Start(game);
  EXPECT_EQ(Counter(), L"000/002");
  Run(game, 2);
  ASSERT_EQ(game.mFlying.size(), 2u);
  const Quad& mirrored = Object("sprBird2")->mBaseQuad;
  ASSERT_LT(mirrored.corner[1].x, mirrored.corner[0].x);
  // The transparent right half of a bound sprite still takes the shot.
  game.MouseDown(115, 100, 1);
  EXPECT_EQ(game.mHits, 1);
  EXPECT_FALSE(Object("sprBird1")->mVisible);
  EXPECT_EQ(game.mResting.size(), 1u);
  EXPECT_EQ(Counter(), L"001/002");
  game.MouseDown(310, 110, 1);
  EXPECT_EQ(game.mHits, 2);
  EXPECT_FALSE(game.IsWon());
  Run(game, 1);
  EXPECT_TRUE(game.IsWon());
}

TEST_F(HunterTest, SceneryInFrontStopsShotsOnOpaquePixelsOnly) {
  DtmRecord scenery = Record("bush", 3, 80, 80, 40, 40, {{"_keyImg", "half"}});
  LoadHunt({Dummy("sprBird1", 100, 100, 500)}, {Sprite("sprBird1"), scenery});
  HunterGame game;
  Start(game);
  Run(game, 2);
  game.MouseDown(90, 100, 1);  // the bush's opaque half
  EXPECT_EQ(game.mHits, 0);
  game.MouseDown(110, 100, 1);  // its transparent half: through to the bird
  EXPECT_EQ(game.mHits, 1);
  // A resting (hidden) bird under the same point never counts.
  game.MouseDown(110, 100, 1);
  EXPECT_EQ(game.mHits, 1);
}

TEST_F(HunterTest, SleepingBirdsCountEachClickWhilePlayingAndObstaclesOnlyPlay) {
  LoadHunt({Dummy("sprSleepBird1", 100, 300, 20), Dummy("sprBlock1", 300, 300, 20)},
           {Sprite("sprSleepBird1"), Sprite("sprBlock1")});
  HunterGame game;
  Start(game);
  Run(game, 1);
  EXPECT_TRUE(Object("sprSleepBird1")->mVisible);
  game.MouseDown(100, 300, 1);
  EXPECT_EQ(game.mHits, 1);
  Run(game, 5);
  game.MouseDown(100, 300, -1);  // again while it plays: one more hit
  EXPECT_EQ(game.mHits, 2);
  game.MouseDown(300, 300, 1);
  EXPECT_EQ(game.mHits, 2);
  EXPECT_TRUE(game.mObstacles[0]->mPlayer.IsPlaying());
  Run(game, 30);
  EXPECT_FALSE(Object("sprSleepBird1")->mVisible);
  EXPECT_FALSE(Object("sprBlock1")->mVisible);
  game.MouseDown(100, 300, 1);
  EXPECT_EQ(game.mHits, 2);
}

struct GoalCase {
  const char* value;  // null: no property
  int goal;
};

TEST_F(HunterTest, GoalDefaultsToAHundredAndZeroWinsAtTheFirstUpdate) {
  for (const GoalCase& c : {GoalCase{nullptr, 100}, GoalCase{"abc", 100}, GoalCase{"7", 7}, GoalCase{"0", 0}}) {
    SCOPED_TRACE(c.value != nullptr ? c.value : "(none)");
    DeleteObjects(level);
    std::vector<std::pair<std::string, std::string>> properties;
    if (c.value != nullptr) properties.push_back({"_iTaskBirdCount", c.value});
    LoadHunt({}, {}, properties);
    HunterGame game;
    Start(game);
    EXPECT_EQ(game.mGoal, c.goal);
    Run(game, 1);
    EXPECT_EQ(game.IsWon(), c.goal == 0);
  }
  // The flag follows the hits every update, whoever set it.
  DeleteObjects(level);
  LoadHunt({}, {}, {{"_iTaskBirdCount", "3"}});
  std::unique_ptr<MiniGame> game(CreateMiniGame("hunter"));
  ASSERT_NE(dynamic_cast<HunterGame*>(game.get()), nullptr);
  Start(*game);
  game->mWon = true;
  game->Update(1);
  EXPECT_FALSE(game->IsWon());
}

TEST_F(HunterTest, MissingSceneFileIsUnplayable) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600, {{"_sScenePath", folder / "gone.xml"}, {"_iTaskBirdCount", "0"}});
  root.Child(Sprite("sprBird1"));
  LoadLevel({SolidImage("bird", 40, 40)}, root);
  HunterGame game;
  Start(game);
  EXPECT_TRUE(game.IsUnplayable());
  EXPECT_TRUE(Logged("gone.xml"));
  Run(game, 3);
  EXPECT_FALSE(game.IsWon());
}

}  // namespace
}  // namespace leveltest
