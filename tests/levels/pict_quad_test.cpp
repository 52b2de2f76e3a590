// The picture-quad puzzles: shared motion, pict_move's swaps, colours,
// selection and hint, pict_rotate's turns, pict_15's slides and solvable
// shuffle, pict_puzzle's pick, turn and drop, and bad level data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <queue>
#include <string>
#include <vector>

#include "engine/ImageTable.h"
#include "engine/KeyframeTrack.h"
#include "engine/ObjectKinds.h"
#include "engine/SoundEmitterKinds.h"
#include "image/MemoryImage.h"
#include "levels/MiniGameFactory.h"
#include "levels/PictQuadGames.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {
namespace {

using kindstest::BoxQuad;
using kindstest::DrawCall;

constexpr float kLeft = 100.0f;
constexpr float kTop = 100.0f;
constexpr int kPictureSide = 240;

// A picture whose 60-pixel cels all differ in colour.
TestImage CelPicture() {
  TestImage image;
  image.key = "pic";
  image.width = kPictureSide;
  image.height = kPictureSide;
  image.pixel = [](int x, int y) { return 0xFF000000u | static_cast<uint32_t>((x / 60) * 0x40 + (y / 60) * 0x4000); };
  return image;
}

class PictQuadTest : public MiniGameKit {
 protected:
  void SetUp() override {
    MiniGameKit::SetUp();
    RegisterDrawingKinds();
    RegisterSoundAndEmitterKinds();
  }

  // A level of the given kind data: "sprGame" over the picture, optionally
  // "effOnPlace".
  void LoadPicture(const std::string& n, bool withEffect = true, bool withPicture = true) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600);
    if (!n.empty()) root.Property("_iNumQuad", n);
    if (withPicture) {
      root.Child(Record("sprGame", 3, kLeft, kTop, kPictureSide, kPictureSide, {{"_keyImg", "pic"}}));
    }
    if (withEffect) root.Child(Record("effOnPlace", 15, 0, 0, 10, 10));
    LoadLevel({CelPicture()}, root);
  }

  int Count(const std::string& sound) const {
    return static_cast<int>(std::count(context.sounds.begin(), context.sounds.end(), sound));
  }

  static void ClickAt(MiniGame& game, const HintPoint& p, int clicks = 1) {
    game.MouseDown(static_cast<int>(p.x), static_cast<int>(p.y), clicks);
    game.MouseUp(static_cast<int>(p.x), static_cast<int>(p.y), clicks);
  }

  // Runs until no pict_move swap is under way (at most 200 updates).
  void Settle(PictMoveGame& game) {
    for (int i = 0; i < 200 && (game.mMoving[0] >= 0 || game.mMoving[1] >= 0); ++i) game.Update(++updateCount);
  }
};

HintPoint PlaceCentre(int column, int row, int n) {
  const float s = static_cast<float>(kPictureSide) / static_cast<float>(n);
  return {kLeft + (column + 0.5f) * s, kTop + (row + 0.5f) * s};
}

// Puts every pict_move/pict_15 piece home, then exchanges the places of a
// and b.
void ArrangeHomeExcept(PictQuadGame& game, std::vector<PictPiece>& pieces, int a, int b) {
  for (PictPiece& piece : pieces) {
    piece.column = piece.homeColumn;
    piece.row = piece.homeRow;
    piece.motion.current = piece.motion.start = game.HomeQuad(piece.column, piece.row);
  }
  if (a == b) return;
  std::swap(pieces[a].column, pieces[b].column);
  std::swap(pieces[a].row, pieces[b].row);
  std::swap(pieces[a].motion.current, pieces[b].motion.current);
}

