// The item-use quest on one small level: an item used on a spot in order,
// a second item, a by-hand spot, a tool that fills the part of a boxed
// item shown on a plate, and a final element; misses in hard mode, the
// final sequence and its two-second end, the plate's counter and fade,
// the hint, and the level data the quest copes with.
#include <gtest/gtest.h>

#include <memory>

#include "levels/MiniGameFactory.h"
#include "levels/QuestGame.h"
#include "tests/levels/effect_probe.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {
namespace {

using Props = std::vector<std::pair<std::string, std::string>>;

// An own animation of the object: `frames` frames at 100 a second, from
// alpha `from` to alpha `to`.
void AddAnim(Props& props, const std::string& name, int frames = 10, int from = 255, int to = 255) {
  props.push_back({"_iAniKey_" + name, std::to_string(frames)});
  props.push_back({"_iAniRate_" + name, "100"});
  props.push_back({"_sAniKey_" + name + "_1", "c(" + std::to_string(from) + ",255,255,255)"});
  props.push_back({"_sAniKey_" + name + "_" + std::to_string(frames), "c(" + std::to_string(to) + ",255,255,255)"});
}

DtmRecord Mesh(const std::string& name, float x, float y, float size, int group, Props props) {
  props.insert(props.begin(), {{"_keyImg", "solid"}, {"_iGroup", std::to_string(group)}});
  return Record(name, 7, x, y, size, size, std::move(props));
}

class MessageLog : public ObjEventListener {
 public:
  void OnMessage(std::string text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

class QuestTest : public MiniGameKit {
 protected:
  void SetUp() override {
    MiniGameKit::SetUp();
    RegisterLevelKinds();
  }
  // The fixture level; extra level properties and objects may be added.
  DtmRecord Level(Props levelProps = {}) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600, std::move(levelProps));
    Props spot = {{"_iNumElemFromOpen", "2"},
                  {"_sElemFromOpen_1", "item"},
                  {"_sElemFromOpen_2", "item2"},
                  {"_iNumElemToOpen", "1"},
                  {"_sElemToOpen_1", "prize"}};
    AddAnim(spot, "end");
    root.Child(Mesh("spot", 300, 100, 40, 3, spot));
    root.Child(Mesh("item", 100, 100, 40, 4, {}));
    root.Child(Mesh("item2", 150, 200, 40, 4, {}));
    Props prize;
    AddAnim(prize, "appear", 10, 0, 255);
    root.Child(Mesh("prize", 300, 200, 40, 4, prize));
    Props lever = {{"_iNumElemFromOpen", "1"},
                   {"_sElemFromOpen_1", "by_hand"},
                   {"_iNumElemToOpen", "1"},
                   {"_sElemToOpen_1", "gem"}};
    AddAnim(lever, "end");
    root.Child(Mesh("lever", 400, 300, 40, 3, lever));
    Props gem;
    AddAnim(gem, "appear", 10, 0, 255);
    root.Child(Mesh("gem", 450, 300, 40, 4, gem));
    root.Child(Mesh("bolt", 100, 400, 20, 1, {{"_sObjTo", "slot"}, {"_sObjEnable", "box"}}));
    root.Child(Mesh("slot", 500, 400, 20, 0, {}));
    root.Child(Mesh("box", 500, 400, 40, 4, {{"_iNumObjFrom", "1"}, {"_sObjFrom_1", "slot"}, {"_sSprPl", "boxplate"}}));
    root.Child(Record("boxplate", 3, 600, 450, 40, 40, {{"_keyImg", "solid"}}));
    Props door = {{"_sElem", "final"}};
    AddAnim(door, "end");
    root.Child(Mesh("door", 300, 500, 40, 3, door));
    root.Child(Record("effSleif", 15, 0, 0, 1, 1));
    root.Child(Record("soundCollected", 17, 0, 0, 1, 1));
    return root;
  }
  void Load(const DtmRecord& root, bool images = true) {
    std::vector<TestImage> list = {SolidImage("solid", 40, 40)};
    if (images) {
      list.push_back(SolidImage("rocket_spark", 4, 4));
      list.push_back(SolidImage("full_add", 8, 8));
    }
    LoadLevel(list, root);
    anims.Add("finded", 10, 100);
  }
  void StartQuest(QuestGame& game) {
    Start(game);
    game.SetListener(&messages);
  }
  sObj* Object(const std::string& name) { return FindObjectByName(level, name); }
  // Updates of the level objects and the game, as the level screen runs them.
  void Play(MiniGame& game, int n) {
    for (int i = 0; i < n; ++i) {
      UpdateObjects(level, updateCount + 1);
      Run(game, 1);
    }
  }
  // Opens everything but the final element.
  void OpenAll(QuestGame& game) {
    game.MouseDown(110, 110, 1);  // item
    game.MouseDown(310, 110, 1);  // on the spot
    game.MouseDown(160, 210, 1);  // item2
    game.MouseDown(310, 110, 1);
    game.MouseDown(410, 310, 1);  // the lever by hand
  }
  GlobalAnims anims;
  MessageLog messages;
};

TEST_F(QuestTest, ItemsAreUsedInTheirListedOrder) {
  Load(Level());
  QuestGame game;
  StartQuest(game);
  ASSERT_EQ(game.mElements.size(), 8u);
  game.MouseDown(160, 210, 1);  // item2 first
  ASSERT_NE(game.mHeld, nullptr);
  EXPECT_EQ(game.mHeld->object, Object("item2"));
  EXPECT_FALSE(Object("item2")->mVisible);
  game.MouseDown(310, 110, 1);  // the spot still needs "item"
  EXPECT_EQ(context.sounds, std::vector<std::string>{"SOUND_QUEST_LOOSE"});
  ASSERT_NE(game.mHeld, nullptr);
  // A right press returns the carried item; with nothing carried it does nothing.
  game.MouseDown(500, 50, -1);
  EXPECT_EQ(game.mHeld, nullptr);
  EXPECT_TRUE(Object("item2")->mVisible);
  game.MouseDown(110, 110, -1);
  EXPECT_EQ(game.mHeld, nullptr);
  EXPECT_TRUE(Object("item")->mVisible);
  // A carried item follows the mouse by corner 0.
  game.MouseDown(110, 110, 1);
  game.MouseMove(250, 60);
  Run(game, 1);
  EXPECT_EQ(Object("item")->mDisplayQuad.corner[0].x, 250.0f);
  EXPECT_EQ(Object("item")->mDisplayQuad.corner[0].y, 60.0f);
  // Dropped on nothing: a miss sound, still held.
  game.MouseDown(600, 20, 1);
  EXPECT_EQ(context.sounds.back(), "SOUND_MISS");
  ASSERT_NE(game.mHeld, nullptr);
  game.MouseDown(310, 110, 1);
  EXPECT_EQ(game.mHeld, nullptr);
  EXPECT_EQ(messages.messages, std::vector<std::string>{"item"});
  EXPECT_EQ(dynamic_cast<sObjMesh*>(Object("item"))->mGroup, 1);
  game.MouseDown(160, 210, 1);
  game.MouseDown(310, 110, 1);
  EXPECT_EQ(messages.messages, (std::vector<std::string>{"item", "item2"}));
  QuestElement* spot = game.ElementOf(Object("spot"));
  EXPECT_EQ(spot->disabled, 1);
  EXPECT_TRUE(spot->ending);
  QuestElement* prize = game.ElementOf(Object("prize"));
  EXPECT_TRUE(prize->appearing);
  EXPECT_FALSE(prize->available);
  EXPECT_TRUE(Object("prize")->IsPlaying());
  Play(game, 20);
  EXPECT_FALSE(prize->appearing);
  EXPECT_TRUE(prize->available);
}

TEST_F(QuestTest, HardModeMissesLeftOfTheInventoryAndByHandSpotsTakeThemBack) {
  context.hardMode = 1;
  Load(Level({{"_iTimeMinut", "5"}}));
  QuestGame game;
  StartQuest(game);
  game.MouseDown(50, 50, 1);  // nothing there
  EXPECT_EQ(game.mMissCount, 1);
  EXPECT_TRUE(game.mMissCrossRequest);
  game.MouseDown(110, 110, 1);  // picking up an item counts too
  EXPECT_EQ(game.mMissCount, 2);
  ASSERT_NE(game.mHeld, nullptr);
  game.MouseDown(700, 50, 1);  // carrying: never a miss
  EXPECT_EQ(game.mMissCount, 2);
  game.MouseDown(110, 110, -1);
  game.MouseDown(700, 50, 1);  // the inventory strip: never a miss
  EXPECT_EQ(game.mMissCount, 2);
  game.MouseDown(410, 310, 1);  // the lever by hand takes it back
  EXPECT_EQ(game.mMissCount, 0);
  EXPECT_FALSE(game.mMissCrossRequest);
  EXPECT_TRUE(game.ElementOf(Object("gem"))->appearing);
  game.MouseDown(50, 50, 1);
  EXPECT_EQ(game.mMissCount, 1);
  game.MouseDown(110, 410, 1);  // the tool
  EXPECT_EQ(game.mMissCount, 0);
  EXPECT_EQ(dynamic_cast<sObjMesh*>(Object("bolt"))->mState, QuestGame::kFlying);
}

TEST_F(QuestTest, FinalElementWaitsThenWinsTwoSecondsAfterItsClick) {
  Load(Level());
  QuestGame game;
  StartQuest(game);
  game.MouseDown(310, 510, 1);  // closed things remain: nothing
  EXPECT_FALSE(game.mEndTimer.IsRunning());
  OpenAll(game);
  EXPECT_EQ(messages.messages, (std::vector<std::string>{"item", "item2", "final_click"}));
  EXPECT_EQ(game.mFinalStage, 1);
  Play(game, 1);
  EXPECT_EQ(game.mFinalStage, 2);
  EXPECT_TRUE(dynamic_cast<sObjMesh*>(Object("door"))->mSparkling);
  game.MouseDown(310, 510, 1);
  EXPECT_TRUE(game.mEndTimer.IsRunning());
  EXPECT_TRUE(Object("door")->IsPlaying());
  EXPECT_FALSE(dynamic_cast<sObjMesh*>(Object("door"))->mSparkling);
  EXPECT_EQ(game.ElementOf(Object("door"))->disabled, 1);
  CountdownTimer end;
  end.Start(2.0f);
  int ticks = 0;
  while (end.IsRunning()) {
    end.Tick();
    ++ticks;
  }
  EXPECT_EQ(ticks, 201);
  Play(game, ticks - 1);
  EXPECT_FALSE(game.IsWon());
  Play(game, 1);
  EXPECT_TRUE(game.IsWon());
  EXPECT_EQ(std::count(messages.messages.begin(), messages.messages.end(), "final_click"), 1);
}

TEST_F(QuestTest, WithoutAClickTheFinalSequenceStartsWhenTheLastThingOpens) {
  Load(Level({{"end_level_wo_click", "1"}}));
  QuestGame game;
  StartQuest(game);
  game.MouseDown(110, 110, 1);
  game.MouseDown(310, 110, 1);
  game.MouseDown(160, 210, 1);
  game.MouseDown(310, 110, 1);
  EXPECT_FALSE(game.mEndTimer.IsRunning());
  game.MouseDown(410, 310, 1);
  EXPECT_TRUE(game.mEndTimer.IsRunning());
  game.MouseDown(310, 510, 1);  // the door's click is not needed, and does nothing
  Play(game, 201);
  EXPECT_TRUE(game.IsWon());
}

TEST_F(QuestTest, ToolFillsThePartAndThePlateCountsAndFades) {
  ObjectEventLog events;
  Load(Level());
  QuestGame game;
  StartQuest(game);
  QuestElement* box = game.ElementOf(Object("box"));
  ASSERT_TRUE(box->hasCounter);
  EXPECT_EQ(box->counterText.mText, L"1");
  EXPECT_EQ(box->counterText.mBaseQuad.corner[0].x, 640.0f - 19.0f);
  EXPECT_EQ(box->counterText.mBaseQuad.corner[0].y, 450.0f + 81.0f);
  EXPECT_EQ(box->counterText.mBaseQuad.corner[2].x, 651.0f);
  EXPECT_EQ(box->counterText.mBaseQuad.corner[2].y, 561.0f);
  EXPECT_EQ(box->counterText.mRed + box->counterText.mGreen + box->counterText.mBlue, 3 * 255);
  EXPECT_EQ(box->counterText.mAlpha, 255);
  EXPECT_FALSE(Object("box")->mVisible);
  EXPECT_EQ(Object("slot")->mAlpha, 150);
  // The counter is drawn with the level.
  font.strings.clear();
  game.Draw(graphics);
  bool drawn = false;
  for (const auto& s : font.strings) drawn = drawn || s.text == L"1";
  EXPECT_TRUE(drawn);

  game.MouseDown(110, 410, 1);
  sObjMesh* bolt = dynamic_cast<sObjMesh*>(Object("bolt"));
  int steps = 0;
  int trails = 0;
  while (bolt->mState == QuestGame::kFlying && steps < 200) {
    const bool moving = !bolt->IsPlaying();
    const uint8_t before = gTrailStep;
    events.Clear();
    Play(game, 1);
    if (!moving || bolt->mState != QuestGame::kFlying) continue;
    ++steps;
    const bool trail = !events.With("start effSleif").empty();
    EXPECT_EQ(trail, before == 2);
    trails += trail ? 1 : 0;
  }
  EXPECT_EQ(bolt->mState, QuestGame::kDone);
  EXPECT_FALSE(bolt->mVisible);
  EXPECT_EQ(trails, steps / 3);
  // The part rises by 10 a tick from 150; at 255 it counts as filled.
  Play(game, 10);
  EXPECT_EQ(Object("slot")->mAlpha, 250);
  EXPECT_TRUE(context.sounds.empty());
  Play(game, 1);
  EXPECT_EQ(Object("slot")->mAlpha, 255);
  EXPECT_EQ(context.sounds, std::vector<std::string>{"SOUND_GOOD_OBJECT"});
  EXPECT_EQ(box->counterText.mText, L"0");
  EXPECT_TRUE(Object("box")->mVisible);
  EXPECT_FALSE(Object("slot")->mVisible);
  // The box fades in by 3 a tick; at 255 the plate turns "full_add", additive.
  int fade = 0;
  while (Object("box")->mAlpha != 255 && fade < 200) {
    Play(game, 1);
    ++fade;
  }
  EXPECT_EQ(fade, 85);
  auto* plate = dynamic_cast<sObjSprite*>(Object("boxplate"));
  EXPECT_EQ(plate->mImage.Key(), "full_add");
  EXPECT_TRUE(plate->mAdditive);
  EXPECT_EQ(plate->mAlpha, 255);
  EXPECT_EQ(box->counterText.mAlpha, 0);
  EXPECT_TRUE(plate->IsPlaying());
  // Now the box can be carried.
  game.MouseDown(510, 410, 1);
  ASSERT_NE(game.mHeld, nullptr);
  EXPECT_EQ(game.mHeld->object, Object("box"));
}

TEST_F(QuestTest, HintPointsAtIdleToolsThenSwitchesOff) {
  DtmRecord root = Level();
  root.Child(Mesh("dim", 200, 450, 20, 1, {{"_sObjTo", "slot"}, {"_iAlph", "100"}}));
  Load(root);
  QuestGame game;
  StartQuest(game);
  ASSERT_EQ(game.mTools.size(), 2u);
  HintPoint first, second;
  EXPECT_TRUE(game.HasHint());
  ASSERT_EQ(game.GetHintPosition(first, second), kHintAtFirst);
  EXPECT_EQ(first.x, 110.0f);
  game.MouseDown(110, 410, 1);
  ASSERT_EQ(game.GetHintPosition(first, second), kHintClosedAtFirst);
  EXPECT_EQ(first.x, 210.0f);
  game.mTools[1].tool->mState = QuestGame::kDone;
  EXPECT_EQ(game.GetHintPosition(first, second), kHintNone);
  EXPECT_FALSE(game.HasHint());

  DeleteObjects(level);
  Load(Record("level", 3, 0, 0, 800, 600));
  QuestGame toolless;
  StartQuest(toolless);
  EXPECT_EQ(toolless.GetHintPosition(first, second), kHintNone);
  EXPECT_FALSE(toolless.HasHint());
}

TEST_F(QuestTest, FewOpaquePixelsSparkleAndReturn) {
  struct Case {
    int opaque;
    size_t bursts;
  };
  for (const Case& c : {Case{5, 4}, Case{100, 10}, Case{1, 0}}) {
    DeleteObjects(level);
    ObjectEventLog events;
    DtmRecord root = Record("level", 3, 0, 0, 800, 600);
    Props spot = {{"_iNumElemFromOpen", "1"},
                  {"_sElemFromOpen_1", "by_hand"},
                  {"_iNumElemToOpen", "1"},
                  {"_sElemToOpen_1", "shy"}};
    root.Child(Mesh("spot", 100, 100, 40, 3, spot));
    Props shy = {{"_keyImg", "dots"}, {"_iGroup", "4"}, {"_iEffAppear", "1"}};
    AddAnim(shy, "appear", 10, 0, 255);
    root.Child(Record("shy", 7, 300, 300, 10, 10, shy));
    root.Child(Record("effSprAppear", 15, 0, 0, 1, 1));
    TestImage dots = SolidImage("dots", 10, 10);
    const int opaque = c.opaque;
    dots.pixel = [opaque](int x, int y) { return y * 10 + x < opaque ? 0xFFFFFFFFu : 0u; };
    LoadLevel({SolidImage("solid", 40, 40), dots}, root);
    anims.Add("finded", 10, 100);
    QuestGame game;
    StartQuest(game);
    game.MouseDown(110, 110, 1);
    EXPECT_EQ(events.With("start effSprAppear").size(), c.bursts) << c.opaque;
  }
}

TEST_F(QuestTest, ToolAimingAtNothingIsDroppedAndMissingPicturesOnlyLeaveOutTheirLook) {
  DtmRecord root = Level();
  root.Child(Mesh("stray", 200, 450, 20, 1, {{"_sObjTo", "nowhere"}}));
  Load(root, false);  // no "rocket_spark", no "full_add"
  QuestGame game;
  StartQuest(game);
  EXPECT_TRUE(Logged("stray"));
  EXPECT_TRUE(Logged("nowhere"));
  EXPECT_FALSE(game.IsUnplayable());
  ASSERT_EQ(game.mTools.size(), 1u);
  EXPECT_EQ(game.mTools[0].tool, Object("bolt"));
  game.MouseDown(210, 460, 1);
  EXPECT_EQ(dynamic_cast<sObjMesh*>(Object("stray"))->mState, 0);
  // The whole quest still plays to its end without the two pictures.
  game.MouseMove(310, 110);
  Play(game, 1);
  game.MouseDown(110, 410, 1);
  Play(game, 200);
  OpenAll(game);
  Play(game, 20);
  EXPECT_EQ(game.mFinalStage, 2);
  game.MouseDown(310, 510, 1);
  Play(game, 201);
  EXPECT_TRUE(game.IsWon());
  EXPECT_EQ(dynamic_cast<sObjSprite*>(Object("boxplate"))->mImage.Key(), "solid");
}

TEST_F(QuestTest, WithoutFindedTheQuestIsIdle) {
  LoadLevel({SolidImage("solid", 40, 40)}, Level());
  QuestGame game;
  StartQuest(game);
  EXPECT_TRUE(game.IsUnplayable());
  EXPECT_TRUE(Logged("finded"));
  game.MouseDown(110, 110, 1);
  EXPECT_EQ(game.mHeld, nullptr);
  HintPoint first, second;
  EXPECT_EQ(game.GetHintPosition(first, second), kHintNone);
  Play(game, 10);
  game.Draw(graphics);
  EXPECT_FALSE(game.IsWon());
}

TEST(QuestFactory, MakesTheKind) {
  std::unique_ptr<MiniGame> game(CreateMiniGame("quest"));
  EXPECT_NE(dynamic_cast<QuestGame*>(game.get()), nullptr);
}

}  // namespace
}  // namespace leveltest
