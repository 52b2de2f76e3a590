// Association puzzle: cells and elements bound to a scene built in code,
// picking, dropping into empty cells, locking the cell's own element, and
// the win.
#include <gtest/gtest.h>

#include "engine/SpriteKinds.h"
#include "levels/AssocGame.h"
#include "levels/MiniGameFactory.h"
#include "tests/levels/kinds_kit.h"

namespace leveltest {
namespace {

DtmRecord Cell(const std::string& name, const std::string& element, float left, float top) {
  return Record(name, 3, left, top, 80, 80, {{"_keyImg", "cellImg"}, {"_Element", element}});
}

DtmRecord Element(const std::string& name, float left, float top) {
  return Record(name, 3, left, top, 40, 40, {{"_keyImg", "elemImg"}});
}

TestImage CellImage() {
  TestImage image = SolidImage("cellImg", 160, 80);
  image.columns = 2;
  return image;
}

class AssocTest : public KindsKit {
 protected:
  // Two cells with their elements, far apart, and a plain picture.
  void LoadTwoPairs() {
    DtmRecord root = Record("level", 3, 0, 0, 800, 600);
    root.Child(Cell("cellA", "elementA", 100, 100))
        .Child(Cell("cellB", "elementB", 300, 100))
        .Child(Element("elementA", 100, 400))
        .Child(Element("elementB", 300, 400))
        .Child(Record("picture", 3, 500, 500, 20, 20, {{"_keyImg", "elemImg"}}));
    LoadLevel({CellImage(), SolidImage("elemImg", 40, 40)}, root);
  }
  // Press at (x, y), move to (toX, toY), release there, then one update.
  void Drag(AssocGame& game, int x, int y, int toX, int toY) {
    game.MouseDown(x, y, 1);
    game.MouseMove(toX, toY);
    game.MouseUp(toX, toY, 1);
    Run(game, 1);
  }
  Vec2 Centre(const std::string& name) { return Object(name)->mCentre; }
};

TEST_F(AssocTest, CellsAndElementsAreBoundByNamePrefix) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Cell("cell", "element7", 100, 100))
      .Child(Cell("cellelement", "", 300, 100))  // "cell" first: a cell
      .Child(Element("element7", 100, 400))
      .Child(Element("elementary", 200, 400))
      .Child(Record("myelement", 3, 500, 500, 20, 20));
  LoadLevel({CellImage(), SolidImage("elemImg", 40, 40)}, root);
  AssocGame game;
  Start(game);
  ASSERT_NE(Object("cell")->mSceneEntity, nullptr);
  EXPECT_EQ(Object("cell")->mSceneEntity->mKind, 3);
  EXPECT_EQ(Object("cellelement")->mSceneEntity->mKind, 3);
  EXPECT_EQ(Object("element7")->mSceneEntity->mKind, 2);
  EXPECT_EQ(Object("elementary")->mSceneEntity->mKind, 2);
  EXPECT_EQ(Object("myelement")->mSceneEntity, nullptr);
  EXPECT_EQ(game.mCells->Children().size(), 2u);
  EXPECT_EQ(game.mElements->Children().size(), 2u);
  EXPECT_FLOAT_EQ(Object("element7")->mSceneEntity->mPositionX, 120.0f);
  // A scene update leaves unmoved objects where the level put them.
  Run(game, 1);
  EXPECT_FLOAT_EQ(Centre("element7").x, 120.0f);
  EXPECT_FLOAT_EQ(Object("element7")->mBaseQuad.corner[0].y, 400.0f);
}

TEST_F(AssocTest, OwnElementLocksCentredAndWinsWhenAllAreLocked) {
  LoadTwoPairs();
  AssocGame game;
  Start(game);
  // Grab elementA off-centre and let it go with its centre inside cellA.
  Drag(game, 110, 410, 150, 150);  // centre (120, 420) + (40, -260) = (160, 160)
  EXPECT_FLOAT_EQ(Centre("elementA").x, 140.0f);
  EXPECT_FLOAT_EQ(Centre("elementA").y, 140.0f);
  auto* elementA = static_cast<AssocElement*>(Object("elementA")->mSceneEntity);
  EXPECT_TRUE(elementA->mLocked);
  EXPECT_EQ(game.mLockedCount, 1);
  EXPECT_EQ(static_cast<sObjSprite*>(Object("cellA"))->mFrameColumn, 2);
  EXPECT_EQ(static_cast<sObjSprite*>(Object("cellB"))->mFrameColumn, 1);
  // A locked element cannot be picked: the press finds the cell only.
  game.MouseDown(140, 140, 1);
  EXPECT_EQ(game.mDragged, nullptr);
  EXPECT_FALSE(game.IsWon());
  Drag(game, 320, 420, 340, 140);
  EXPECT_EQ(game.mLockedCount, 2);
  EXPECT_TRUE(game.IsWon());
}

