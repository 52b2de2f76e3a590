// Timers in update ticks, the quad hit test, the game's random generator, the
// typed code word and drawing a cell on a (camera-mapped) quad.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/GameUtils.h"
#include "tests/ui/ui_test_support.h"

namespace Kivo {
namespace {

TEST(CountdownTimer, ReachesZeroOnTheTickSinglePrecisionGives) {
  // Counted in float: 100 steps of 0.01 leave a positive rest of 1.0.
  struct Case {
    float duration;
    int ticksToZero;
  } cases[] = {{1.0f, 101}, {0.5f, 51}, {0.25f, 25}, {2.0f, 201}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.duration);
    CountdownTimer timer;
    timer.Start(c.duration);
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_EQ(0.0f, timer.Progress());
    for (int tick = 1; tick < c.ticksToZero; ++tick) timer.Tick();
    EXPECT_GT(timer.mRemaining, 0.0f);
    EXPECT_FALSE(timer.IsDone());
    timer.Tick();
    EXPECT_EQ(0.0f, timer.mRemaining);
    EXPECT_TRUE(timer.IsDone());
    EXPECT_FALSE(timer.IsRunning());
    timer.Tick();
    EXPECT_EQ(0.0f, timer.mRemaining);
    EXPECT_EQ(1.0f, timer.Progress());
  }
}

TEST(CountdownTimer, WithoutDurationItNeitherRunsNorProgresses) {
  CountdownTimer timer;
  EXPECT_EQ(0.0f, timer.Progress());
  EXPECT_FALSE(timer.IsRunning());
  EXPECT_TRUE(timer.IsDone());
  timer.Start(0.5f);
  timer.Tick();
  EXPECT_NEAR(0.02f, timer.Progress(), 1e-6f);
  timer.Clear();
  EXPECT_EQ(0.0f, timer.mStep);
  EXPECT_EQ(0.0f, timer.Progress());
  EXPECT_FALSE(timer.IsRunning());
  // A remaining time set without a duration does not run either.
  timer.mRemaining = 1.0f;
  EXPECT_FALSE(timer.IsRunning());
}

Quad MakeQuad(Vector2 a, Vector2 b, Vector2 c, Vector2 d) { return Quad{{a, b, c, d}}; }

TEST(PointInQuad, EdgesCountAndReversedWindingHoldsNothing) {
  const Quad square = MakeQuad({0, 0}, {10, 0}, {10, 10}, {0, 10});
  const Quad reversed = MakeQuad({0, 0}, {0, 10}, {10, 10}, {10, 0});
  struct Case {
    float x, y;
    bool inside;
  } cases[] = {{5, 5, true},   {10, 5, true},       {0, 0, true},   {10, 10, true},
               {11, 5, false}, {5, -0.001f, false}, {-1, 5, false}, {5, 10.5f, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.inside, PointInQuad(square, c.x, c.y)) << c.x << "," << c.y;
    EXPECT_FALSE(PointInQuad(reversed, c.x, c.y)) << c.x << "," << c.y;
  }
  // A turned quad (a diamond) is tested by its edges, not its bounding box.
  const Quad diamond = MakeQuad({5, 0}, {10, 5}, {5, 10}, {0, 5});
  EXPECT_TRUE(PointInQuad(diamond, 5, 5));
  EXPECT_FALSE(PointInQuad(diamond, 1, 1));
}

TEST(PointInQuad, ProductsAreTakenInDouble) {
  // Far from the origin the two products of the first edge differ by a few
  // units, which float products would round away.
  const Quad sliver = MakeQuad({0, 0}, {16777215, 16777213}, {0, 16777215}, {0, 8000000});
  EXPECT_FALSE(PointInQuad(sliver, 16777213, 16777211));  // 4 below the edge line
  EXPECT_TRUE(PointInQuad(sliver, 16777213, 16777212));
}

TEST(LcgRandom, SequenceFromSeedZero) {
  LcgRandom random;
  random.Seed(0);
  for (uint32_t expected : {512344345u, 2403699884u, 956726339u, 1037114967u}) {
    random.Int(INT32_MAX);
    EXPECT_EQ(expected, random.CurrentSeed());
  }
  random.Seed(0);
  EXPECT_EQ(45, random.Int(100));
  // The top bit of the remainder is cleared: 2403699884 % 2^32-1 has it set.
  random.Seed(512344345u);
  EXPECT_EQ(int32_t(2403699884u & 0x7FFFFFFFu), random.Int(-1));
}

TEST(LcgRandom, EmptyRangesReturnTheLowEndAndKeepTheSeed) {
  LcgRandom random;
  random.Seed(77);
  EXPECT_EQ(0, random.Int(0));
  EXPECT_EQ(5, random.Range(5, 5));
  EXPECT_EQ(0.0f, random.Float(0.0f, 0.00005f));  // less than one 0.0001 step
  EXPECT_EQ(2.5f, random.Float(2.5f, 2.5f));
  EXPECT_EQ(77u, random.CurrentSeed());
}

TEST(LcgRandom, DrawsStayInTheirRanges) {
  LcgRandom random;
  random.Seed(12345u * 1000u);
  for (int i = 0; i < 2000; ++i) {
    const int32_t n = random.Int(7);
    EXPECT_TRUE(n >= 0 && n < 7) << n;
    const int32_t r = random.Range(-3, 4);
    EXPECT_TRUE(r >= -3 && r < 4) << r;
    const float f = random.Float(1.0f, 2.0f);
    EXPECT_TRUE(f >= 1.0f && f < 2.0f) << f;
  }
}

TEST(LcgRandom, ReversedAndExtremeRangesAreDefined) {
  // Under UBSan these must not overflow a signed type or convert an
  // out-of-range float; the values only need to be reproducible.
  LcgRandom random;
  random.Seed(0);
  const uint32_t before = random.CurrentSeed();
  const int32_t reversed = random.Range(5, 3);
  EXPECT_NE(before, random.CurrentSeed());
  // Span 0xFFFFFFFE: 512344345 % span is the seed itself.
  EXPECT_EQ(5 + 512344345, reversed);
  random.Range(INT32_MIN, INT32_MAX);
  random.Range(INT32_MAX, INT32_MIN);
  random.Float(2.0f, 1.0f);
  random.Float(-FLT_MAX, FLT_MAX);
  random.Float(FLT_MAX, -FLT_MAX);
  const uint32_t seed = random.CurrentSeed();
  EXPECT_EQ(0.0f, random.Float(0.0f, std::numeric_limits<float>::quiet_NaN()));  // no span
  EXPECT_EQ(seed, random.CurrentSeed());
  EXPECT_EQ(-HUGE_VALF, random.Float(-HUGE_VALF, HUGE_VALF));  // saturated span
  EXPECT_NE(seed, random.CurrentSeed());
}

TEST(LcgRandom, TheSharedGeneratorIsOneSeed) {
  LcgSeed(0);
  EXPECT_EQ(45, LcgRandomInt(100));
  EXPECT_EQ(512344345u, LcgCurrentSeed());
  EXPECT_EQ(7, LcgRandomRange(7, 7));
  EXPECT_EQ(1.0f, LcgRandomFloat(1.0f, 1.0f));
  EXPECT_EQ(512344345u, LcgCurrentSeed());
}

TEST(TypedWord, MatchesOnlyAtTheEndAndThenForgets) {
  TypedWordBuffer typed;
  for (wchar_t c : std::wstring(L"xqopm")) typed.Add(c);
  EXPECT_FALSE(typed.Matches(L"qopmu"));
  EXPECT_EQ(L"xqopm", typed.Typed());
  typed.Add(L'u');
  EXPECT_TRUE(typed.Matches(L"qopmu"));
  EXPECT_EQ(L"", typed.Typed());

  for (wchar_t c : std::wstring(L"qopmux")) typed.Add(c);
  EXPECT_FALSE(typed.Matches(L"qopmu"));
  EXPECT_EQ(L"qopmux", typed.Typed());

  TypedWordBuffer shorter;
  shorter.Add(L'u');
  EXPECT_FALSE(shorter.Matches(L"qopmu"));
  EXPECT_EQ(L"u", shorter.Typed());
}

TEST(TypedWord, TheSharedBufferFeedsTheCodeWord) {
  for (wchar_t c : std::wstring(L"qopm")) AddTypedChar(c);
  EXPECT_FALSE(TypedWordMatches(L"qopmu"));
  AddTypedChar(L'u');
  EXPECT_TRUE(TypedWordMatches(L"qopmu"));
  EXPECT_FALSE(TypedWordMatches(L"qopmu"));  // emptied by the match
}

// Moves every corner by (100, 50) and remembers what it was given.
class ShiftingMapper : public QuadMapper {
 public:
  bool MapQuad(const Quad& in, Quad& out) override {
    seen.push_back(in);
    for (int i = 0; i < 4; ++i) out.corner[i] = Vector2(in.corner[i].x + 100, in.corner[i].y + 50);
    return accept;
  }
  std::vector<Quad> seen;
  bool accept = true;
};

struct Vertex {
  float x, y, u, v;
};

void ExpectCellQuad(const test::RecordingImage& dest, const std::vector<Vertex>& expected) {
  ASSERT_EQ(1u, dest.calls.size());
  const auto& call = dest.calls[0];
  EXPECT_EQ("DrawVertexTriangles", call.name);
  ASSERT_EQ(expected.size(), call.vertices.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_FLOAT_EQ(expected[i].x, call.vertices[i].x) << i;
    EXPECT_FLOAT_EQ(-expected[i].y, call.vertices[i].y) << i;  // the renderer's y points up
    EXPECT_FLOAT_EQ(expected[i].u, call.vertices[i].u) << i;
    EXPECT_FLOAT_EQ(expected[i].v, call.vertices[i].v) << i;
  }
}

TEST(DrawImageOnQuad, CameraMapsTheQuadBeforeTheCellIsDrawn) {
  test::PixelImage sheet(8, 8);
  test::SetGrid(sheet, 4, 2);
  const Quad quad = MakeQuad({0, 0}, {20, 0}, {20, 10}, {0, 10});
  ShiftingMapper camera;
  test::RecordingImage dest(800, 600);
  Graphics g(&dest);
  DrawImageOnQuad(g, quad, &sheet, 2, 1, &camera);
  ASSERT_EQ(1u, camera.seen.size());
  EXPECT_FLOAT_EQ(20.0f, camera.seen[0].corner[2].x);
  // Cell (2, 1) of 4 x 2: u 0.25..0.5, v 0..0.5; corners bottom-left,
  // top-left, bottom-right, top-right.
  ExpectCellQuad(dest, {{100, 60, 0.25f, 0.5f}, {100, 50, 0.25f, 0}, {120, 60, 0.5f, 0.5f}, {120, 50, 0.5f, 0}});
}

TEST(DrawImageOnQuad, WithoutCameraTheQuadIsDrawnAsGiven) {
  test::PixelImage sheet(8, 8);
  test::SetGrid(sheet, 1, 1);
  const Quad quad = MakeQuad({1, 2}, {5, 2}, {5, 9}, {1, 9});
  test::RecordingImage dest(800, 600);
  Graphics g(&dest);
  DrawImageOnQuad(g, quad, &sheet, 1, 1, nullptr);
  ExpectCellQuad(dest, {{1, 9, 0, 1}, {1, 2, 0, 0}, {5, 9, 1, 1}, {5, 2, 1, 0}});
}

TEST(DrawImageOnQuad, ARefusedMappingDrawsNothing) {
  test::PixelImage sheet(8, 8);
  test::SetGrid(sheet, 1, 1);
  ShiftingMapper camera;
  camera.accept = false;
  test::RecordingImage dest(800, 600);
  Graphics g(&dest);
  DrawImageOnQuad(g, MakeQuad({0, 0}, {1, 0}, {1, 1}, {0, 1}), &sheet, 1, 1, &camera);
  EXPECT_TRUE(dest.calls.empty());
}

}  // namespace
}  // namespace Kivo
