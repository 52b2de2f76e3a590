// Fuse tiles: the board made from the LCG, the turn tables, fade-in and
// corner motion, paths that blink, burn and light lamps, the slide and the
// refill, the win, and the level data that cannot be played.
#include <gtest/gtest.h>

#include <memory>

#include "engine/GameUtils.h"
#include "levels/MiniGameFactory.h"
#include "levels/TarnivelleGame.h"
#include "tests/levels/effect_probe.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {
namespace {

using Props = std::vector<std::pair<std::string, std::string>>;

struct Sides {
  bool left, up, right, down;
  bool operator==(const Sides& o) const { return left == o.left && up == o.up && right == o.right && down == o.down; }
};

Sides SidesOf(const TarnivelleTile& tile) { return {tile.openLeft, tile.openUp, tile.openRight, tile.openDown}; }

void SetSides(TarnivelleTile& tile, Sides sides) {
  tile.openLeft = sides.left;
  tile.openUp = sides.up;
  tile.openRight = sides.right;
  tile.openDown = sides.down;
}

constexpr Sides kVertical{false, true, false, true};
constexpr Sides kClosed{false, false, false, false};

class TarnivelleTest : public MiniGameKit {
 protected:
  void SetUp() override {
    MiniGameKit::SetUp();
    RegisterLevelKinds();
  }
  Props BoardProps(int rows, int columns) {
    return {{"_iOffX", "100"},
            {"_iOffY", "300"},
            {"_iNumRows", std::to_string(rows)},
            {"_iNumCols", std::to_string(columns)},
            {"_iOffsetLampY_1", "5"},
            {"_iOffsetLampY_2", "3"},
            {"_keyImg_tile1", "t1"},
            {"_keyImg_tile2", "t2"},
            {"_keyImg_tile3", "t3"},
            {"_keyImg_tile4", "t4"},
            {"_keyImg_lamp", "lamp"}};
  }
  void LoadBoard(Props props) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600, std::move(props));
    root.Child(Record("effKillEl", 15, 0, 0, 1, 1));
    root.Child(Record("effLampOn", 15, 0, 0, 1, 1));
    TestImage lamp = SolidImage("lamp", 40, 20);
    lamp.columns = 2;
    LoadLevel(
        {SolidImage("t1", 40, 40), SolidImage("t2", 40, 40), SolidImage("t3", 40, 40), SolidImage("t4", 40, 40), lamp},
        root);
  }
  // Every tile faded in.
  void FadeIn(TarnivelleGame& game) { Run(game, 17); }
};

TEST_F(TarnivelleTest, BoardOfASeedIsBuiltColumnByColumnFromTheLcg) {
  LoadBoard(BoardProps(2, 2));
  LcgSeed(1);
  TarnivelleGame game;
  Start(game);
  ASSERT_EQ(game.mCells.size(), 4u);
  // Seed 1 draws (kind of 6, turn of 3): (0, 2) (2, 2) (3, 0) (3, 0): a
  // straight turned clockwise, a corner turned clockwise, two corners
  // turned counter-clockwise.
  struct Expect {
    int column, row, kind;
    Sides sides;
    int firstCorner;  // the cell corner the tile's corner 0 sits on
  };
  const Expect expected[] = {
      {0, 0, 1, {true, false, true, false}, 1},
      {0, 1, 2, {false, false, true, true}, 1},
      {1, 0, 2, {true, true, false, false}, 3},
      {1, 1, 2, {true, true, false, false}, 3},
  };
  for (int index = 0; index < 4; ++index) {
    const Expect& e = expected[index];
    const TarnivelleCell& cell = game.mCells[static_cast<size_t>(index)];
    EXPECT_EQ(game.CellAt(e.column, e.row), &cell);
    EXPECT_EQ(cell.column, e.column);
    EXPECT_EQ(cell.row, e.row);
    EXPECT_EQ(cell.quad.corner[0].x, 100.0f + 40 * e.column);
    EXPECT_EQ(cell.quad.corner[0].y, 300.0f + 40 * e.row);
    ASSERT_NE(cell.tile, nullptr);
    EXPECT_EQ(cell.tile->kind, e.kind) << index;
    EXPECT_TRUE(SidesOf(*cell.tile) == e.sides) << index;
    EXPECT_EQ(cell.tile->current.corner[0].x, cell.quad.corner[e.firstCorner].x) << index;
    EXPECT_EQ(cell.tile->current.corner[0].y, cell.quad.corner[e.firstCorner].y) << index;
    EXPECT_FALSE(cell.tile->moving);
    EXPECT_FALSE(cell.tile->lit);
    EXPECT_EQ(cell.tile->alpha, 0);
  }
  // Lamps: the lamp's height (20) centred in the top cell, 5 up, then 23 up twice.
  const TarnivelleLampColumn& lamps = game.mLamps[1];
  EXPECT_EQ(lamps.quads[0].corner[0].x, 150.0f);
  EXPECT_EQ(lamps.quads[0].corner[0].y, 305.0f);
  EXPECT_EQ(lamps.quads[1].corner[0].y, 282.0f);
  EXPECT_EQ(lamps.quads[2].corner[0].y, 259.0f);
  EXPECT_EQ(lamps.quads[2].corner[2].x, 170.0f);
  EXPECT_EQ(lamps.centres[2].x, 160.0f);
  EXPECT_EQ(lamps.centres[2].y, 269.0f);
}