TEST(QuadMotionTest, CornerThreeTravelsAboutEightPixelsATickOnStraightLines) {
  struct Case {
    float dx, dy;
  };
  for (const Case& c : {Case{80, 0}, Case{0, 37.5f}, Case{-60, 45}, Case{3, 4}}) {
    QuadMotion motion;
    motion.current = BoxQuad(10, 20, 50, 60);
    Quad to = motion.current;
    for (Vector2& corner : to.corner) {
      corner.x += c.dx;
      corner.y += c.dy;
    }
    motion.StartMove(to);
    EXPECT_EQ(motion.progress, 0.0f);
    EXPECT_FLOAT_EQ(motion.step, 8.0f / Vec2::Length(Vector2(c.dx, c.dy)));
    int ticks = 0;
    while (!motion.AtRest() && ticks < 1000) {
      motion.StepMove();
      ++ticks;
      // Every corner lies on its straight line at the progress.
      for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(motion.current.corner[k].x, motion.start.corner[k].x + c.dx * motion.progress, 1e-3f);
        EXPECT_NEAR(motion.current.corner[k].y, motion.start.corner[k].y + c.dy * motion.progress, 1e-3f);
      }
    }
    EXPECT_EQ(ticks, static_cast<int>(std::ceil(1.0f / motion.step - 1e-4f))) << c.dx << "," << c.dy;
    EXPECT_EQ(motion.current.corner[2].x, to.corner[2].x);
  }
  QuadMotion still;
  still.current = BoxQuad(0, 0, 10, 10);
  still.StartMove(still.current);
  still.StepMove();
  EXPECT_TRUE(still.AtRest());
}

TEST_F(PictQuadTest, FactoryMakesTheFourKinds) {
  for (const char* type : {"pict_move", "pict_rotate", "pict_15", "pict_puzzle"}) {
    std::unique_ptr<MiniGame> game(CreateMiniGame(type));
    ASSERT_NE(game, nullptr) << type;
    EXPECT_FALSE(game->ShowsDisabledList());
    EXPECT_FALSE(game->HasItemsCounter());
  }
}

TEST_F(PictQuadTest, MissingNumQuadMeansFourByFourAndTheSpriteHides) {
  LoadPicture("");
  PictMoveGame game;
  Start(game);
  EXPECT_EQ(game.mGridSize, 4);
  EXPECT_EQ(game.mPieces.size(), 16u);
  EXPECT_FLOAT_EQ(game.mSide, 60.0f);
  EXPECT_FALSE(game.mPictureObject->mVisible);
  EXPECT_EQ(game.mPicture->columns, 4);
  EXPECT_EQ(game.mPicture->rows, 4);
}

TEST_F(PictQuadTest, MoveGreyLevelsFollowHomeAndTheSelectionRectangleIsDrawn) {
  LoadPicture("3");
  PictMoveGame game;
  Start(game);
  for (const PictPiece& piece : game.mPieces) EXPECT_EQ(piece.grey, piece.AtHome() ? 255 : 180);
  ArrangeHomeExcept(game, game.mPieces, 0, 4);
  // Select the piece lying at place (1, 1): piece 0.
  ClickAt(game, PlaceCentre(1, 1, 3));
  ASSERT_EQ(game.mSelected, 0);
  screen.calls.clear();
  game.Draw(graphics);
  auto fill =
      std::find_if(screen.calls.begin(), screen.calls.end(), [](const DrawCall& c) { return c.kind == "fill"; });
  ASSERT_NE(fill, screen.calls.end());
  // Corner 0 at (180, 180), corner 2 at (260, 260).
  EXPECT_EQ(fill->rect, Rect(178, 178, 85, 85));
  EXPECT_EQ(fill->color, Color(255, 255, 0, 200));
  // The selected piece is drawn again over the rectangle.
  EXPECT_EQ(screen.calls.back().kind, "quad");
  EXPECT_EQ(screen.calls.back().column, 1);
  EXPECT_EQ(screen.calls.back().row, 1);
}

