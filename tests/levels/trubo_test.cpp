// Water pipes: the board and its openings, the water's flow, spills and the
// rebuild, selection and swaps, the start button and the water timer, and
// levels the kind cannot play.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "levels/MiniGameFactory.h"
#include "levels/TruboGame.h"
#include "tests/levels/kinds_kit.h"

namespace leveltest {
namespace {

constexpr int kKinds = 15;

// Updates until a tube holding water is full: 0.01 per update in float32.
int FillTicks() {
  float fill = 0.0f;
  int ticks = 0;
  do {
    fill += 0.01f;
    ++ticks;
  } while (fill < 1.0f);
  return ticks;
}

struct Parts {
  int tubes = kKinds;
  int waters = kKinds;
  bool button = true;
  bool area = true;
  bool timer = true;
};

class TruboTest : public KindsKit {
 protected:
  void LoadPipes(std::vector<std::pair<std::string, std::string>> properties = {}, Parts parts = Parts()) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600, std::move(properties));
    std::vector<TestImage> images = {SolidImage("bar", 100, 10), SolidImage("button", 60, 40)};
    for (int k = 0; k < kKinds; ++k) {
      images.push_back(SolidImage("tube" + std::to_string(k), 64, 64));
      images.push_back(SolidImage("water" + std::to_string(k), 64, 64));
    }
    for (int k = 0; k < parts.tubes; ++k) {
      root.Child(Record("spTube" + std::to_string(k), 3, 700, 0, 64, 64, {{"_keyImg", "tube" + std::to_string(k)}}));
    }
    for (int k = 0; k < parts.waters; ++k) {
      root.Child(
          Record("sprWater" + std::to_string(k), 3, 700, 0, 64, 64, {{"_keyImg", "water" + std::to_string(k)}}));
    }
    if (parts.button) root.Child(Record("btnStartWater", 4, 600, 500, 60, 40, {{"_keyImg", "button"}}));
    if (parts.area) root.Child(Record("rectLevel", 18, 10, 20, 512, 448));
    if (parts.timer) root.Child(Record("sprTimer", 3, 600, 20, 100, 10, {{"_keyImg", "bar"}}));
    LoadLevel(images, root);
  }
  // Gives every tube the kind of its place.
  void SetKinds(const std::function<int(int column, int row)>& kindAt) {
    for (Tube* tube : TruboGame::Board()) tube->mKind = kindAt(tube->mColumn, tube->mRow);
  }
  // The winning course: down the first column, along the bottom row to
  // column 5, which opens to the left only.
  static int Course(int column, int row) {
    if (column == 0 && row < 6) return 9;
    if (column == 0 && row == 6) return 11;
    if (row == 6 && column >= 1 && column <= 4) return 10;
    if (row == 6 && column == 5) return 3;
    return 15;
  }
  void PressStart(TruboGame& game) {
    game.MouseDown(620, 510, 1);
    game.MouseUp(620, 510, 1);
  }
  static Vec2 CellCentre(int column, int row) {
    return Vec2(10.0f + 64.0f * static_cast<float>(column) + 32.0f, 20.0f + 64.0f * static_cast<float>(row) + 32.0f);
  }
  void Press(TruboGame& game, int column, int row, int clicks = 1) {
    const Vec2 c = CellCentre(column, row);
    game.MouseDown(static_cast<int>(c.x), static_cast<int>(c.y), clicks);
  }
};

TEST_F(TruboTest, OpeningsFollowTheKindTable) {
  const char* table[] = {"LTRB", "T", "R", "L", "B", "LRB", "TRB", "LTB", "LTR", "TB",
                         "LR",   "TR", "LT", "LB", "RB", "",   ""};
  for (int kind = 0; kind < 17; ++kind) {
    const std::string sides = table[kind];
    EXPECT_EQ(TubeOpensTo(kind, kSideLeft), sides.find('L') != std::string::npos) << kind;
    EXPECT_EQ(TubeOpensTo(kind, kSideTop), sides.find('T') != std::string::npos) << kind;
    EXPECT_EQ(TubeOpensTo(kind, kSideRight), sides.find('R') != std::string::npos) << kind;
    EXPECT_EQ(TubeOpensTo(kind, kSideBottom), sides.find('B') != std::string::npos) << kind;
  }
}

