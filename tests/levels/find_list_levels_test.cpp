// The list kinds' sample levels: what the builder makes of them (items as
// cut-out pictures on quads of their size, left of the HUD panel, varying
// from one appearance to the next), and each won in process by its kind's
// autoplay rule.
#include <gtest/gtest.h>

#include <set>

#include "tests/levels/sample_level_support.h"
#include "tools/sampledata/SampleLevels.h"
#include "tools/sampledata/levels/FindListLevels.h"

namespace leveltest {
namespace {

using Kivo::DtmRecord;
using Kivo::LevelAssets;
using Kivo::LevelSlot;

// The first level of each kind and its next appearance.
const SampleCase kCases[] = {{1, 1, "find_list_mask"}, {7, 4, "find_list_mask"},   {1, 2, "find_list_text"},
                             {8, 1, "find_list_text"}, {2, 1, "find_list_object"}, {8, 4, "find_list_object"}};

std::string Property(const DtmRecord& record, const std::string& key) {
  for (const auto& [k, v] : record.properties)
    if (k == key) return v;
  return "";
}

TEST(FindListSampleLevels, ItemsAreCutOutPicturesOnQuadsOfTheirSizeLeftOfTheHud) {
  for (const SampleCase& c : kCases) {
    SCOPED_TRACE(c.type + std::to_string(c.stage) + "_" + std::to_string(c.level));
    const LevelSlot slot = Kivo::SampleLevelSlot(c.stage, c.level);
    ASSERT_EQ(slot.type, c.type);
    LevelAssets assets;
    const DtmRecord root = Kivo::SampleLevelMaker(slot.type)(slot, assets);
    EXPECT_EQ(Property(root, "type_game"), c.type);
    int items = 0;
    std::set<std::string> names;
    for (const DtmRecord& child : root.children) {
      EXPECT_TRUE(names.insert(child.name).second) << child.name;
      if (child.type != 7) continue;
      ++items;
      const auto& pictures = assets.Pictures();
      const auto picture = pictures.find(Property(child, "_keyImg"));
      ASSERT_NE(picture, pictures.end()) << child.name;
      const auto& image = picture->second.image;
      // Seen against the room, not on a card of its own, and clickable at
      // its centre (where the autoplay rule and the hint aim).
      const size_t centre = static_cast<size_t>((image.height / 2) * image.width + image.width / 2);
      EXPECT_EQ(image.pixels[centre] >> 24, 0xFFu) << child.name;
      EXPECT_EQ(image.pixels[0] >> 24, 0u) << child.name;
      const float* q = child.corners;
      EXPECT_EQ(q[2] - q[0], static_cast<float>(image.width)) << child.name;
      EXPECT_EQ(q[5] - q[1], static_cast<float>(image.height)) << child.name;
      EXPECT_EQ(q[1], q[3]);  // unrotated
      EXPECT_EQ(q[0], q[6]);
      EXPECT_LT(q[2], 680.0f) << child.name;
      EXPECT_GE(q[1], 0.0f);
      EXPECT_LE(q[5], 600.0f);
    }
    EXPECT_GE(items, std::stoi(Property(root, "_iNumObjFind")));
    const std::string listX = Property(root, "_iListX");
    if (slot.type == "find_list_object") EXPECT_LE(std::stoi(listX) + 35, 679);  // its list is clicked
  }
}

TEST(FindListSampleLevels, LaterAppearancesDiffer) {
  for (const char* type : {"find_list_mask", "find_list_text", "find_list_object"}) {
    SCOPED_TRACE(type);
    std::set<std::string> layouts;
    std::set<std::string> totals;
    for (int stage = 1; stage <= 40; ++stage) {
      for (int level = 1; level <= 4; ++level) {
        const LevelSlot slot = Kivo::SampleLevelSlot(stage, level);
        if (slot.type != type) continue;
        LevelAssets assets;
        const DtmRecord root = Kivo::SampleLevelMaker(type)(slot, assets);
        std::string layout;
        for (const DtmRecord& child : root.children) {
          layout += child.name + "@" + std::to_string(child.corners[0]) + "," + std::to_string(child.corners[1]) + ";";
        }
        EXPECT_TRUE(layouts.insert(layout).second) << "Level_" << stage << "_" << level << " repeats a layout";
        totals.insert(Property(root, "_iNumObjFind"));
      }
    }
    EXPECT_EQ(layouts.size(), 6u);
    EXPECT_GE(totals.size(), 3u);
  }
}

class FindListLevelsTest : public SampleLevelTest, public ::testing::WithParamInterface<SampleCase> {};

TEST_P(FindListLevelsTest, SampleLevelIsWonByItsRule) {
  const SampleCase& c = GetParam();
  const Kivo::LevelPlayResult result = PlaySampleLevel(c.stage, c.level);
  EXPECT_TRUE(result.won) << c.type << ": " << result.failure;
  EXPECT_FALSE(result.lost);
  EXPECT_GE(result.moves, 4);  // won by finding, not at once
}

INSTANTIATE_TEST_SUITE_P(Levels, FindListLevelsTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SampleCase>& info) {
                           return std::string(info.param.type) + "_" + std::to_string(info.param.stage) + "_" +
                                  std::to_string(info.param.level);
                         });

}  // namespace
}  // namespace leveltest