TEST_F(PictQuadTest, MoveSelectionClearsOnRightPressOrSecondPressAndSwapsIgnoreClicks) {
  LoadPicture("3");
  PictMoveGame game;
  Start(game);
  ArrangeHomeExcept(game, game.mPieces, 0, 1);
  ClickAt(game, PlaceCentre(2, 2, 3));
  EXPECT_EQ(game.mSelected, 8);
  ClickAt(game, PlaceCentre(0, 0, 3), -1);
  EXPECT_EQ(game.mSelected, -1);
  ClickAt(game, PlaceCentre(2, 2, 3));
  ClickAt(game, PlaceCentre(2, 2, 3));
  EXPECT_EQ(game.mSelected, -1);
  ClickAt(game, PlaceCentre(0, 0, 3));  // piece 1 lies at place 0
  EXPECT_EQ(game.mSelected, 1);
  ClickAt(game, PlaceCentre(1, 0, 3));
  EXPECT_EQ(game.mMoving[0], 1);
  EXPECT_EQ(game.mMoving[1], 0);
  EXPECT_EQ(Count("SOUND_CARD_FLIP"), 1);
  // Places change at once; clicks during the swap do nothing.
  EXPECT_TRUE(game.mPieces[0].AtHome());
  game.Update(++updateCount);
  ClickAt(game, PlaceCentre(2, 2, 3));
  EXPECT_EQ(game.mSelected, -1);
}

TEST_F(PictQuadTest, MoveSwapBringingBothHomePlaysTheEffectTwiceAndWins) {
  LoadPicture("3");
  PictMoveGame game;
  Start(game);
  ArrangeHomeExcept(game, game.mPieces, 2, 7);
  ClickAt(game, PlaceCentre(2, 0, 3));
  ClickAt(game, PlaceCentre(1, 2, 3));
  // The step is 8 / ~|corner 3's travel|; the end is noticed the tick after.
  const int steps = static_cast<int>(std::ceil(1.0f / game.mPieces[7].motion.step));
  for (int i = 0; i < steps; ++i) game.Update(++updateCount);
  EXPECT_EQ(Count("SOUND_GOOD_OBJECT"), 0);
  EXPECT_FALSE(game.IsWon());
  game.Update(++updateCount);
  EXPECT_EQ(Count("SOUND_GOOD_OBJECT"), 2);
  EXPECT_TRUE(game.IsWon());
  EXPECT_EQ(game.mPieces[2].grey, 255);
  EXPECT_EQ(game.mPieces[7].grey, 255);
  HintPoint a, b;
  EXPECT_EQ(game.GetHintPosition(a, b), kHintNone);
}

TEST_F(PictQuadTest, MoveSolvedStartIsWonOnlyAfterASwapAndTheSwapBack) {
  LoadPicture("3", /*withEffect=*/false);
  PictMoveGame game;
  Start(game);
  ArrangeHomeExcept(game, game.mPieces, 0, 0);
  Run(game, 5);
  EXPECT_FALSE(game.IsWon());
  ClickAt(game, PlaceCentre(0, 0, 3));
  ClickAt(game, PlaceCentre(1, 0, 3));
  Settle(game);
  EXPECT_FALSE(game.IsWon());
  EXPECT_EQ(game.mPieces[0].grey, 180);
  ClickAt(game, PlaceCentre(0, 0, 3));
  ClickAt(game, PlaceCentre(1, 0, 3));
  Settle(game);
  EXPECT_TRUE(game.IsWon());
  EXPECT_EQ(Count("SOUND_GOOD_OBJECT"), 0);  // no effect, no sound
}

TEST_F(PictQuadTest, MoveHintNamesTheFirstStrayPieceAndTheOwnerOfItsPlace) {
  LoadPicture("3");
  PictMoveGame game;
  Start(game);
  ArrangeHomeExcept(game, game.mPieces, 3, 5);
  HintPoint first, second;
  ASSERT_EQ(game.GetHintPosition(first, second), kHintClosedAtBoth);
  // Piece 3 lies at place 5 (2, 1); the piece whose home is there is 5, at (0, 1).
  EXPECT_FLOAT_EQ(first.x, PlaceCentre(2, 1, 3).x);
  EXPECT_FLOAT_EQ(first.y, PlaceCentre(2, 1, 3).y);
  EXPECT_FLOAT_EQ(second.x, PlaceCentre(0, 1, 3).x);
  EXPECT_FLOAT_EQ(second.y, PlaceCentre(0, 1, 3).y);
}

