// The jigsaw: the jittered cut and its seams, the shuffle with fixes and
// areas, picking up, turning, snapping home, drawing, and bad level data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/ImageTable.h"
#include "engine/ObjectKinds.h"
#include "engine/SoundEmitterKinds.h"
#include "image/MemoryImage.h"
#include "levels/MiniGameFactory.h"
#include "levels/PuzzleGame.h"
#include "shell/base/TwisterRandom.h"
#include "tests/levels/minigame_kit.h"

namespace leveltest {
namespace {

// A 120 x 90 picture, opaque, every pixel its own colour.
TestImage JigsawPicture() {
  TestImage image;
  image.key = "pic";
  image.width = 120;
  image.height = 90;
  image.pixel = [](int x, int y) { return 0xFF000000u | (static_cast<uint32_t>(x) << 16) | static_cast<uint32_t>(y); };
  return image;
}

// Records the textured triangles the board draws.
class TriangleScreen : public kindstest::RecordingImage {
 public:
  void DrawTexturedTriangles(Image* texture, const TexturedVertex* vertices, int32_t count, const Rect&, const Color&,
                             int32_t, float offsetX, float offsetY, bool) override {
    for (int i = 0; i < 3 * count; ++i) {
      TexturedVertex v = vertices[i];
      v.x += offsetX;
      v.y += offsetY;
      triangles.push_back(v);
    }
  }
  std::vector<TexturedVertex> triangles;
};

bool AllOpaque(MemoryImage* image) {
  const uint32_t* bits = image->GetBits();
  for (size_t i = 0; i < image->PixelCount(); ++i) {
    if ((bits[i] >> 24) != 0xFF) return false;
  }
  return true;
}

class PuzzleTest : public MiniGameKit {
 protected:
  void SetUp() override {
    MiniGameKit::SetUp();
    RegisterDrawingKinds();
    RegisterSoundAndEmitterKinds();
  }

  // The picture at (200, 100); shuffle areas given as (x, y, w, h).
  void LoadPuzzle(const std::string& rows, const std::string& columns, const std::string& fixes,
                  const std::vector<Rect>& areas = {}, bool withPicture = true) {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600,
                            {{"_iPuzzleRows", rows}, {"_iPuzzleCols", columns}, {"_iPuzzleFixs", fixes}});
    if (withPicture) root.Child(Record("sprPuzzle", 3, 200, 100, 120, 90, {{"_keyImg", "pic"}}));
    for (const Rect& area : areas) {
      root.Child(Record("rectShuffle", 3, static_cast<float>(area.x), static_cast<float>(area.y),
                        static_cast<float>(area.width), static_cast<float>(area.height)));
    }
    root.Child(Record("effOnPlace", 15, 0, 0, 10, 10));
    LoadLevel({JigsawPicture()}, root);
  }

  // Presses on the board at board coordinates.
  static void Press(PuzzleGame& game, float bx, float by, int clicks = 1) {
    game.MouseDown(static_cast<int>(bx) + game.mBoard.mX, static_cast<int>(by) + game.mBoard.mY, clicks);
  }
};

TEST_F(PuzzleTest, TheCutKeepsTheBorderAndJittersInteriorPointsDownwardOnly) {
  LoadPuzzle("3", "4", "0");
  for (uint32_t seed : {1u, 2u, 3u}) {
    gRandom.Seed(seed);
    PuzzleGame game;
    Start(game);
    JigsawBoard board;
    board.SetPicture(*game.mBoard.Picture());
    board.mRows = 3;
    board.mColumns = 4;
    board.Cut();
    ASSERT_EQ(board.mPieces.size(), 12u);
    const float cw = 30.0f, ch = 30.0f;
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 4; ++j) {
        const JigsawPiece& piece = board.mPieces[i * 4 + j];
        EXPECT_EQ(piece.x, piece.homeX);
        for (int k = 0; k < 4; ++k) {
          const int gi = i + (k >= 2 ? 1 : 0);
          const int gj = j + (k == 1 || k == 2 ? 1 : 0);
          const float px = piece.homeX + piece.quad.corner[k].x;
          const float py = piece.homeY + piece.quad.corner[k].y;
          const float gx = gj == 4 ? 119.0f : cw * gj;
          const float gy = gi == 3 ? 89.0f : ch * gi;
          EXPECT_NEAR(piece.uv[k].x, px / 120.0f, 1e-5f);
          EXPECT_NEAR(piece.uv[k].y, py / 90.0f, 1e-5f);
          if (gi == 0 || gi == 3 || gj == 0 || gj == 4) {
            EXPECT_NEAR(px, gx, 1e-4f);
            EXPECT_NEAR(py, gy, 1e-4f);
          } else {
            EXPECT_GE(py, gy - 1e-4f);
            EXPECT_LE(std::hypot(px - gx, py - gy), 0.45f * 30.0f + 1e-3f);
          }
        }
      }
    }
  }
}

