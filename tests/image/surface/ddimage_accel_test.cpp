// The matrix, triangle and coverage draws of a surface image in software,
// its palette conversion, and the 3D-only draws off the 3D screen.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "image/surface/DDImage.h"
#include "image/TriangleFrontEnd.h"
#include "shell/base/Matrix.h"
#include "tests/image/surface/ddimage_fixture.h"

namespace {

using DDrawStandIn::Format;
using DDrawTest::SetSurfacePixel;
using DDrawTest::SurfaceImageFixture;
using DDrawTest::SurfacePixel;
using Kivo::Color;
using Kivo::DDImage;
using Kivo::Rect;

// What each rasterizer call saw: its table index, the target and pitch, and
// whether the drawing image held its surface locked at the time.
struct RasterCall {
  uint32_t index;
  void* target;
  int32_t pitch;
  int32_t lockCount;
};
std::vector<RasterCall> gCalls;
const DDImage* gDrawing = nullptr;

template <uint32_t I>
void Record(const Kivo::RasterVertex*, void* target, int32_t pitch, const Kivo::RasterTexture*,
            const Kivo::RasterColor*) {
  gCalls.push_back({I, target, pitch, gDrawing != nullptr ? gDrawing->lockCount : -1});
}

template <uint32_t... I>
constexpr std::array<Kivo::TriangleRasterizer, sizeof...(I)> Recorders(std::integer_sequence<uint32_t, I...>) {
  return {&Record<I>...};
}

// Fills the whole rasterizer table with recorders while it lives.
class RecordingRasterizers {
 public:
  RecordingRasterizers() {
    const auto recorders = Recorders(std::make_integer_sequence<uint32_t, Kivo::kRasterizerCount>());
    for (uint32_t i = 0; i < static_cast<uint32_t>(Kivo::kRasterizerCount); ++i)
      saved_[i] = Kivo::SetTriangleRasterizer(i, recorders[i]);
    gCalls.clear();
  }
  ~RecordingRasterizers() {
    for (uint32_t i = 0; i < static_cast<uint32_t>(Kivo::kRasterizerCount); ++i)
      Kivo::SetTriangleRasterizer(i, saved_[i]);
    gCalls.clear();
    gDrawing = nullptr;
  }

