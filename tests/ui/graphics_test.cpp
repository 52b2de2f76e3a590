#include <gtest/gtest.h>

#include <climits>

#include "ui_test_support.h"

namespace Kivo {
namespace {

using test::FakeFont;
using test::NewMemoryImage;
using test::NumberedMemoryImage;
using test::PixelAt;
using test::PixelImage;
using test::RecordingImage;
using test::SetGrid;

constexpr uint32_t kInk = 0xFF102030;
// Blits onto an opaque destination copy opaque pixels exactly.
constexpr uint32_t kOpaqueBlack = 0xFF000000;

// A source whose pixel tells where it came from: 0xFF, column, row.
PixelImage NumberedImage(int w, int h) {
  PixelImage image(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.Set(x, y, 0xFF000000u | (uint32_t(x) << 8) | uint32_t(y));
  return image;
}

int SourceColumn(uint32_t pixel) { return static_cast<int>((pixel >> 8) & 0xFF); }
int SourceRow(uint32_t pixel) { return static_cast<int>(pixel & 0xFF); }

TEST(Graphics, DrawRectOutlinesWidthPlusOneByHeightPlusOne) {
  auto dest = NewMemoryImage(12, 12);
  Graphics g(dest.get());
  g.SetColor(Color(kInk));
  g.DrawRect(0, 0, 9, 9);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool onBorder = x <= 9 && y <= 9 && (x == 0 || y == 0 || x == 9 || y == 9);
      EXPECT_EQ(onBorder ? kInk : 0u, PixelAt(*dest, x, y)) << x << "," << y;
    }
  }
  // One outline call when the box lies inside the clip.
  RecordingImage recorded(12, 12);
  Graphics r(&recorded);
  r.DrawRect(0, 0, 9, 9);
  EXPECT_EQ("DrawRect", recorded.Names());
}

TEST(Graphics, DrawRectAtTheClipEdgeGivesTheSamePixelsThroughFourFills) {
  auto whole = NewMemoryImage(12, 12);
  auto clipped = NewMemoryImage(12, 12);
  Graphics a(whole.get()), b(clipped.get());
  a.SetColor(Color(kInk));
  b.SetColor(Color(kInk));
  b.ClipRect(0, 0, 10, 11);  // the right column of the outline lies outside
  a.DrawRect(1, 1, 9, 9);
  b.DrawRect(1, 1, 9, 9);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x)
      EXPECT_EQ(x < 10 ? PixelAt(*whole, x, y) : 0u, PixelAt(*clipped, x, y)) << x << "," << y;
  RecordingImage recorded(12, 12);
  Graphics r(&recorded);
  r.ClipRect(0, 0, 10, 11);
  r.DrawRect(1, 1, 9, 9);
  // The right-hand side lies wholly outside the clip: three fills remain.
  EXPECT_EQ("FillRect FillRect FillRect", recorded.Names());
}

TEST(Graphics, TransparentColourFillsNothing) {
  RecordingImage dest(10, 10);
  Graphics g(&dest);
  g.SetColor(Color(255, 0, 0, 0));
  g.FillRect(0, 0, 5, 5);
  g.DrawRect(0, 0, 5, 5);
  EXPECT_TRUE(dest.calls.empty());
}

TEST(Graphics, NegativeHalfTranslationTruncatesTowardZero) {
  auto source = NumberedMemoryImage(2, 1);
  auto dest = NewMemoryImage(4, 1, kOpaqueBlack);
  Graphics g(dest.get());
  g.mTransX = -0.5f;
  g.DrawImage(source.get(), 0, 0);
  EXPECT_EQ(PixelAt(*source, 0, 0), PixelAt(*dest, 0, 0));
  EXPECT_EQ(PixelAt(*source, 1, 0), PixelAt(*dest, 1, 0));
  g.SetColor(Color(kInk));
  g.FillRect(3, 0, 1, 1);  // 2.5 truncates to 2
  EXPECT_EQ(kInk, PixelAt(*dest, 2, 0));
  EXPECT_EQ(kOpaqueBlack, PixelAt(*dest, 3, 0));
}

