#include "engine/SinCosTables.h"

#include <gtest/gtest.h>

namespace Kivo {
namespace {

TEST(SinCosTables, OneValueADegreeAroundTheTurn) {
  BuildSinCosTables();
  ASSERT_TRUE(SinCosTablesBuilt());
  const struct {
    int degrees;
    float sine, cosine;
  } cases[] = {{0, 0.0f, 1.0f},    {90, 1.0f, 0.0f},  {180, 0.0f, -1.0f},    {270, -1.0f, 0.0f},
               {-90, -1.0f, 0.0f}, {450, 1.0f, 0.0f}, {30, 0.5f, 0.8660254f}};
  for (const auto& c : cases) {
    EXPECT_NEAR(TableSin(c.degrees), c.sine, 1e-6f) << c.degrees;
    EXPECT_NEAR(TableCos(c.degrees), c.cosine, 1e-6f) << c.degrees;
  }
}

}  // namespace
}  // namespace Kivo