TEST_F(PuzzleTest, TheSeamsAreOnePixelAndTransparent) {
  LoadPuzzle("1", "2", "0");
  PuzzleGame game;
  Start(game);
  MemoryImage* picture = game.mBoard.Picture();
  const uint32_t* bits = picture->GetBits();
  auto alpha = [&](int x, int y) { return bits[y * 120 + x] >> 24; };
  EXPECT_EQ(alpha(60, 45), 0u);  // the cut between the two cells
  EXPECT_EQ(alpha(59, 45), 255u);
  EXPECT_EQ(alpha(61, 45), 255u);
  EXPECT_EQ(alpha(0, 45), 0u);  // the border lines
  EXPECT_EQ(alpha(119, 45), 0u);
  EXPECT_EQ(alpha(30, 0), 0u);
  EXPECT_EQ(alpha(30, 89), 0u);
  EXPECT_EQ(alpha(30, 45), 255u);
  EXPECT_EQ(bits[45 * 120 + 30] & 0xFFFFFFu, (30u << 16) | 45u);  // colours stay
}

TEST_F(PuzzleTest, PiecesSnapCloserThanFivePixelsAndOnlyUpright) {
  struct Case {
    float dx, dy;
    int angle;
    bool fixes;
  };
  for (const Case& c : {Case{4.9f, 0, 0, true}, Case{5.0f, 0, 0, false}, Case{3.0f, 4.0f, 0, false},
                        Case{-3.0f, -3.9f, 0, true}, Case{0, 0, 90, false}, Case{0, 0, 270, false}}) {
    DeleteObjects(level);
    LoadPuzzle("1", "2", "0");
    PuzzleGame game;
    Start(game);
    JigsawPiece& top = game.mBoard.mPieces[0];
    Press(game, top.x, top.y);  // the first piece is the top one
    ASSERT_TRUE(game.mBoard.mHolding);
    JigsawPiece& held = game.mBoard.mPieces[0];
    held.angle = c.angle;
    held.RebuildTransform();
    held.x = held.homeX + c.dx;
    held.y = held.homeY + c.dy;
    Press(game, 5, 5);
    EXPECT_FALSE(game.mBoard.mHolding);
    EXPECT_EQ(game.mBoard.mFixedCount, c.fixes ? 1 : 0) << c.dx << "," << c.dy << " " << c.angle;
    if (c.fixes) {
      const JigsawPiece& fixed = game.mBoard.mPieces.back();
      EXPECT_TRUE(fixed.fixed);
      EXPECT_EQ(fixed.x, fixed.homeX);
    } else {
      EXPECT_EQ(game.mBoard.mPieces[0].x, game.mBoard.mPieces[0].homeX + c.dx);  // stays where put
    }
  }
}

TEST_F(PuzzleTest, APressTakesTheTopmostLoosePieceEvenWithTheRightButton) {
  LoadPuzzle("2", "2", "0");
  PuzzleGame game;
  Start(game);
  auto& pieces = game.mBoard.mPieces;
  for (JigsawPiece& piece : pieces) {
    piece.x = 300;
    piece.y = 200;
    piece.angle = 0;
    piece.RebuildTransform();
  }
  const float homeOfThird = pieces[2].homeX;
  std::rotate(pieces.begin(), pieces.begin() + 2, pieces.begin() + 3);
  EXPECT_EQ(pieces[0].homeX, homeOfThird);
  pieces[1].fixed = true;
  Press(game, 300, 200, -1);
  ASSERT_TRUE(game.mBoard.mHolding);
  EXPECT_EQ(pieces[0].homeX, homeOfThird);
  // While held, right presses turn it a quarter at a time.
  Press(game, 300, 200, -1);
  Press(game, 300, 200, -1);
  EXPECT_EQ(pieces[0].angle, 180);
  // It follows the pointer by the grab offset.
  game.MouseMove(game.mBoard.mX + 340, game.mBoard.mY + 250);
  game.Update(++updateCount);
  EXPECT_EQ(pieces[0].x, 340.0f);
  EXPECT_EQ(pieces[0].y, 250.0f);
}