TEST(Graphics, ImagesAreTintedOnlyWhenColorizing) {
  auto source = NewMemoryImage(1, 1, 0xFFFFFFFF);
  auto dest = NewMemoryImage(2, 1, 0xFF000000);
  Graphics g(dest.get());
  g.SetColor(Color(255, 0, 0));
  g.DrawImage(source.get(), 0, 0);
  g.SetColorizeImages(true);
  g.DrawImage(source.get(), 1, 0);
  EXPECT_EQ(0xFFFFFFFFu, PixelAt(*dest, 0, 0));
  const uint32_t tinted = PixelAt(*dest, 1, 0);
  EXPECT_GE((tinted >> 16) & 0xFF, 0xF0u);
  EXPECT_EQ(0u, tinted & 0xFFFF);
}

TEST(Graphics, StateStackSavesEverythingAndCopiesStartEmpty) {
  PixelImage a(4, 4), b(8, 8);
  Graphics g(&a);
  g.PopState();  // empty: nothing changes
  EXPECT_EQ(Color(0, 0, 0, 255), g.GetColor());
  EXPECT_EQ(&a, g.mDestImage);

  g.PushState();
  g.SetColor(Color(255, 0, 0));
  g.Translate(3, 4);
  g.ClipRect(1, 1, 2, 2);
  g.mDestImage = &b;

  Graphics copy(g);
  copy.PopState();  // the copy has no saved states of its own
  EXPECT_EQ(Color(255, 0, 0), copy.GetColor());
  EXPECT_EQ(&b, copy.mDestImage);

  g.PopState();
  EXPECT_EQ(Color(0, 0, 0, 255), g.GetColor());
  EXPECT_EQ(&a, g.mDestImage);
  EXPECT_EQ(0.0f, g.mTransX);
  EXPECT_EQ(Rect(0, 0, 4, 4), g.mClipRect);
}

TEST(Graphics, ClipOnlyShrinksAndClearClipRestoresTheDestination) {
  PixelImage dest(20, 20);
  Graphics g(&dest);
  g.Translate(5, 5);
  g.ClipRect(0, 0, 10, 10);
  EXPECT_EQ(Rect(5, 5, 10, 10), g.mClipRect);
  g.ClipRect(-100, -100, 1000, 1000);
  EXPECT_EQ(Rect(5, 5, 10, 10), g.mClipRect);
  g.ClearClipRect();
  EXPECT_EQ(Rect(0, 0, 20, 20), g.mClipRect);
}

TEST(Graphics, ContextOnNoImageChangesNothing) {
  PixelImage source(2, 2, 0xFF445566);
  FakeFont font;
  Graphics g(nullptr);
  EXPECT_EQ(Rect(0, 0, 0, 0), g.mClipRect);
  g.SetFont(&font);
  g.SetColor(Color(kInk));
  g.FillRect(0, 0, 10, 10);
  g.DrawRect(0, 0, 10, 10);
  g.DrawImage(&source, 0, 0);
  g.DrawString(L"abc", 0, 10);
  // The font was asked to draw, but its fill through the context went nowhere.
  ASSERT_EQ(1u, font.drawn.size());
  for (uint32_t p : source.pixels) EXPECT_EQ(0xFF445566u, p);
}

TEST(Graphics, CelsOutsideTheGridDrawNothing) {
  PixelImage source = NumberedImage(8, 8);
  SetGrid(source, 2, 2);
  struct Case {
    int column, row;
    bool drawn;
  } cases[] = {{0, 0, true}, {1, 1, true}, {0, 2, false}, {2, 0, false}, {-1, 0, false}, {0, -1, false}};
  for (const Case& c : cases) {
    RecordingImage dest(20, 20);
    Graphics g(&dest);
    g.DrawImageCel(&source, 0, 0, c.column, c.row);
    EXPECT_EQ(c.drawn ? 1u : 0u, dest.calls.size()) << c.column << "," << c.row;
  }
  RecordingImage dest(20, 20);
  Graphics g(&dest);
  g.DrawImageCelIndex(&source, 5, 6, 3);  // column 1, row 1
  ASSERT_EQ(1u, dest.calls.size());
  EXPECT_EQ("5,6 (4,4,4,4) [255,255,255,255] 0", dest.calls[0].args);
}

