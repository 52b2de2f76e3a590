#include "frontend/FlatQuads.h"

#include <gtest/gtest.h>

#include "image/MemoryImage.h"
#include "ui/Graphics.h"

namespace Kivo {
namespace {

constexpr uint32_t kLeftCell = 0xFFC03020u;
constexpr uint32_t kRightCell = 0xFF2040C0u;

// A software screen of 100 x 80 and a sheet of two 10 x 10 cells.
class FlatQuadsTest : public ::testing::Test {
 protected:
  FlatQuadsTest() {
    EXPECT_TRUE(screen.CreateBlank(100, 80));
    EXPECT_TRUE(sheet.CreateBlank(20, 10));
    sheet.columns = 2;
    sheet.rows = 1;
    uint32_t* bits = sheet.GetBits();
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 20; ++x) bits[y * 20 + x] = x < 10 ? kLeftCell : kRightCell;
    }
    sheet.NoteBitsChanged();
  }

  uint32_t At(int x, int y) { return screen.GetBits()[y * 100 + x]; }

  static Quad Box(float left, float top, float right, float bottom) {
    Quad quad;
    quad.corner[0] = Vector2(left, top);
    quad.corner[1] = Vector2(right, top);
    quad.corner[2] = Vector2(right, bottom);
    quad.corner[3] = Vector2(left, bottom);
    return quad;
  }

  MemoryImage screen;
  MemoryImage sheet;
};

TEST_F(FlatQuadsTest, UprightQuadsShowTheirCellStretchedAndTurnedOnesNothing) {
  Graphics g(&screen);
  DrawQuadsFlatWithout3D(g, [&](Graphics& flat) {
    // The second cell over 40 x 20 pixels at (10, 10).
    flat.DrawCellQuad(&sheet, Box(10, 10, 50, 30), 2, 1);
    // A quad turned by 45 degrees has no upright picture to give.
    Quad turned;
    turned.corner[0] = Vector2(75, 40);
    turned.corner[1] = Vector2(90, 55);
    turned.corner[2] = Vector2(75, 70);
    turned.corner[3] = Vector2(60, 55);
    flat.DrawCellQuad(&sheet, turned, 1, 1);
    // The renderer's filled rectangle becomes a plain fill.
    flat.SetColor(Color(10, 200, 30));
    flat.FillRect3D(10, 50, 20, 10);
  });
  const struct {
    int x, y;
    uint32_t colour;
  } probes[] = {{10, 10, kRightCell}, {49, 29, kRightCell}, {30, 20, kRightCell},  {50, 20, 0u},          {9, 20, 0u},
                {30, 30, 0u},         {75, 55, 0u},         {10, 50, 0xFF0AC81Eu}, {29, 59, 0xFF0AC81Eu}, {30, 55, 0u}};
  for (const auto& p : probes) EXPECT_EQ(At(p.x, p.y), p.colour) << p.x << "," << p.y;
}

TEST_F(FlatQuadsTest, ADestinationDrawnThrough3DIsLeftToTheRenderer) {
  Graphics g(&screen);
  g.SetDrawsThrough3D(true);
  bool drawn = false;
  DrawQuadsFlatWithout3D(g, [&](Graphics& through) {
    drawn = true;
    EXPECT_EQ(through.mDestImage, &screen);
    through.DrawCellQuad(&sheet, Box(10, 10, 50, 30), 2, 1);
  });
  EXPECT_TRUE(drawn);
  // A software image ignores quads: only a flat stand-in would have drawn.
  EXPECT_EQ(At(30, 20), 0u);
}

}  // namespace
}  // namespace Kivo