TEST_F(PuzzleTest, LoosePiecesDrawAShadowAndEveryPieceDrawsHalfAPixelUpLeft) {
  LoadPuzzle("1", "2", "1");
  PuzzleGame game;
  Start(game);
  TriangleScreen board;
  Graphics g(&board);
  game.mBoard.Draw(g);
  // The loose piece (first of the list, drawn last): shadow then piece; the
  // fixed piece at the bottom: no shadow.
  ASSERT_EQ(board.triangles.size(), 18u);
  const JigsawPiece& loose = game.mBoard.mPieces[0];
  const Quad quad = loose.ScreenQuad();
  const TexturedVertex& shadow = board.triangles[6];
  const TexturedVertex& piece = board.triangles[12];
  EXPECT_FLOAT_EQ(shadow.x, quad.corner[0].x + 7.5f);
  EXPECT_FLOAT_EQ(shadow.y, quad.corner[0].y + 7.5f);
  EXPECT_EQ(shadow.color, 0x96000000u);
  EXPECT_FLOAT_EQ(piece.x, quad.corner[0].x - 0.5f);
  EXPECT_EQ(piece.color, 0xFFFFFFFFu);
  EXPECT_FLOAT_EQ(piece.u, loose.uv[0].x);
  // Triangles (0, 1, 3) and (1, 2, 3).
  EXPECT_FLOAT_EQ(board.triangles[14].x, quad.corner[3].x - 0.5f);
  EXPECT_FLOAT_EQ(board.triangles[16].x, quad.corner[2].x - 0.5f);
  EXPECT_EQ(board.triangles[0].color, 0xFFFFFFFFu);
}

TEST_F(PuzzleTest, TheLastFixWinsAndLeavesTheBoardsPictureSeamless) {
  LoadPuzzle("1", "2", "1", {{400, 300, 50, 40}});
  PuzzleGame game;
  Start(game);
  ASSERT_FALSE(AllOpaque(game.mBoard.Picture()));
  JigsawPiece& loose = game.mBoard.mPieces[0];
  ASSERT_FALSE(loose.fixed);
  // Scattered inside the area, relative to the board's place.
  EXPECT_GE(loose.x, 200.0f);
  EXPECT_LT(loose.x, 250.0f);
  EXPECT_GE(loose.y, 200.0f);
  EXPECT_LT(loose.y, 240.0f);
  const float dx = loose.homeX - loose.x;
  const float dy = loose.homeY - loose.y;
  Press(game, loose.x, loose.y);
  while (game.mBoard.mPieces[0].angle != 0) Press(game, 0, 0, -1);
  const int px = static_cast<int>(std::lround(game.mBoard.mPieces[0].x + dx + game.mBoard.mGrabX));
  const int py = static_cast<int>(std::lround(game.mBoard.mPieces[0].y + dy + game.mBoard.mGrabY));
  game.MouseMove(px + game.mBoard.mX, py + game.mBoard.mY);
  game.MouseDown(px + game.mBoard.mX, py + game.mBoard.mY, 1);
  EXPECT_EQ(game.mBoard.mFixedCount, 2);
  EXPECT_FALSE(game.IsWon());
  Run(game, 1);
  EXPECT_TRUE(game.IsWon());
  EXPECT_TRUE(AllOpaque(game.mBoard.Picture()));
}

TEST_F(PuzzleTest, AnAbandonedLevelLeavesTheTablesPictureUntouched) {
  LoadPuzzle("3", "3", "2");
  MemoryImage* shared = GetImageByKey("pic");
  ASSERT_NE(shared, nullptr);
  {
    PuzzleGame game;
    Start(game);
    EXPECT_NE(game.mBoard.Picture(), shared);
    EXPECT_FALSE(AllOpaque(game.mBoard.Picture()));
    EXPECT_TRUE(AllOpaque(shared));
  }
  // The picture serves the next user without seams.
  EXPECT_TRUE(AllOpaque(shared));
  PuzzleGame again;
  Start(again);
  EXPECT_TRUE(AllOpaque(shared));
  ReleaseImageByKey("pic");
}