 private:
  std::array<Kivo::TriangleRasterizer, Kivo::kRasterizerCount> saved_{};
};

bool HasMemoryCopy(const DDImage& image) {
  return image.bits != nullptr || image.nativeData != nullptr || image.palette != nullptr || image.indices != nullptr;
}

using SurfaceDraw = std::function<void(DDImage& target, Kivo::MemoryImage& sprite)>;

std::vector<std::pair<const char*, SurfaceDraw>> MatrixAndTriangleDraws() {
  return {
      {"matrix",
       [](DDImage& target, Kivo::MemoryImage& sprite) {
         target.DrawImageByMatrix(&sprite, 8.0f, 8.0f, Kivo::Matrix3(), Rect(0, 0, 16, 16), Color::White, 0,
                                  Rect(0, 0, 4, 4), false);
       }},
      {"triangles",
       [](DDImage& target, Kivo::MemoryImage& sprite) {
         Kivo::TexturedVertex v[3];
         v[0].x = 1, v[0].y = 1;
         v[1].x = 12, v[1].y = 2, v[1].u = 1;
         v[2].x = 3, v[2].y = 12, v[2].v = 1;
         target.DrawTexturedTriangles(&sprite, v, 1, Rect(0, 0, 16, 16), Color::White, 0, 0.0f, 0.0f, false);
       }},
  };
}

// The matrix and triangle draws lock the surface, hand the front end its
// pixels and pitch under the name of its layout, and afterwards the surface
// alone holds the picture and a change is counted. A 32-bit surface whose
// channels are not red-green-blue gets no name: a rasterizer for the common
// layout would write its colours swapped.
TEST_F(SurfaceImageFixture, MatrixAndTriangleDrawsGoIntoTheLockedSurface) {
  const struct {
    Format format;
    uint32_t layoutBits;
  } formats[] = {{Format::kRGB565, 0x40}, {Format::kRGB555, 0x60}, {Format::kRGB888, 0x20}, {Format::kBGR888, 0}};
  Kivo::MemoryImage sprite;
  std::vector<uint32_t> opaque(16, 0xFF00FF00u);
  ASSERT_TRUE(sprite.SetBits(opaque.data(), 4, 4, true));
  for (const auto& f : formats) {
    StartDisplay(f.format);
    for (const auto& draw : MatrixAndTriangleDraws()) {
      SCOPED_TRACE(draw.first);
      auto image = MakeSurfaceImage(16, 16, 0xFF808080u);
      ASSERT_NE(image->surface, nullptr);
      ASSERT_TRUE(HasMemoryCopy(*image));
      const int32_t changes = image->changeCount;
      sprite.drawn = false;
      RecordingRasterizers recorders;
      gDrawing = image.get();
      draw.second(*image, sprite);
      gDrawing = nullptr;
      ASSERT_FALSE(gCalls.empty());
      ASSERT_TRUE(image->LockSurface());
      void* pixels = image->lockedDesc.lpSurface;
      const int32_t pitch = image->lockedDesc.lPitch;
      image->UnlockSurface();
      for (const RasterCall& call : gCalls) {
        EXPECT_EQ(call.index & 0x60u, f.layoutBits) << std::hex << call.index;
        EXPECT_EQ(call.target, pixels);
        EXPECT_EQ(call.pitch, pitch);
        EXPECT_EQ(call.lockCount, 1);
      }
      EXPECT_EQ(image->lockCount, 0);
      EXPECT_TRUE(sprite.drawn);
      EXPECT_FALSE(HasMemoryCopy(*image));
      EXPECT_EQ(image->changeCount, changes + 1);
      EXPECT_NE(image->surface, nullptr);
    }
  }
}

// A surface that cannot be locked takes no draw: the memory copies stay (the
// picture would otherwise be lost with them) and no change is counted.
TEST_F(SurfaceImageFixture, SurfaceDrawsWhoseLockFailsKeepTheMemoryCopies) {
  StartDisplay(Format::kRGB565);
  Kivo::MemoryImage sprite;
  std::vector<uint32_t> opaque(16, 0xFF00FF00u);
  ASSERT_TRUE(sprite.SetBits(opaque.data(), 4, 4, true));
  auto draws = MatrixAndTriangleDraws();
  draws.push_back({"coverage", [](DDImage& target, Kivo::MemoryImage&) {
                     const Kivo::ImageSpan span{2, 1, 5};
                     const uint8_t coverage[16] = {255, 255, 255, 255, 255, 255, 255, 255};
                     target.FillSpansWithCoverage(&span, 1, Color(255, 0, 0), 0, coverage, 0, 2, 16, 0);
                   }});
  for (const auto& draw : draws) {
    SCOPED_TRACE(draw.first);
    auto image = MakeSurfaceImage(16, 16, 0xFF808080u);
    const int32_t changes = image->changeCount;
    RecordingRasterizers recorders;
    DDrawStandIn::GetFaults().lock = DDERR_SURFACEBUSY;
    draw.second(*image, sprite);
    DDrawStandIn::GetFaults().lock = 0;
    EXPECT_TRUE(gCalls.empty());
    ASSERT_NE(image->bits, nullptr);
    EXPECT_EQ(image->bits[2 * 16 + 3], 0xFF808080u);
    EXPECT_EQ(image->changeCount, changes);
    EXPECT_EQ(image->lockCount, 0);
  }
}

// The coverage fill in the surface's own format: colour channel c becomes
// its top bits in the field (as an opaque fill lands it), weight w =
// (coverage + 1) * alpha >> 8 with 255 counting as 256, and each channel
// (pixel & mask) * (256 - w) + (colour & mask) * w, shifted right by 8 and
// masked. Nothing else of the pixel survives.
uint32_t CoverageReference(uint32_t pixel, const Color& c, uint8_t coverage, const uint32_t masks[3]) {
  const uint32_t channels[3] = {static_cast<uint32_t>(c.red), static_cast<uint32_t>(c.green),
                                static_cast<uint32_t>(c.blue)};
  uint32_t w = ((coverage + 1u) * static_cast<uint32_t>(c.alpha)) >> 8;
  if (w == 255) w = 256;
  uint32_t out = 0;
  for (int i = 0; i < 3; ++i) {
    const uint32_t m = masks[i];
    const int bits = __builtin_popcount(m);
    const uint32_t colour = ((channels[i] >> (8 - bits)) << __builtin_ctz(m)) & m;
    out |= (((pixel & m) * (256 - w) + colour * w) >> 8) & m;
  }
  return out;
}

TEST_F(SurfaceImageFixture, CoverageFillBlendsInTheSurfaceFormat) {
  // Pinned values: half coverage of white over grey on 32 bits (the alpha
  // byte goes to 0), and full white over black on 5-6-5, which lands white
  // exactly as an opaque fill would.
  {
    StartDisplay(Format::kRGB888);
    auto image = MakeSurfaceImage(4, 1, 0xFF000000u);
    SetSurfacePixel(*image, 1, 0, 0xFF808080u);
    SetSurfacePixel(*image, 3, 0, 0xFF808080u);
    const Kivo::ImageSpan span{0, 1, 1};
    const uint8_t coverage[4] = {0, 127, 0, 0};
    image->FillSpansWithCoverage(&span, 1, Color(255, 255, 255), 0, coverage, 0, 0, 4, 0);
    EXPECT_EQ(SurfacePixel(*image, 1, 0), 0x00BFBFBFu);
    EXPECT_EQ(SurfacePixel(*image, 3, 0), 0xFF808080u);  // outside the span: untouched
  }
  {
    StartDisplay(Format::kRGB565);
    auto image = MakeSurfaceImage(2, 1, 0xFF000000u);
    const Kivo::ImageSpan span{0, 0, 1};
    const uint8_t coverage[2] = {255, 255};
    image->FillSpansWithCoverage(&span, 1, Color(255, 255, 255), 0, coverage, 0, 0, 2, 0);
    EXPECT_EQ(SurfacePixel(*image, 0, 0), 0xFFFFu);
    EXPECT_EQ(SurfacePixel(*image, 1, 0), 0u);
  }
  // Every format against the reference, on random pixels, colours and
  // coverage; the draw mode is not read.
  const struct {
    Format format;
    uint32_t masks[3];
    uint32_t pixelMask;
  } formats[] = {{Format::kRGB565, {0xF800, 0x07E0, 0x001F}, 0xFFFF},
                 {Format::kRGB555, {0x7C00, 0x03E0, 0x001F}, 0x7FFF},
                 {Format::kRGB888, {0xFF0000, 0xFF00, 0xFF}, 0xFFFFFFFF},
                 {Format::kBGR888, {0xFF, 0xFF00, 0xFF0000}, 0xFFFFFFFF}};
  std::mt19937 rng(11);
  for (const auto& f : formats) {
    StartDisplay(f.format);
    const int w = 24, h = 6;
    auto image = MakeSurfaceImage(w, h, 0xFF000000u);
    std::vector<uint32_t> before(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        before[static_cast<size_t>(y) * w + x] = rng() & f.pixelMask;
        SetSurfacePixel(*image, x, y, before[static_cast<size_t>(y) * w + x]);
      }
    // Coverage laid out from (-3, 1) with a stride wider than the image.
    const int originX = -3, originY = 1, stride = 40;
    std::vector<uint8_t> coverage(static_cast<size_t>(stride) * h);
    for (uint8_t& v : coverage) v = static_cast<uint8_t>(rng());
    const std::vector<Kivo::ImageSpan> spans = {{1, 0, 24}, {2, 5, 7}, {4, 20, 4}, {5, 3, 1}};
    const Color colour(static_cast<int>(rng() & 255), static_cast<int>(rng() & 255), static_cast<int>(rng() & 255),
                       static_cast<int>(rng() & 255));
    const int32_t changes = image->changeCount;
    image->FillSpansWithCoverage(spans.data(), static_cast<int32_t>(spans.size()), colour, 3, coverage.data(), originX,
                                 originY, stride, 0);
    EXPECT_EQ(image->changeCount, changes + 1);
    EXPECT_FALSE(HasMemoryCopy(*image));
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint32_t want = before[static_cast<size_t>(y) * w + x];
        for (const Kivo::ImageSpan& s : spans)
          if (s.y == y && x >= s.x && x < s.x + s.width)
            want = CoverageReference(want, colour, coverage[static_cast<size_t>((y - originY) * stride + x - originX)],
                                     f.masks);
        const uint32_t got = SurfacePixel(*image, x, y);
        if (got != want && ++wrong < 5)
          ADD_FAILURE() << x << "," << y << std::hex << " got " << got << " want " << want;
      }
    EXPECT_EQ(wrong, 0);
  }
}