TEST_F(TruboTest, BoardIsEightBySevenTilesWithRandKinds) {
  LoadPipes();
  std::srand(77);
  std::vector<int> expected;
  for (int i = 0; i < 56; ++i) expected.push_back(std::rand() % kKinds);
  std::srand(77);
  TruboGame game;
  Start(game);
  ASSERT_FALSE(game.IsUnplayable());
  const std::vector<Tube*>& board = TruboGame::Board();
  ASSERT_EQ(board.size(), 56u);
  for (size_t i = 0; i < board.size(); ++i) {
    const Tube& tube = *board[i];
    EXPECT_EQ(tube.mColumn, static_cast<int>(i % 8));
    EXPECT_EQ(tube.mRow, static_cast<int>(i / 8));
    EXPECT_FLOAT_EQ(tube.mPosition.x, 10.0f + 64.0f * static_cast<float>(tube.mColumn));
    EXPECT_FLOAT_EQ(tube.mPosition.y, 20.0f + 64.0f * static_cast<float>(tube.mRow));
    EXPECT_EQ(tube.mKind, expected[i]) << i;
    EXPECT_EQ(tube.mImage, game.mTubeImages[static_cast<size_t>(tube.mKind)]);
    EXPECT_EQ(tube.mWaterImage, game.mWaterImages[static_cast<size_t>(tube.mKind)]);
  }
  EXPECT_FALSE(Object("spTube3")->mVisible);
  EXPECT_FALSE(Object("sprWater3")->mVisible);
  EXPECT_FALSE(Object("rectLevel")->mVisible);
  EXPECT_FALSE(Object("sprTimer")->mVisible);
  EXPECT_TRUE(Object("btnStartWater")->mVisible);
}

TEST_F(TruboTest, WaterFollowsTheCourseAndTheFullExitWinsWithoutASpill) {
  LoadPipes();
  TruboGame game;
  Start(game);
  SetKinds(Course);
  PressStart(game);
  Tube* first = TruboGame::TubeAt(0, 0);
  EXPECT_TRUE(first->mHasWater);
  EXPECT_EQ(first->mEntrySide, kSideTop);
  Run(game, FillTicks() - 1);
  EXPECT_LT(first->mFill, 1.0f);
  EXPECT_FALSE(TruboGame::TubeAt(0, 1)->mHasWater);
  Run(game, 1);
  EXPECT_EQ(first->mFill, 1.0f);
  EXPECT_TRUE(TruboGame::TubeAt(0, 1)->mHasWater);  // passed on through its bottom
  EXPECT_EQ(TruboGame::TubeAt(0, 1)->mEntrySide, kSideTop);
  Run(game, 12 * FillTicks());
  EXPECT_TRUE(game.IsWon());
  EXPECT_FALSE(game.mSpilled);  // the last update also found all water still: no spill once won
  EXPECT_EQ(TruboGame::TubeAt(5, 6)->mEntrySide, kSideLeft);
  EXPECT_FALSE(TruboGame::TubeAt(6, 6)->mHasWater);
  // The course is drawn with its water under the win message.
  ViewPairingImage target;
  Graphics g(&target);
  game.Draw(g);
  EXPECT_EQ(target.depth, 0);
  int water = 0;
  for (const kindstest::DrawCall& call : target.calls) {
    for (Image* image : game.mWaterImages) water += call.image == image ? 1 : 0;
  }
  EXPECT_EQ(water, 12);
}

struct SpillCase {
  const char* what;
  std::function<int(int, int)> kinds;
  int updates;  // after the start, before which no spill shows; the spill shows one update later
};

TEST_F(TruboTest, SpillsAtBordersRefusalsAndStandingWater) {
  const int full = FillTicks();
  const SpillCase cases[] = {
      {"no top opening at the start", [](int c, int r) { return c == 0 && r == 0 ? 2 : 15; }, -1},
      {"left border", [](int c, int r) { return c == 0 && r == 0 ? 12 : 15; }, full - 1},
      {"top border", [](int c, int r) { return c == 0 && r == 0 ? 0 : 15; }, full - 1},
      {"refused neighbour", [](int c, int r) { return c == 0 && r == 0 ? 11 : 15; }, full - 1},
      {"right border", [](int c, int r) { return r == 0 ? (c == 0 ? 11 : (c == 7 ? 5 : 10)) : 9; }, -2},
      {"standing water", [](int c, int r) { return c == 0 && r == 0 ? 1 : 15; }, full - 1},
  };
  for (const SpillCase& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteObjects(level);
    LoadPipes();
    TruboGame game;
    Start(game);
    SetKinds(c.kinds);
    PressStart(game);
    if (c.updates == -1) {
      EXPECT_TRUE(game.mSpilled);
      continue;
    }
    if (c.updates == -2) {
      // Right border: the water reaches (7, 0), which opens right as well as
      // down; the bottom branch keeps filling but the spill comes first.
      int n = 0;
      while (!game.mSpilled && n < 20 * full) {
        Run(game, 1);
        ++n;
      }
      EXPECT_TRUE(game.mSpilled);
      EXPECT_TRUE(TruboGame::TubeAt(7, 0)->mHasWater);
      EXPECT_EQ(TruboGame::TubeAt(7, 0)->mFill, 1.0f);
      continue;
    }
    Run(game, c.updates);
    EXPECT_FALSE(game.mSpilled);
    Run(game, 1);
    EXPECT_TRUE(game.mSpilled);
  }
}