TEST_F(PuzzleTest, FixesAreClampedToThePieceCountAndAllFixedWinsAtOnce) {
  for (const char* fixes : {"4", "99"}) {
    DeleteObjects(level);
    LoadPuzzle("2", "2", fixes);
    PuzzleGame game;
    Start(game);
    EXPECT_EQ(game.mBoard.mFixedCount, 4) << fixes;
    for (const JigsawPiece& piece : game.mBoard.mPieces) EXPECT_TRUE(piece.fixed);
    Press(game, 30, 30);
    EXPECT_FALSE(game.mBoard.mHolding);
    Run(game, 1);
    EXPECT_TRUE(game.IsWon());
  }
  DeleteObjects(level);
  LoadPuzzle("2", "2", "-3");
  PuzzleGame none;
  Start(none);
  EXPECT_EQ(none.mBoard.mFixedCount, 0);
}

TEST_F(PuzzleTest, AnAreaWithoutWidthOrHeightIsSkippedWithALogLine) {
  LoadPuzzle("2", "2", "0", {{400, 300, 0, 40}, {500, 300, 30, 20}, {600, 300, 30, -5}});
  PuzzleGame game;
  Start(game);
  EXPECT_TRUE(Logged("skips a \"rectShuffle\" of 0 x 40"));
  EXPECT_TRUE(Logged("skips a \"rectShuffle\" of 30 x -5"));
  ASSERT_EQ(game.mBoard.mShuffleAreas.size(), 1u);
  EXPECT_EQ(game.mBoard.mShuffleAreas[0], Rect(300, 200, 30, 20));
  for (const JigsawPiece& piece : game.mBoard.mPieces) {
    EXPECT_GE(piece.x, 300.0f);
    EXPECT_LT(piece.x, 330.0f);
  }
}

TEST_F(PuzzleTest, WithoutAreasLoosePiecesStayHomeButTurned) {
  LoadPuzzle("2", "3", "0");
  PuzzleGame game;
  Start(game);
  for (const JigsawPiece& piece : game.mBoard.mPieces) {
    EXPECT_EQ(piece.x, piece.homeX);
    EXPECT_EQ(piece.angle % 90, 0);
  }
  EXPECT_FALSE(game.IsWon());
}

TEST_F(PuzzleTest, TheLargestCutOfATinyPictureStillPlays) {
  DtmRecord root =
      Record("level", 3, 0, 0, 800, 600, {{"_iPuzzleRows", "32"}, {"_iPuzzleCols", "32"}, {"_iPuzzleFixs", "5000"}});
  root.Child(Record("sprPuzzle", 3, 200, 100, 3, 2, {{"_keyImg", "tiny"}}));
  root.Child(Record("rectShuffle", 3, 400, 300, 1, 1));
  LoadLevel({SolidImage("tiny", 3, 2)}, root);
  PuzzleGame game;
  Start(game);
  EXPECT_FALSE(game.IsUnplayable());
  EXPECT_EQ(game.mBoard.mPieces.size(), 1024u);
  Run(game, 1);
  EXPECT_TRUE(game.IsWon());
  game.Draw(graphics);
}

TEST_F(PuzzleTest, BadCutsOrAMissingPictureLeaveTheGameIdle) {
  struct Case {
    const char* rows;
    const char* columns;
    bool picture;
    const char* logged;
  };
  for (const Case& c : {Case{"0", "2", true, "a cut of 0 x 2"}, Case{"2", "", true, "a cut of 2 x 0"},
                        Case{"33", "2", true, "a cut of 33 x 2"}, Case{"2", "-1", true, "a cut of 2 x -1"},
                        Case{"2", "2", false, "no \"sprPuzzle\""}}) {
    DeleteObjects(level);
    LoadPuzzle(c.rows, c.columns, "0", {}, c.picture);
    std::unique_ptr<MiniGame> game(CreateMiniGame("puzzle"));
    ASSERT_NE(game, nullptr);
    Start(*game);
    EXPECT_TRUE(game->IsUnplayable()) << c.logged;
    EXPECT_TRUE(Logged(c.logged)) << c.logged;
    game->MouseDown(230, 130, 1);
    game->MouseMove(240, 140);
    Run(*game, 3);
    game->Draw(graphics);
    EXPECT_FALSE(game->IsWon());
    HintPoint a, b;
    EXPECT_EQ(game->GetHintPosition(a, b), kHintNone);
  }
}

}  // namespace
}  // namespace leveltest