TEST_F(TarnivelleTest, BoardStartsUnlitEvenOverACompletePathAndFadesIn) {
  LoadBoard(BoardProps(1, 1));
  LcgSeed(3);  // the first draw makes a cross: a complete path from the start
  TarnivelleGame game;
  Start(game);
  TarnivelleTile* tile = game.mCells[0].tile;
  ASSERT_EQ(tile->kind, 4);
  for (int tick = 1; tick <= 17; ++tick) {
    Run(game, 1);
    EXPECT_EQ(tile->alpha, tick < 17 ? 15 * tick : 255) << tick;
  }
  Run(game, 50);
  EXPECT_FALSE(tile->lit);
  EXPECT_FALSE(tile->onPath);
  EXPECT_EQ(game.mLamps[0].lit[0], 0);
}

TEST(TarnivelleTurn, TablesMoveCornersAndOpenSides) {
  struct Case {
    Sides before;
    int direction;
    Sides after;
  };
  const Sides up{false, true, false, false};
  const Case cases[] = {
      {up, TarnivelleGame::kTurnClockwise, {false, false, true, false}},
      {up, TarnivelleGame::kTurnCounterClockwise, {true, false, false, false}},
      {{true, false, false, false}, TarnivelleGame::kTurnClockwise, {false, true, false, false}},
      {{false, false, false, true}, TarnivelleGame::kTurnClockwise, {true, false, false, false}},
      {{false, false, true, true}, TarnivelleGame::kTurnCounterClockwise, {false, true, true, false}},
      {{true, false, true, true}, TarnivelleGame::kTurnClockwise, {true, true, false, true}},
  };
  for (const Case& c : cases) {
    TarnivelleTile tile;
    SetSides(tile, c.before);
    for (int k = 0; k < 4; ++k) tile.current.corner[k] = Vector2(static_cast<float>(k), 10.0f * k);
    TarnivelleGame::Turn(tile, c.direction);
    EXPECT_TRUE(SidesOf(tile) == c.after);
    EXPECT_TRUE(tile.moving);
    // Clockwise: corners 0..3 head for 1, 2, 3, 0; counter-clockwise for 3, 0, 1, 2.
    const int shift = c.direction == TarnivelleGame::kTurnClockwise ? 1 : 3;
    for (int k = 0; k < 4; ++k) EXPECT_EQ(tile.target.corner[k].x, static_cast<float>((k + shift) % 4));
  }
}