TEST_F(PictQuadTest, RotateStartsWithNoUprightPieceAndTurnsBothWays) {
  LoadPicture("4");
  PictRotateGame game;
  Start(game);
  for (const PictRotatePiece& piece : game.mPieces) EXPECT_LT(piece.turn, 3);
  PictRotatePiece& piece = game.mPieces[0];
  piece.turn = 0;
  piece.motion.current = piece.motion.target = RotateQuad(game.HomeQuad(0, 0), 0);
  ClickAt(game, PlaceCentre(0, 0, 4), -1);
  EXPECT_EQ(piece.turn, 3);
  EXPECT_EQ(Count("SOUND_CARD_FLIP"), 1);
  const Quad upright = game.HomeQuad(0, 0);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(piece.motion.target.corner[k].x, upright.corner[k].x);
  ClickAt(game, PlaceCentre(1, 0, 4));  // ignored while turning
  EXPECT_EQ(game.mMoving, 0);
  for (int i = 0; i < 40 && game.mMoving >= 0; ++i) game.Update(++updateCount);
  ClickAt(game, PlaceCentre(0, 0, 4));
  EXPECT_EQ(piece.turn, 0);
  const Quad quarter = RotateQuad(upright, 0);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(piece.motion.target.corner[k].y, quarter.corner[k].y);
}

TEST_F(PictQuadTest, RotateIsWonWhenEveryPieceIsUpright) {
  LoadPicture("2");
  PictRotateGame game;
  Start(game);
  for (int i = 0; i < 4; ++i) {
    while (game.mPieces[i].turn != 3) {
      ClickAt(game, PlaceCentre(i % 2, i / 2, 2));
      for (int t = 0; t < 60 && game.mMoving >= 0; ++t) game.Update(++updateCount);
      if (i < 3) {
        EXPECT_FALSE(game.IsWon());
      }
    }
  }
  EXPECT_TRUE(game.IsWon());
}

// Slides reachable from the solved board of side n, as strings of the place
// of each home index.
std::map<std::string, int> Reachable(int n) {
  std::string solved;
  for (int i = 0; i < n * n; ++i) solved.push_back(static_cast<char>(i));
  std::map<std::string, int> seen{{solved, 0}};
  std::queue<std::string> open;
  open.push(solved);
  while (!open.empty()) {
    const std::string state = open.front();
    open.pop();
    const int empty = state.back();
    const int er = empty / n, ec = empty % n;
    for (int i = 0; i + 1 < n * n; ++i) {
      const int r = state[i] / n, c = state[i] % n;
      if (std::abs(r - er) + std::abs(c - ec) != 1) continue;
      std::string next = state;
      std::swap(next[i], next.back());
      if (seen.emplace(next, seen[state] + 1).second) open.push(next);
    }
  }
  return seen;
}

std::string Places(const std::vector<PictPiece>& pieces, int n) {
  std::string out;
  for (const PictPiece& p : pieces) out.push_back(static_cast<char>(p.row * n + p.column));
  return out;
}

TEST_F(PictQuadTest, FifteenEveryStartIsSolvableAndDrawsAsManyValuesAsBefore) {
  LoadPicture("2");
  const std::map<std::string, int> reachable = Reachable(2);
  ASSERT_EQ(reachable.size(), 12u);
  for (uint32_t seed = 1; seed <= 500; ++seed) {
    // The plain shuffle's draws: n^2 values of LcgRandomInt(n^2), then the next.
    LcgSeed(seed);
    for (int i = 0; i < 4; ++i) LcgRandomInt(4);
    const int32_t nextPlain = LcgRandomInt(1000);
    LcgSeed(seed);
    Pict15Game game;
    Start(game);
    EXPECT_EQ(reachable.count(Places(game.mPieces, 2)), 1u) << "seed " << seed;
    EXPECT_EQ(LcgRandomInt(1000), nextPlain) << "seed " << seed;
  }
}

TEST_F(PictQuadTest, FifteenParityRuleAgreesWithTheSlidesOnThreeByThree) {
  LoadPicture("3");
  const std::map<std::string, int> reachable = Reachable(3);
  ASSERT_EQ(reachable.size(), 181440u);
  int mended = 0;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    // The plain shuffle, judged by the rule and by the slides.
    LcgSeed(seed);
    Pict15Game plain;
    Start(plain);
    std::vector<PictPiece> unmended = plain.mPieces;
    ArrangeHomeExcept(plain, unmended, 0, 0);
    LcgSeed(seed);
    for (int i = 0; i < 9; ++i) {
      const int j = LcgRandomInt(9);
      std::swap(unmended[i].column, unmended[j].column);
      std::swap(unmended[i].row, unmended[j].row);
    }
    const bool solvable = reachable.count(Places(unmended, 3)) == 1;
    EXPECT_EQ(Pict15Game::Solvable(unmended, 3), solvable) << "seed " << seed;
    if (!solvable) ++mended;
    EXPECT_EQ(reachable.count(Places(plain.mPieces, 3)), 1u) << "seed " << seed;
  }
  EXPECT_GT(mended, 0);  // the seeds include shuffles that needed the mend
}