// A conversion that fails (more than 256 colours) leaves the image where it
// was: surface, pixels and all. One that succeeds trades the surface for the
// palette, which then holds the same picture.
TEST_F(SurfaceImageFixture, PaletteConversionKeepsTheSurfaceUnlessItSucceeds) {
  StartDisplay(Format::kRGB888);
  std::vector<uint32_t> many(20 * 20);
  for (size_t i = 0; i < many.size(); ++i) many[i] = 0xFF000000u | static_cast<uint32_t>(i * 0x010203u);
  auto image = MakeImage(20, 20, many);
  ASSERT_TRUE(image->CreateSurface());
  image->DiscardMemoryCopies();
  IDirectDrawSurface* surface = image->surface;
  EXPECT_FALSE(image->ConvertToPalette());
  EXPECT_EQ(image->surface, surface);
  EXPECT_EQ(image->palette, nullptr);
  for (int i : {0, 21, 399}) EXPECT_EQ(SurfacePixel(*image, i % 20, i / 20) & 0xFFFFFF, many[i] & 0xFFFFFF) << i;

  std::vector<uint32_t> two(8 * 8, 0xFF102030u);
  two[9] = 0xFFA0B0C0u;
  auto few = MakeImage(8, 8, two);
  ASSERT_TRUE(few->CreateSurface());
  few->DiscardMemoryCopies();
  EXPECT_TRUE(few->ConvertToPalette());
  EXPECT_EQ(few->surface, nullptr);
  ASSERT_NE(few->palette, nullptr);
  const uint32_t* bits = few->GetBits();
  ASSERT_NE(bits, nullptr);
  for (size_t i = 0; i < two.size(); ++i) ASSERT_EQ(bits[i], two[i]) << i;
}