TEST_F(TruboTest, BottomRowDrainsWithoutSpillingUntilTheWaterStands) {
  LoadPipes();
  TruboGame game;
  Start(game);
  SetKinds([](int c, int r) { return c == 0 ? 9 : 15; });  // straight down and out
  PressStart(game);
  Tube* last = TruboGame::TubeAt(0, 6);
  int n = 0;
  while (last->mFill < 1.0f && n < 1000) {
    EXPECT_FALSE(game.mSpilled) << n;
    Run(game, 1);
    ++n;
  }
  EXPECT_TRUE(last->mHasWater);
  EXPECT_TRUE(game.mSpilled);  // all full and no exit: spilled in the update the last one filled
}

TEST_F(TruboTest, SpillShrinksRebuildsAndGrowsWithTheTimerReset) {
  LoadPipes({{"_fWaterTimer", "30"}});
  TruboGame game;
  Start(game);
  SetKinds([](int c, int r) { return 2; });
  Run(game, 10);
  PressStart(game);
  EXPECT_TRUE(game.mSpilled);
  EXPECT_FALSE(game.mStartAllowed);
  CountdownTimer half;
  half.Start(0.5f);
  int shrinkTicks = 0;
  while (half.IsRunning()) {
    half.Tick();
    ++shrinkTicks;
  }
  Run(game, 25);
  EXPECT_NEAR(TruboGame::TubeAt(3, 3)->mScale.x, 0.5f, 0.03f);  // halfway through the shrink
  std::srand(5);
  std::vector<int> expected;
  for (int i = 0; i < 56; ++i) expected.push_back(std::rand() % kKinds);
  std::srand(5);
  int n = 0;
  while (game.mSpilled && n < 100) {
    Run(game, 1);
    ++n;
  }
  EXPECT_EQ(n + 25, shrinkTicks);  // 0.5 s in all
  EXPECT_TRUE(game.mStartAllowed);
  EXPECT_FALSE(game.mRunning);
  EXPECT_FLOAT_EQ(game.mWaterTimer.mRemaining, 30.0f);
  for (size_t i = 0; i < 56; ++i) EXPECT_EQ(TruboGame::Board()[i]->mKind, expected[i]);
  EXPECT_NEAR(TruboGame::TubeAt(0, 0)->mScale.x, 0.0f, 0.03f);  // growing back
  Run(game, shrinkTicks);
  // The track's last pose is that of its next-to-last update.
  EXPECT_NEAR(TruboGame::TubeAt(0, 0)->mScale.x, 1.0f, 0.011f);
  EXPECT_FALSE(TruboGame::TubeAt(0, 0)->mTrack.mPlaying);
}

TEST_F(TruboTest, SelectGlowSwapAndDrop) {
  LoadPipes();
  TruboGame game;
  Start(game);
  Tube* a = TruboGame::TubeAt(1, 1);
  Tube* b = TruboGame::TubeAt(3, 1);
  Press(game, 1, 1);
  EXPECT_EQ(game.mSelected, a);
  EXPECT_TRUE(a->mHighlighted);
  Run(game, 10);
  EXPECT_NEAR(a->mHighlightLevel, 0.3f, 1e-5f);
  ViewPairingImage target;
  Graphics g(&target);
  game.Draw(g);
  bool glowed = false;
  for (const kindstest::DrawCall& call : target.calls) {
    if (call.image == a->mImage && call.mode == 5) {
      glowed = true;
      EXPECT_EQ(call.color.alpha, static_cast<int>(a->mHighlightLevel * 48.0f));
    }
  }
  EXPECT_TRUE(glowed);
  Run(game, 30);  // up to 1, then falling
  EXPECT_FALSE(a->mHighlightRising);
  // Counts 2 (double click) and 3 (middle) neither swap nor select.
  Press(game, 3, 1, 2);
  Press(game, 3, 1, 3);
  EXPECT_EQ(game.mSelected, a);
  Press(game, 3, 1);
  EXPECT_EQ(game.mSelected, nullptr);
  EXPECT_FALSE(a->mHighlighted);
  EXPECT_EQ(a->mColumn, 3);
  EXPECT_EQ(b->mColumn, 1);
  Run(game, 1);
  EXPECT_FLOAT_EQ(a->mPosition.x, 10.0f + 64.0f + 6.0f);
  EXPECT_FLOAT_EQ(b->mPosition.x, 10.0f + 192.0f - 6.0f);
  Run(game, 30);
  EXPECT_FLOAT_EQ(a->mPosition.x, 10.0f + 192.0f);
  EXPECT_FLOAT_EQ(b->mPosition.x, 10.0f + 64.0f);
  EXPECT_EQ(TruboGame::TubeAt(3, 1), a);
  // The selected tile again, or a right press anywhere, drops the selection.
  Press(game, 2, 2);
  Press(game, 2, 2);
  EXPECT_EQ(game.mSelected, nullptr);
  EXPECT_EQ(TruboGame::TubeAt(2, 2)->mColumn, 2);
  Press(game, 2, 2);
  game.MouseDown(700, 590, -1);
  EXPECT_EQ(game.mSelected, nullptr);
  for (Tube* tube : TruboGame::Board()) EXPECT_FALSE(tube->mHighlighted);
}