TEST_F(PictQuadTest, FifteenMovesOnlyTheOrthogonalNeighboursOfTheEmptyPlace) {
  LoadPicture("3");
  Pict15Game game;
  Start(game);
  ArrangeHomeExcept(game, game.mPieces, 0, 0);  // empty place at (2, 2)
  for (const HintPoint& p : {PlaceCentre(1, 1, 3), PlaceCentre(0, 2, 3), PlaceCentre(2, 0, 3)}) {
    ClickAt(game, p);
    EXPECT_EQ(game.mMoving, -1);
  }
  ClickAt(game, PlaceCentre(2, 1, 3), -1);  // any button slides
  EXPECT_EQ(game.mMoving, 5);
  EXPECT_EQ(game.mPieces[8].row, 1);
  for (int i = 0; i < 40 && game.mMoving >= 0; ++i) game.Update(++updateCount);
  EXPECT_FALSE(game.IsWon());
  ClickAt(game, PlaceCentre(2, 2, 3));
  for (int i = 0; i < 40 && game.mMoving >= 0; ++i) game.Update(++updateCount);
  EXPECT_TRUE(game.IsWon());
  EXPECT_EQ(Count("SOUND_CARD_FLIP"), 2);
}

TEST_F(PictQuadTest, FifteenOfOnePieceNeverMovesNorWins) {
  LoadPicture("1");
  Pict15Game game;
  Start(game);
  ClickAt(game, PlaceCentre(0, 0, 1));
  Run(game, 10);
  EXPECT_FALSE(game.IsWon());
  EXPECT_FALSE(game.IsUnplayable());
}

TEST_F(PictQuadTest, PuzzleStartsWithNFixedPiecesAndTheOthersOutsideThePicture) {
  LoadPicture("4");
  for (uint32_t seed : {1u, 7u, 99u}) {
    LcgSeed(seed);
    PictPuzzleGame game;
    Start(game);
    int fixed = 0;
    for (int c = 0; c < 16; ++c) fixed += game.IsFixed(c) ? 1 : 0;
    EXPECT_EQ(fixed, 4);
    EXPECT_EQ(game.mLoose.size(), 12u);
    for (int index : game.mLoose) {
      const PictPuzzlePiece& piece = game.mPieces[index];
      EXPECT_FALSE(PointInQuad(game.mPictureObject->mBaseQuad, piece.centre.x, piece.centre.y));
      EXPECT_LT(piece.turn, 3);
    }
  }
}

TEST_F(PictQuadTest, PuzzlePickTurnDropAndFixedPieces) {
  LoadPicture("2");
  PictPuzzleGame game;
  Start(game);
  // A fixed piece is not picked up.
  int fixedCell = 0;
  while (!game.IsFixed(fixedCell)) ++fixedCell;
  const HintPoint fixedAt = QuadCentre(game.mCells[fixedCell].home);
  ClickAt(game, fixedAt);
  EXPECT_EQ(game.mHeld, -1);
  EXPECT_EQ(Count("SOUND_BTN_CLK"), 0);

  const int index = game.mLoose.back();
  const HintPoint at = game.mPieces[index].centre;
  const float pressX = std::trunc(at.x) + 3.0f;
  ClickAt(game, {pressX, at.y + 2});
  ASSERT_EQ(game.mHeld, index);
  EXPECT_EQ(Count("SOUND_BTN_CLK"), 1);
  EXPECT_FLOAT_EQ(game.mGrabX, at.x - pressX);

  // Turning: a right press at rest; a second during the turn does nothing.
  const int turn = game.mPieces[index].turn;
  ClickAt(game, {at.x + 3, at.y + 2}, -1);
  ClickAt(game, {at.x + 3, at.y + 2}, -1);
  EXPECT_EQ(game.mPieces[index].turn, (turn + 1) % 4);
  EXPECT_EQ(Count("SOUND_CARD_FLIP"), 1);
  Run(game, 40);

  // A drop over no empty place goes on top of the loose list.
  game.MouseMove(20, 560);
  Run(game, 1);
  ClickAt(game, {20, 560});
  EXPECT_EQ(game.mHeld, -1);
  EXPECT_EQ(game.mLoose.back(), index);
  EXPECT_EQ(Count("SOUND_BTN_CLK"), 2);
  EXPECT_FLOAT_EQ(game.mPieces[index].centre.x, 20.0f + at.x - pressX);
}

