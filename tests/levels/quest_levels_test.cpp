// The quest sample levels: won in process by the rule, through the camera's
// closing move; the white counts by their plates readable on what is drawn
// under them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "image/MemoryImage.h"
#include "levels/QuestGame.h"
#include "tests/levels/sample_level_support.h"
#include "tools/sampledata/SampleLevels.h"

namespace leveltest {
namespace {

TEST_F(SampleLevelTest, QuestSampleIsWonThroughTheFinalElement) {
  Kivo::LevelPlayer player;
  std::string error;
  ASSERT_TRUE(player.Load("Level_4_4", &error)) << error;
  auto* game = dynamic_cast<Kivo::QuestGame*>(player.Game());
  ASSERT_NE(game, nullptr);
  ASSERT_NE(game->mFinal, nullptr);
  ASSERT_NE(game->mCamera, nullptr);
  EXPECT_EQ(game->mTools.size(), 1u);
  const Kivo::LevelPlayResult result = player.Play(60000);
  EXPECT_TRUE(result.won) << result.failure;
  EXPECT_EQ(game->mFinalStage, 2);
  EXPECT_TRUE(game->mCamera->IsPlaying() || game->mCamera->FindAnimation("cam") != nullptr);
}

// The colour a drawn picture leaves at (x, y) of the frame, over what was
// there before; false where the call draws nothing there.
bool DrawnColour(const kindstest::DrawCall& call, float x, float y, double rgb[3]) {
  auto* image = dynamic_cast<Kivo::MemoryImage*>(call.image);
  if (image == nullptr || image->GetBits() == nullptr || call.kind != "quad" || call.mode != 0) return false;
  const Kivo::Quad& q = call.quad;
  const float left = std::min(q.corner[0].x, q.corner[3].x);
  const float right = std::max(q.corner[1].x, q.corner[2].x);
  const float top = std::min(q.corner[0].y, q.corner[1].y);
  const float bottom = std::max(q.corner[2].y, q.corner[3].y);
  if (x < left || x >= right || y < top || y >= bottom) return false;
  const float u = call.u0 + (x - left) / (right - left) * (call.u1 - call.u0);
  const float v = call.v0 + (y - top) / (bottom - top) * (call.v1 - call.v0);
  const int px = std::clamp(static_cast<int>(u * static_cast<float>(image->width)), 0, image->width - 1);
  const int py = std::clamp(static_cast<int>(v * static_cast<float>(image->height)), 0, image->height - 1);
  const uint32_t p =
      image->GetBits()[static_cast<size_t>(py) * static_cast<size_t>(image->width) + static_cast<size_t>(px)];
  const double a = static_cast<double>(p >> 24) / 255.0 * call.color.alpha / 255.0;
  if (a <= 0.0) return false;
  const double tint[3] = {call.color.red / 255.0, call.color.green / 255.0, call.color.blue / 255.0};
  const double channel[3] = {static_cast<double>((p >> 16) & 0xFF), static_cast<double>((p >> 8) & 0xFF),
                             static_cast<double>(p & 0xFF)};
  for (int i = 0; i < 3; ++i) rgb[i] = a * channel[i] * tint[i] + (1.0 - a) * rgb[i];
  return true;
}

double Luminance(const double rgb[3]) {
  double lum = 0.0;
  const double weight[3] = {0.2126, 0.7152, 0.0722};
  for (int i = 0; i < 3; ++i) {
    const double c = rgb[i] / 255.0;
    lum += weight[i] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
  }
  return lum;
}

TEST_F(SampleLevelTest, QuestCountsStandOnGroundDarkEnoughForTheirWhiteFigures) {
  int levels = 0;
  for (int stage = 1; stage <= 40; ++stage) {
    for (int number = 1; number <= 4; ++number) {
      if (Kivo::SampleLevelSlot(stage, number).type != "quest") continue;
      ++levels;
      const std::string scene = "Level_" + std::to_string(stage) + "_" + std::to_string(number);
      SCOPED_TRACE(scene);
      Kivo::LevelPlayer player;
      std::string error;
      ASSERT_TRUE(player.Load(scene, &error)) << error;
      auto* game = dynamic_cast<Kivo::QuestGame*>(player.Game());
      ASSERT_NE(game, nullptr);
      ASSERT_FALSE(game->mCounterTexts.empty());
      screen.calls.clear();
      game->Draw(graphics);
      for (const Kivo::sObjText* count : game->mCounterTexts) {
        const Kivo::Vector2& at = count->mBaseQuad.corner[0];
        // Where a figure or two of the count is drawn.
        for (float y = at.y + 3.0f; y < at.y + 20.0f; y += 2.0f) {
          for (float x = at.x; x < at.x + 16.0f; x += 2.0f) {
            double rgb[3] = {0.0, 0.0, 0.0};
            for (const kindstest::DrawCall& call : screen.calls) DrawnColour(call, x, y, rgb);
            const double contrast = 1.05 / (Luminance(rgb) + 0.05);
            ASSERT_GE(contrast, 3.0) << "under the count at " << x << "," << y;
          }
        }
      }
    }
  }
  EXPECT_GE(levels, 1);
}

}  // namespace
}  // namespace leveltest