TEST(Graphics, NineSliceUsesThirdsAndCutsTheLastTile) {
  auto source = NumberedMemoryImage(10, 10);
  auto memory = NewMemoryImage(16, 13, kOpaqueBlack);
  MemoryImage& dest = *memory;
  Graphics g(&dest);
  g.DrawImageBox(Rect(0, 0, 16, 13), source.get());
  // Columns: corners 3 wide, middle 4 tiled from x 3 and cut at x 13.
  for (int x = 0; x < 16; ++x) {
    int expected;
    if (x < 3) {
      expected = x;
    } else if (x < 13) {
      expected = 3 + (x - 3) % 4;
    } else {
      expected = 7 + (x - 13);
    }
    EXPECT_EQ(expected, SourceColumn(PixelAt(dest, x, 0))) << "top row, x " << x;
    EXPECT_EQ(expected, SourceColumn(PixelAt(dest, x, 5))) << "middle row, x " << x;
    EXPECT_EQ(expected, SourceColumn(PixelAt(dest, x, 12))) << "bottom row, x " << x;
  }
  // Rows: 13 high gives corners 3, the middle 4 twice with the second cut at 10.
  const int expectedRows[13] = {0, 1, 2, 3, 4, 5, 6, 3, 4, 5, 7, 8, 9};
  for (int y = 0; y < 13; ++y) EXPECT_EQ(expectedRows[y], SourceRow(PixelAt(dest, 0, y))) << "y " << y;
}

TEST(Graphics, MirroredTransformKeepsTheSizeAndVerticalScaleStretches) {
  PixelImage source = NumberedImage(4, 2);
  {
    PixelImage dest(20, 20);
    Graphics g(&dest);
    LazyTransform2D t;
    t.Scale(-1.0f, 1.0f);
    g.DrawImageTransformed(&source, t, Rect(0, 0, 4, 2), 10.0f, 10.0f, false);
    // Centred on (10, 10): top-left at (8, 9), 4 by 2, columns reversed.
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(3 - i, SourceColumn(dest.At(8 + i, 9 + j)));
        EXPECT_EQ(j, SourceRow(dest.At(8 + i, 9 + j)));
      }
    EXPECT_EQ(0u, dest.At(7, 9));
    EXPECT_EQ(0u, dest.At(12, 9));
    EXPECT_EQ(0u, dest.At(8, 11));
  }
  {
    PixelImage dest(20, 20);
    Graphics g(&dest);
    LazyTransform2D t;
    t.Scale(-1.0f, 2.0f);
    g.DrawImageTransformed(&source, t, Rect(0, 0, 4, 2), 10.0f, 10.0f, false);
    for (int j = 0; j < 4; ++j)
      for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(3 - i, SourceColumn(dest.At(8 + i, 8 + j)));
        EXPECT_EQ(j / 2, SourceRow(dest.At(8 + i, 8 + j)));
      }
    EXPECT_EQ(0u, dest.At(8, 12));
  }
}

TEST(Graphics, TransformedDrawPicksTheBlitFromTheParts) {
  PixelImage source(4, 2);
  RecordingImage dest(50, 50);
  Graphics g(&dest);
  LazyTransform2D plain;
  plain.Translate(2.0f, 3.0f);
  g.DrawImageTransformed(&source, plain, Rect(0, 0, 4, 2), 10.0f, 10.0f, false);
  g.DrawImageTransformed(&source, plain, Rect(0, 0, 4, 2), 10.0f, 10.0f, true);
  LazyTransform2D rotated;
  rotated.RotateRadians(1.0f);
  g.DrawImageTransformed(&source, rotated, Rect(0, 0, 4, 2), 10.0f, 10.0f, true);
  LazyTransform2D stretched;
  stretched.Scale(2.0f, 2.0f);
  g.DrawImageTransformed(&source, stretched, Rect(0, 0, 4, 2), 10.0f, 10.0f, false);
  ASSERT_EQ(4u, dest.calls.size());
  EXPECT_EQ("DrawImage", dest.calls[0].name);
  EXPECT_EQ("10,12 (0,0,4,2) [255,255,255,255] 0", dest.calls[0].args);
  EXPECT_EQ("DrawImageAtFloat", dest.calls[1].name);
  EXPECT_EQ("DrawImageRotated", dest.calls[2].name);
  EXPECT_EQ("8.5,9.5 (0,0,4,2) 1 2,1", dest.calls[2].args);
  EXPECT_EQ("DrawImageStretched", dest.calls[3].name);
  EXPECT_EQ("(6,8,8,4) (0,0,4,2) 0", dest.calls[3].args);

  // Through the 3D renderer a sub-pixel draw always goes by matrix.
  RecordingImage screen(50, 50);
  Graphics g3(&screen);
  g3.SetDrawsThrough3D(true);
  g3.DrawImageTransformed(&source, plain, Rect(0, 0, 4, 2), 10.0f, 10.0f, true);
  EXPECT_EQ("DrawImageByMatrix", screen.Names());
}