TEST_F(PictQuadTest, PuzzleIsWonWhenEveryPieceLiesHomeUpright) {
  LoadPicture("2");
  PictPuzzleGame game;
  Start(game);
  while (!game.mLoose.empty()) {
    const int index = game.mLoose.back();
    ClickAt(game, game.mPieces[index].centre);
    while (game.mPieces[index].turn != 3) {
      ClickAt(game, game.mPieces[index].centre, -1);
      Run(game, 40);
    }
    ClickAt(game, QuadCentre(game.mCells[index].home));
    EXPECT_EQ(game.mCells[index].piece, index);
    Run(game, 40);
  }
  EXPECT_TRUE(game.IsWon());
  EXPECT_EQ(Count("SOUND_GOOD_OBJECT"), 2);  // the two loose pieces of a 2 x 2 board
}

TEST_F(PictQuadTest, BadPictureDataLeavesEveryKindIdle) {
  struct Case {
    const char* what;
    std::string n;
    bool picture;
    const char* logged;
  };
  const Case cases[] = {
      {"no sprGame", "3", false, "no \"sprGame\""},
      {"n of 0", "0", true, "\"_iNumQuad\" 0"},
      {"n negative", "-2", true, "\"_iNumQuad\" -2"},
      {"n too large", "33", true, "\"_iNumQuad\" 33"},
  };
  for (const Case& c : cases) {
    for (const char* type : {"pict_move", "pict_rotate", "pict_15", "pict_puzzle"}) {
      DeleteObjects(level);
      context.log.clear();
      LoadPicture(c.n, true, c.picture);
      std::unique_ptr<MiniGame> game(CreateMiniGame(type));
      Start(*game);
      EXPECT_TRUE(game->IsUnplayable()) << c.what << " " << type;
      EXPECT_TRUE(Logged(c.logged)) << c.what << " " << type;
      EXPECT_TRUE(Logged(type)) << c.what;
      ClickAt(*game, PlaceCentre(0, 0, 3));
      Run(*game, 5);
      game->Draw(graphics);
      HintPoint a, b;
      EXPECT_EQ(game->GetHintPosition(a, b), kHintNone) << type;
      EXPECT_FALSE(game->IsWon());
    }
  }
}

TEST_F(PictQuadTest, SpriteWithoutAPictureIsUnplayable) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Record("sprGame", 3, kLeft, kTop, 100, 100, {{"_keyImg", "missing"}}));
  LoadLevel({CelPicture()}, root);
  PictMoveGame game;
  Start(game);
  EXPECT_TRUE(game.IsUnplayable());
  EXPECT_TRUE(Logged("\"sprGame\" has no picture"));
}

TEST_F(PictQuadTest, ThePicturesCelGridIsGivenBackWhenTheGameGoes) {
  LoadPicture("3");
  MemoryImage* picture = GetImageByKey("pic");
  ASSERT_NE(picture, nullptr);
  const int columns = picture->columns;
  const int rows = picture->rows;
  {
    PictRotateGame game;
    Start(game);
    EXPECT_EQ(picture->columns, 3);
    EXPECT_EQ(picture->rows, 3);
  }
  EXPECT_EQ(picture->columns, columns);
  EXPECT_EQ(picture->rows, rows);
  ReleaseImageByKey("pic");
}

}  // namespace
}  // namespace leveltest