// The draws that need the 3D device do nothing on a display in software,
// not even on its screen: the frame keeps its pixels. The vertex draws still
// count their texture as used.
TEST_F(SurfaceImageFixture, ThreeDOnlyDrawsLeaveASoftwareScreenAlone) {
  StartDisplay(Format::kRGB565);
  DDImage* screen = display->GetScreenImage();
  ASSERT_FALSE(screen->DrawsThrough3D());
  screen->FillRect(Rect(0, 0, 640, 480), Color(0, 0, 255), 0);
  Kivo::MemoryImage tile;
  std::vector<uint32_t> white(4, 0xFFFFFFFFu);
  ASSERT_TRUE(tile.SetBits(white.data(), 2, 2, true));
  Kivo::TriVertex tri[4];
  tri[1].x = 100, tri[2].y = -100, tri[3].x = 100, tri[3].y = -100;
  tri[1].u = 1, tri[2].v = 1, tri[3].u = 1, tri[3].v = 1;
  const Rect all(0, 0, 640, 480);
  const struct {
    const char* name;
    std::function<void()> draw;
    bool usesTexture;
  } draws[] = {
      {"strip", [&] { screen->DrawVertexTriangles(&tile, tri, 2, all, Color::White, 0, 320, 240, true); }, true},
      {"wrapped", [&] { screen->DrawVertexTrianglesWrapped(&tile, tri, 2, all, Color::White, 0, 320, 240, true); },
       true},
      {"raw", [&] { screen->DrawVertexTrianglesRaw(&tile, tri, 1, all, Color::White, 0, 320, 240, true); }, true},
      {"rect 3D", [&] { screen->FillRect3D(Rect(-320, -240, 640, 480), Color::White, 0); }, false},
      {"wrapped quad", [&] { screen->DrawQuadWrappedUV(&tile, 0, 0, 100, 100, Color::White, 0, false, 0, 0, 2, 2); },
       false},
  };
  for (const auto& d : draws) {
    SCOPED_TRACE(d.name);
    tile.drawn = false;
    const int32_t changes = screen->changeCount;
    d.draw();
    EXPECT_EQ(screen->changeCount, changes);
    for (int y = 0; y < 120; y += 7)
      for (int x = 0; x < 120; x += 7) ASSERT_EQ(SurfacePixel(*screen, x, y), 0x001Fu) << x << "," << y;
    if (d.usesTexture) {
      EXPECT_TRUE(tile.drawn);
    }
  }
  EXPECT_EQ(tile.textureData, nullptr);
}