// Source rectangles and cel grids come from data files: whatever they say,
// the context never hands the image a rectangle outside the source.
TEST(Graphics, SourceRectanglesOutsideTheImageDrawNothing) {
  auto source = NumberedMemoryImage(4, 4);
  const Rect bad[] = {
      Rect(-1, 0, 2, 2),      Rect(0, -1, 2, 2),      Rect(0, 0, 5, 1),       Rect(0, 0, 1, 5),
      Rect(3, 3, 2, 1),       Rect(0, 0, -1, 2),      Rect(0, 0, 2, -1),      Rect(INT_MAX, 0, 1, 1),
      Rect(2, 2, INT_MAX, 1), Rect(1, 1, 1, INT_MAX), Rect(INT_MIN, 0, 4, 4),
  };
  for (const Rect& r : bad) {
    // The memory image's blitters would read outside the source (ASan).
    RecordingImage recorded(20, 20);
    auto pixels = NewMemoryImage(20, 20);
    for (Image* dest : {static_cast<Image*>(&recorded), static_cast<Image*>(pixels.get())}) {
      Graphics g(dest);
      g.DrawImageSubrect(source.get(), 1, 1, r);
      g.DrawImageMirrored(source.get(), 1, 1, r, true);
      g.mScaleX = 2.0f;
      g.DrawImageSubrect(source.get(), 1, 1, r);
    }
    EXPECT_TRUE(recorded.calls.empty()) << r.x << "," << r.y << "," << r.width << "," << r.height;
    for (int i = 0; i < 400; ++i) ASSERT_EQ(0u, pixels->GetBits()[i]);
  }
}

TEST(Graphics, GridsWithoutColumnsOrRowsDrawNothing) {
  auto memory = NumberedMemoryImage(4, 4);
  MemoryImage& source = *memory;
  const int grids[][2] = {{0, 1}, {1, 0}, {-2, 1}, {1, -3}, {0, 0}};
  const Quad quad = {{Vector2(0, 0), Vector2(10, 0), Vector2(10, 10), Vector2(0, 10)}};
  for (const auto& grid : grids) {
    SetGrid(source, grid[0], grid[1]);
    RecordingImage dest(20, 20);
    Graphics g(&dest);
    g.DrawImageCelIndex(&source, 0, 0, 0);
    g.DrawImageCelIndex(&source, 0, 0, 5);
    g.DrawImageCel(&source, 0, 0, 0, 0);
    g.DrawImageCelF(&source, 0.0f, 0.0f, 0, 0, false);
    LazyTransform2D t;
    g.DrawImageCelTransformed(&source, 0.0f, 0.0f, 0, 0, t);
    g.DrawCellQuad(&source, quad, 1, 1);
    EXPECT_TRUE(dest.calls.empty()) << grid[0] << " by " << grid[1];
  }
}

TEST(Graphics, ScaledSubrectStretchesAboutTheOrigin) {
  PixelImage source(4, 2);
  RecordingImage dest(50, 50);
  Graphics g(&dest);
  g.mScaleX = 2.0f;
  g.mScaleY = 1.5f;
  g.mScaleOrigX = 10.0f;
  g.mScaleOrigY = 0.0f;
  g.DrawImage(&source, 13, 4);
  ASSERT_EQ(1u, dest.calls.size());
  // x = floor(2 * (13 - 10)) + 10 = 16, y = floor(1.5 * 4) = 6, size ceil(8) by ceil(3).
  EXPECT_EQ("(16,6,8,3) (0,0,4,2) 0", dest.calls[0].args);
}

}  // namespace
}  // namespace Kivo