TEST_F(TarnivelleTest, PressesTurnIdleTilesAndCornersMoveFivePixelsATick) {
  LoadBoard(BoardProps(2, 2));
  TarnivelleGame game;
  Start(game);
  TarnivelleTile* tile = game.CellAt(1, 1)->tile;
  SetSides(*tile, {false, true, false, false});
  tile->current = tile->target = game.CellAt(1, 1)->quad;
  const Quad before = tile->current;
  game.MouseDown(150, 350, -1);  // right press: counter-clockwise
  EXPECT_TRUE(SidesOf(*tile) == (Sides{true, false, false, false}));
  EXPECT_EQ(context.sounds, std::vector<std::string>{"SOUND_ROCKET_TRESK"});
  // A moving tile does not turn.
  game.MouseDown(150, 350, 1);
  EXPECT_TRUE(SidesOf(*tile) == (Sides{true, false, false, false}));
  EXPECT_EQ(context.sounds.size(), 1u);
  // Corner 0 heads for the old corner 3, 40 pixels below, 5 pixels a tick.
  Run(game, 1);
  EXPECT_EQ(tile->current.corner[0].x, before.corner[0].x);
  EXPECT_NEAR(tile->current.corner[0].y, before.corner[0].y + 5.0f, 0.02f);
  int ticks = 1;
  while (tile->moving && ticks < 20) {
    Run(game, 1);
    ++ticks;
  }
  EXPECT_FALSE(tile->moving);
  EXPECT_EQ(tile->current.corner[0].y, before.corner[3].y);
  EXPECT_GE(ticks, 8);
  EXPECT_LE(ticks, 9);
  // A burning tile does not turn; a left press turns clockwise.
  tile->pathState = 2;
  game.MouseDown(150, 350, 1);
  EXPECT_EQ(context.sounds.size(), 1u);
  tile->pathState = 0;
  game.MouseDown(150, 350, 1);
  EXPECT_TRUE(SidesOf(*tile) == (Sides{false, true, false, false}));
  // Outside the board: nothing, and never a miss.
  game.MouseDown(10, 10, 1);
  EXPECT_FALSE(game.mMissCrossRequest);
}

TEST_F(TarnivelleTest, PathBlinksTwiceBurnsLightsALampAndTheBoardRefills) {
  ObjectEventLog events;
  LoadBoard(BoardProps(2, 2));
  TarnivelleGame game;
  Start(game);
  for (int j = 0; j < 2; ++j) {
    SetSides(*game.CellAt(0, j)->tile, kClosed);
    SetSides(*game.CellAt(1, j)->tile, kVertical);
  }
  FadeIn(game);
  TarnivelleTile* leftTop = game.CellAt(0, 0)->tile;
  TarnivelleTile* top = game.CellAt(1, 0)->tile;
  game.RunConnectivity();
  ASSERT_TRUE(top->onPath);
  ASSERT_TRUE(game.CellAt(1, 1)->tile->onPath);
  EXPECT_FALSE(leftTop->lit);
  // The expected alphas, tick by tick: down by 5 to 100, a turn, up by 5 to
  // 255, a turn; twice; the second turn at 255 starts the burn.
  std::vector<int> alphas;
  for (int blink = 0; blink < 2; ++blink) {
    for (int a = 250; a >= 100; a -= 5) alphas.push_back(a);
    alphas.push_back(100);
    for (int a = 105; a <= 255; a += 5) alphas.push_back(a);
    alphas.push_back(255);
  }
  for (size_t tick = 0; tick < alphas.size(); ++tick) {
    Run(game, 1);
    ASSERT_EQ(top->alpha, alphas[tick]) << tick;
    ASSERT_EQ(game.CellAt(1, 1)->tile->alpha, alphas[tick]) << tick;
  }
  EXPECT_EQ(top->pathState, 2);
  EXPECT_EQ(events.With("start effKillEl"),
            (std::vector<std::string>{"start effKillEl 160 320", "start effKillEl 160 360"}));
  events.Clear();
  // 30 ticks of burning, then the removal.
  Run(game, 30);
  EXPECT_EQ(game.CellAt(1, 0)->tile, top);
  EXPECT_TRUE(context.sounds.empty());
  Run(game, 1);
  EXPECT_EQ(context.sounds, std::vector<std::string>{"SOUND_GOOD_OBJECT"});  // once for both tiles
  EXPECT_EQ(game.mLamps[1].lit[0], 1);
  EXPECT_EQ(game.mLamps[0].lit[0], 0);
  EXPECT_EQ(events.Events(), std::vector<std::string>{"start effLampOn 160 315"});
  EXPECT_FALSE(top->inUse);
  // The tiles of column 0 slid right into the gap; column 0 waits for them.
  EXPECT_EQ(game.CellAt(1, 0)->tile, leftTop);
  EXPECT_TRUE(leftTop->moving);
  EXPECT_EQ(game.CellAt(0, 0)->tile, nullptr);
  // It keeps its orientation: its target is the cell's square, corners in its own order.
  EXPECT_EQ((leftTop->target.corner[0].x + leftTop->target.corner[2].x) / 2, game.CellAt(1, 0)->centre.x);
  EXPECT_EQ((leftTop->target.corner[0].y + leftTop->target.corner[2].y) / 2, game.CellAt(1, 0)->centre.y);
  Run(game, 12);
  EXPECT_FALSE(leftTop->moving);
  // New tiles slide in from the left while they fade in.
  TarnivelleTile* fresh = game.CellAt(0, 0)->tile;
  ASSERT_NE(fresh, nullptr);
  EXPECT_TRUE(fresh->moving);
  EXPECT_LT(fresh->current.corner[0].x + fresh->current.corner[2].x, 2 * 100.0f + 40.0f);
  EXPECT_LT(fresh->alpha, 255);
  EXPECT_FALSE(game.IsWon());
}