TEST_F(TruboTest, StartButtonWorksOncePerAttemptForAnyButton) {
  LoadPipes();
  TruboGame game;
  Start(game);
  SetKinds([](int c, int r) { return 9; });
  game.MouseDown(620, 510, 3);  // middle button: starts too
  EXPECT_TRUE(game.mRunning);
  EXPECT_FALSE(game.mStartAllowed);
  Run(game, 50);
  const float fill = TruboGame::TubeAt(0, 0)->mFill;
  PressStart(game);  // changes nothing
  EXPECT_FLOAT_EQ(TruboGame::TubeAt(0, 0)->mFill, fill);
}

struct TimerCase {
  const char* value;  // null: missing
  float duration;
};

TEST_F(TruboTest, WaterTimerSecondsAndTheBar) {
  for (const TimerCase& c : {TimerCase{nullptr, 120.0f}, TimerCase{"", 120.0f}, TimerCase{"45.9", 45.0f},
                             TimerCase{"0", 0.0f}}) {
    SCOPED_TRACE(c.value != nullptr ? c.value : "(missing)");
    DeleteObjects(level);
    std::vector<std::pair<std::string, std::string>> properties;
    if (c.value != nullptr) properties.push_back({"_fWaterTimer", c.value});
    LoadPipes(properties);
    TruboGame game;
    Start(game);
    EXPECT_FLOAT_EQ(game.mWaterTimer.mDuration, c.duration);
    Run(game, 1);
    EXPECT_EQ(game.mRunning, c.duration == 0.0f);
  }
  DeleteObjects(level);
  LoadPipes({{"_fWaterTimer", "2"}});
  TruboGame game;
  Start(game);
  SetKinds([](int c, int r) { return 15; });
  Run(game, 50);
  ViewPairingImage target;
  Graphics g(&target);
  game.Draw(g);
  EXPECT_EQ(target.depth, 0);
  const kindstest::DrawCall* bar = nullptr;
  for (const kindstest::DrawCall& call : target.calls) {
    if (call.kind == "float" && call.image == game.mTimerImage) bar = &call;
  }
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->rect.width, static_cast<int>(100.0f * game.mWaterTimer.mRemaining / 2.0f));
  EXPECT_EQ(bar->rect.height, 10);
  EXPECT_FLOAT_EQ(bar->quad.corner[0].x, 600.0f);
  // The timer runs out and starts the water by itself.
  Run(game, 200);
  EXPECT_TRUE(game.mRunning);
}

struct UnplayableCase {
  const char* what;
  Parts parts;
};

TEST_F(TruboTest, MissingPartsMakeTheLevelUnplayable) {
  Parts noTubes;
  noTubes.tubes = 0;
  Parts fewWater;
  fewWater.waters = 14;
  Parts noButton;
  noButton.button = false;
  Parts noArea;
  noArea.area = false;
  Parts noTimer;
  noTimer.timer = false;
  for (const UnplayableCase& c : {UnplayableCase{"spTube", noTubes}, UnplayableCase{"sprWater", fewWater},
                                  UnplayableCase{"btnStartWater", noButton}, UnplayableCase{"rectLevel", noArea},
                                  UnplayableCase{"sprTimer", noTimer}}) {
    SCOPED_TRACE(c.what);
    DeleteObjects(level);
    context.log.clear();
    LoadPipes({{"_fWaterTimer", "0"}}, c.parts);
    std::unique_ptr<MiniGame> game(CreateMiniGame("trubo_game"));
    ASSERT_NE(dynamic_cast<TruboGame*>(game.get()), nullptr);
    Start(*game);
    EXPECT_TRUE(game->IsUnplayable());
    EXPECT_TRUE(Logged(c.what));
    EXPECT_TRUE(TruboGame::Board().empty());
    game->MouseDown(620, 510, 1);
    game->MouseUp(620, 510, 1);
    Run(*game, 300);
    EXPECT_FALSE(game->IsWon());
    ViewPairingImage target;
    Graphics g(&target);
    game->Draw(g);
    EXPECT_EQ(target.depth, 0);
  }
}

}  // namespace
}  // namespace leveltest