// The renderer has no coverage fill: the spans go into a scratch image of
// their bounding box, moved to its corner, and the scratch image is drawn
// at the box's place. The caller's spans are left as they were.
TEST(CoverageSpanBox, SpansMoveToTheCornerOfTheirBox) {
  const Kivo::ImageSpan spans[2] = {{5, 10, 3}, {7, 8, 2}};  // y, x, width
  std::vector<Kivo::ImageSpan> moved;
  Rect box;
  ASSERT_TRUE(Kivo::MoveSpansToTheirBox(spans, 2, moved, box));
  EXPECT_EQ(box, Rect(8, 5, 5, 3));
  ASSERT_EQ(moved.size(), 2u);
  EXPECT_EQ(moved[0].y, 0);
  EXPECT_EQ(moved[0].x, 2);
  EXPECT_EQ(moved[0].width, 3);
  EXPECT_EQ(moved[1].y, 2);
  EXPECT_EQ(moved[1].x, 0);
  EXPECT_EQ(moved[1].width, 2);
  EXPECT_EQ(spans[0].x, 10);
  EXPECT_EQ(spans[1].y, 7);

  // Spans without width do not widen the box, but still move with the rest.
  const Kivo::ImageSpan withEmpty[3] = {{0, 0, 0}, {4, 6, 2}, {9, 1, -3}};
  ASSERT_TRUE(Kivo::MoveSpansToTheirBox(withEmpty, 3, moved, box));
  EXPECT_EQ(box, Rect(6, 4, 2, 1));
  EXPECT_EQ(moved[0].x, -6);
  EXPECT_EQ(moved[1].x, 0);
  // Nothing to fill, or a box too wide for 32 bits: no box.
  const Kivo::ImageSpan none[1] = {{3, 3, 0}};
  EXPECT_FALSE(Kivo::MoveSpansToTheirBox(none, 1, moved, box));
  EXPECT_FALSE(Kivo::MoveSpansToTheirBox(spans, 0, moved, box));
  const Kivo::ImageSpan far[2] = {{0, INT32_MIN, 1}, {0, INT32_MAX - 1, 1}};
  EXPECT_FALSE(Kivo::MoveSpansToTheirBox(far, 2, moved, box));
  EXPECT_TRUE(moved.empty());
  EXPECT_EQ(box, Rect());
}

}  // namespace