TEST_F(TarnivelleTest, WonTheMomentLampThreeOfEveryColumnLights) {
  LoadBoard(BoardProps(1, 2));
  TarnivelleGame game;
  Start(game);
  SetSides(*game.CellAt(0, 0)->tile, kVertical);
  SetSides(*game.CellAt(1, 0)->tile, kClosed);
  game.mLamps[0].lit[0] = game.mLamps[0].lit[1] = 1;
  game.mLamps[1].lit[0] = game.mLamps[1].lit[1] = game.mLamps[1].lit[2] = 1;
  FadeIn(game);
  game.RunConnectivity();
  int ticks = 0;
  while (game.mLamps[0].lit[2] == 0 && ticks < 400) {
    EXPECT_FALSE(game.IsWon());
    game.Update(++ticks);
  }
  EXPECT_EQ(game.mLamps[0].lit[2], 1);
  EXPECT_TRUE(game.IsWon());
}

TEST_F(TarnivelleTest, MissingLampImageAndBadSizesCannotBePlayed) {
  struct Case {
    const char* what;
    std::string key;
    std::string value;
    bool unplayable;
    size_t cells;
  };
  const Case cases[] = {
      {"no lamp image", "_keyImg_lamp", "", true, 0}, {"no tile image", "_keyImg_tile3", "", true, 0},
      {"negative rows", "_iNumRows", "-2", true, 0},  {"too many columns", "_iNumCols", "65", true, 0},
      {"64 columns", "_iNumCols", "64", false, 128},  {"no rows", "_iNumRows", "0", false, 0},
  };
  for (const Case& c : cases) {
    DeleteObjects(level);
    context.log.clear();
    Props props = BoardProps(2, 2);
    for (auto& [key, value] : props) {
      if (key == c.key) value = c.value;
    }
    LoadBoard(props);
    TarnivelleGame game;
    Start(game);
    EXPECT_EQ(game.IsUnplayable(), c.unplayable) << c.what;
    EXPECT_EQ(Logged("cannot be played"), c.unplayable) << c.what;
    EXPECT_EQ(game.mCells.size(), c.cells) << c.what;
    game.MouseDown(110, 310, 1);
    Run(game, 40);
    game.Draw(graphics);
    EXPECT_FALSE(game.IsWon()) << c.what;
  }
}

TEST(TarnivelleFactory, MakesTheKind) {
  std::unique_ptr<MiniGame> game(CreateMiniGame("tarnivelle"));
  EXPECT_NE(dynamic_cast<TarnivelleGame*>(game.get()), nullptr);
}

}  // namespace
}  // namespace leveltest
