#include <gtest/gtest.h>

#include <vector>

#include "image_test_support.h"
#include "image/Image.h"

namespace KivoTest {
namespace {

// An image that records its fills, to see what the base operations ask for.
class FillRecorder : public Image {
 public:
  std::vector<Rect> fills;
  void FillRect(const Rect& r, const Color&, int32_t) override { fills.push_back(r); }
};

TEST(ImageInterface, NewImageIsEmptyWithOneCell) {
  FillRecorder image;
  EXPECT_EQ(image.GetWidth(), 0);
  EXPECT_EQ(image.GetHeight(), 0);
  EXPECT_EQ(image.rows, 1);
  EXPECT_EQ(image.columns, 1);
  EXPECT_EQ(image.GetCellWidth(), 0);
  EXPECT_EQ(image.animation, nullptr);
  EXPECT_FALSE(image.drawn);
}

TEST(ImageInterface, DrawRectOutlinesWithPlusOneExtent) {
  RecordingHost host;
  MemoryImage image(&host);
  Fill(image, 20, 20, 0xFF000000);
  image.DrawRect(Rect(10, 10, 5, 3), Color(255, 255, 255), 0);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      const bool row = (y == 10 || y == 13) && x >= 10 && x <= 15;
      const bool side = (x == 10 || x == 15) && y >= 11 && y <= 12;
      EXPECT_EQ(Pixel(image, x, y), row || side ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
    }
  }
}

TEST(ImageInterface, DrawRectOfHeightZeroHasNoSides) {
  FillRecorder image;
  image.DrawRect(Rect(2, 3, 4, 0), Color(), 0);
  ASSERT_EQ(image.fills.size(), 4u);
  EXPECT_EQ(image.fills[0], Rect(2, 3, 5, 1));
  EXPECT_EQ(image.fills[1], Rect(2, 3, 5, 1));
  EXPECT_EQ(image.fills[2].height, -1);
  EXPECT_EQ(image.fills[3].height, -1);
  // A negative side on a real image draws nothing.
  RecordingHost host;
  MemoryImage mem(&host);
  Fill(mem, 8, 8, 0xFF000000);
  mem.DrawRect(Rect(2, 3, 4, 0), Color(255, 255, 255), 0);
  int white = 0;
  for (uint32_t v : Pixels(mem)) white += v == 0xFFFFFFFFu;
  EXPECT_EQ(white, 5);
}

TEST(ImageInterface, FillSpansIsOneRowPerSpanAndNothingForZero) {
  FillRecorder image;
  const ImageSpan spans[2] = {{4, 1, 3}, {5, 2, 7}};
  image.FillSpans(spans, 0, Color(), 0);
  EXPECT_TRUE(image.fills.empty());
  image.FillSpans(spans, 2, Color(), 0);
  ASSERT_EQ(image.fills.size(), 2u);
  EXPECT_EQ(image.fills[0], Rect(1, 4, 3, 1));
  EXPECT_EQ(image.fills[1], Rect(2, 5, 7, 1));
}

TEST(AnimationInfo, SetupCases) {
  struct Case {
    int type, delay, frames, begin, end;
    std::vector<int32_t> map;
    int count;
    std::vector<int32_t> delays;
    int total;
  };
  const Case cases[] = {
      {AnimationInfo::kPingPong, 1, 4, 0, 0, {0, 1, 2, 3, 2, 1}, 6, {}, 6},
      {AnimationInfo::kPingPong, 1, 1, 0, 0, {}, 1, {}, 1},
      {AnimationInfo::kLoop, 10, 3, 50, 0, {}, 3, {50, 10, 10}, 70},
      {AnimationInfo::kLoop, 10, 3, 0, 40, {}, 3, {10, 10, 40}, 60},
      {AnimationInfo::kOnce, 0, 0, 0, 0, {}, 1, {}, 1},
      {AnimationInfo::kLoop, 5, -3, 0, 0, {}, 1, {}, 5},
      // A total past 32 bits saturates.
      {AnimationInfo::kLoop, 0x40000000, 4, 0, 0, {}, 4, {}, INT32_MAX},
  };
  for (const Case& c : cases) {
    AnimationInfo info;
    info.type = c.type;
    info.frameDelay = c.delay;
    info.Setup(c.frames, c.begin, c.end);
    EXPECT_EQ(info.frameMap, c.map) << "frames " << c.frames;
    EXPECT_EQ(info.frameCount, c.count);
    EXPECT_EQ(info.frameDelays, c.delays);
    EXPECT_EQ(info.totalTime, c.total);
  }
}

TEST(AnimationInfo, SetFrameDelayGrowsWithZeros) {
  AnimationInfo info;
  info.SetFrameDelay(3, 7);
  EXPECT_EQ(info.frameDelays, (std::vector<int32_t>{0, 0, 0, 7}));
}

TEST(ImageInterface, CopyKeepsGridAndAnimationNotPath) {
  FillRecorder image;
  image.width = 64;
  image.height = 32;
  image.rows = 2;
  image.columns = 4;
  image.path = "images/sheet.png";
  image.drawn = true;
  image.animation = new AnimationInfo;
  image.animation->type = AnimationInfo::kLoop;
  image.animation->Setup(8, 0, 0);
  Image copy(image);
  EXPECT_EQ(copy.width, 64);
  EXPECT_EQ(copy.rows, 2);
  EXPECT_EQ(copy.columns, 4);
  EXPECT_EQ(copy.GetCellWidth(), 16);
  EXPECT_EQ(copy.GetCellHeight(), 16);
  EXPECT_TRUE(copy.path.empty());
  EXPECT_FALSE(copy.drawn);
  ASSERT_NE(copy.animation, nullptr);
  EXPECT_NE(copy.animation, image.animation);
  EXPECT_EQ(copy.animation->frameCount, 8);

  FillRecorder other;
  other.CopyAttributes(image);
  EXPECT_EQ(other.columns, 4);
  ASSERT_NE(other.animation, nullptr);
  other.CopyAttributes(FillRecorder());
  EXPECT_EQ(other.animation, nullptr);
}

TEST(ImageInterface, VertexRecordsDefaultToCallColour) {
  TexturedVertex tv;
  TriVertex v;
  EXPECT_EQ(tv.color, 0u);
  EXPECT_EQ(v.color, 0u);
  EXPECT_EQ(sizeof(TriVertex), 8 * 4u);
  EXPECT_EQ(sizeof(TexturedVertex), 5 * 4u);
}

}  // namespace
}  // namespace KivoTest