// Names need not be unique: every cell and element takes part, and the
// level is won only when both elements of one name are locked. The objects
// keep no entity of the game after it is gone.
TEST_F(AssocTest, CellsAndElementsSharingANameAllCount) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Cell("cellA", "elementA", 100, 100))
      .Child(Cell("cellA", "elementA", 300, 100))
      .Child(Element("elementA", 100, 400))
      .Child(Element("elementA", 300, 400));
  LoadLevel({CellImage(), SolidImage("elemImg", 40, 40)}, root);
  {
    AssocGame game;
    Start(game);
    EXPECT_EQ(game.mCells->Children().size(), 2u);
    EXPECT_EQ(game.mElements->Children().size(), 2u);
    for (sObj* object : level) {
      if (object->mName != "level") {
        EXPECT_NE(object->mSceneEntity, nullptr) << object->mName;
      }
    }
    Drag(game, 120, 420, 140, 140);
    EXPECT_EQ(game.mLockedCount, 1);
    EXPECT_FALSE(game.IsWon());
    Drag(game, 320, 420, 340, 140);
    EXPECT_EQ(game.mLockedCount, 2);
    EXPECT_TRUE(game.IsWon());
  }
  for (sObj* object : level) EXPECT_EQ(object->mSceneEntity, nullptr) << object->mName;
}

TEST_F(AssocTest, WrongElementOccupiesTheCellUntilPickedUp) {
  LoadTwoPairs();
  AssocGame game;
  Start(game);
  Drag(game, 320, 420, 140, 140);  // elementB into cellA
  auto* cellA = static_cast<AssocCell*>(Object("cellA")->mSceneEntity);
  auto* elementB = static_cast<AssocElement*>(Object("elementB")->mSceneEntity);
  EXPECT_EQ(cellA->mOccupant, elementB);
  EXPECT_FALSE(elementB->mLocked);
  EXPECT_FLOAT_EQ(Centre("elementB").x, 140.0f);
  EXPECT_EQ(static_cast<sObjSprite*>(Object("cellA"))->mFrameColumn, 1);
  // elementA dropped on the occupied cell stays where it was let go.
  Drag(game, 120, 420, 150, 170);
  EXPECT_FLOAT_EQ(Centre("elementA").x, 150.0f);
  EXPECT_FLOAT_EQ(Centre("elementA").y, 170.0f);
  EXPECT_EQ(game.mLockedCount, 0);
  // Picking elementB up frees the cell; the picked object is drawn last.
  // (elementA lies over elementB at (140, 140), so press where only B is.)
  game.MouseDown(125, 125, 1);
  EXPECT_EQ(game.mDragged, elementB);
  EXPECT_EQ(cellA->mOccupant, nullptr);
  EXPECT_EQ(level[level.size() - 1], Object("elementB"));
  game.MouseMove(305, 305);
  game.MouseUp(305, 305, 1);
  Run(game, 1);
  Drag(game, 150, 170, 140, 140);
  EXPECT_EQ(game.mLockedCount, 1);
}

TEST_F(AssocTest, TheCellTestUsesTheElementNotThePointer) {
  LoadTwoPairs();
  AssocGame game;
  Start(game);
  // Grabbed at its top-left corner, elementA's centre ends 20 px right and
  // below the pointer: the pointer lies in cellA, the centre outside it.
  Drag(game, 100, 400, 170, 170);
  EXPECT_FLOAT_EQ(Centre("elementA").x, 190.0f);
  EXPECT_EQ(game.mLockedCount, 0);
  EXPECT_EQ(static_cast<AssocCell*>(Object("cellA")->mSceneEntity)->mOccupant, nullptr);
}

TEST_F(AssocTest, NoElementsIsWonAtTheFirstUpdate) {
  DtmRecord root = Record("level", 3, 0, 0, 800, 600);
  root.Child(Cell("cellA", "elementA", 100, 100));
  LoadLevel({CellImage()}, root);
  std::unique_ptr<MiniGame> game(CreateMiniGame("assoc"));
  ASSERT_NE(dynamic_cast<AssocGame*>(game.get()), nullptr);
  Start(*game);
  Run(*game, 1);
  EXPECT_TRUE(game->IsWon());
}

}  // namespace
}  // namespace leveltest
