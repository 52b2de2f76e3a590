// Scene text read as typed values: exact keys, first-wins lookups against
// last-wins readers, and the one conversion per key prefix.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <string>

#include "engine/PropertyList.h"

namespace Kivo {
namespace {

PropertyList MakeList(std::initializer_list<std::pair<const char*, const char*>> pairs) {
  PropertyList list;
  for (const auto& pair : pairs) list.Add(pair.first, pair.second);
  return list;
}

TEST(PropertyList, ReaderTakesTheLastDuplicateAndLookupTheFirst) {
  const PropertyList list = MakeList({{"_iAlph", "100"}, {"_sFont", "big"}, {"_iAlph", "200"}});
  int32_t alpha = 255;
  std::string font;
  ReadProperties(list, {PropertyField::Int("_iAlph", &alpha), PropertyField::Text("_sFont", &font)});
  EXPECT_EQ(200, alpha);
  EXPECT_EQ("big", font);
  EXPECT_EQ("100", list.GetProperty("_iAlph"));
  // Both pairs stay, in file order.
  ASSERT_EQ(3u, list.Size());
  EXPECT_EQ("200", list[2].value);
}

TEST(PropertyList, KeysMatchWholeAndCaseSensitive) {
  const PropertyList list = MakeList({{"_iAlph", "100"}, {"type_game", "find"}});
  for (const char* key : {"_iAlp", "_iAlph ", "_ialph", "_iAlphX", "", "type_Game"}) {
    EXPECT_EQ("", list.GetProperty(key)) << "'" << key << "'";
  }
  EXPECT_EQ("find", list.GetProperty("type_game"));
  EXPECT_EQ("", PropertyList().GetProperty("_iAlph"));
}

TEST(PropertyList, ReaderKeepsDefaultsOfKeysItDoesNotMeet) {
  const PropertyList list = MakeList({{"_iAlp", "1"}, {"_fXVel", "2.5"}, {"_bSkipMode", ""}});
  int32_t alpha = 255;
  float xVel = 0.0f;
  bool skip = true;
  PropertyColor color{1, 2, 3};
  int32_t mode = 0;
  ReadProperties(list, {PropertyField::Int("_iAlph", &alpha), PropertyField::Float("_fXVel", &xVel),
                        PropertyField::Flag("_bSkipMode", &skip), PropertyField::Rgb("_colObj", &color),
                        PropertyField::DrawMode("_sModeDraw", &mode)});
  EXPECT_EQ(255, alpha);  // "_iAlp" is another key
  EXPECT_FLOAT_EQ(2.5f, xVel);
  EXPECT_FALSE(skip);  // present but empty
  EXPECT_EQ(1, color.red);
  EXPECT_EQ(3, color.blue);
  EXPECT_EQ(0, mode);
}

TEST(PropertyConversions, IntegersReadLikeAtoiWithoutOverflow) {
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {
      {" 12x", 12},
      {"abc", 0},
      {"-5", -5},
      {"", 0},
      {"300", 300},  // no clamping to a byte
      {"99999999999", INT32_MAX},
      {"-99999999999", INT32_MIN},
      {"\t7", 7},
      {"0x10", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, PropertyInt(c.text)) << "'" << c.text << "'";
}

TEST(PropertyConversions, FloatsReadLikeAtofInSinglePrecision) {
  struct Case {
    const char* text;
    float value;
  } cases[] = {
      {" 2.5x", 2.5f}, {"1e2", 100.0f}, {"-0.25", -0.25f}, {"abc", 0.0f}, {"", 0.0f}, {"0.1", 0.1f},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, PropertyFloat(c.text)) << "'" << c.text << "'";
  // Beyond the float range: infinities, not undefined narrowing.
  EXPECT_EQ(HUGE_VALF, PropertyFloat("1e39"));
  EXPECT_EQ(-HUGE_VALF, PropertyFloat("-1e300"));
}

TEST(PropertyConversions, FloatsIgnoreACommaLocale) {
  const char* previous = setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!setlocale(LC_NUMERIC, "de_DE.UTF-8") && !setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    GTEST_SKIP() << "no comma locale installed";
  }
  EXPECT_EQ(2.5f, PropertyFloat("2.5"));
  EXPECT_EQ(2.0f, PropertyFloat("2,5"));
  setlocale(LC_NUMERIC, saved.c_str());
}

TEST(PropertyConversions, ColoursTakeRedFromTheLowByte) {
  struct Case {
    const char* text;
    PropertyColor rgb;
  } cases[] = {
      {"255", {255, 0, 0}},      {"256", {0, 1, 0}},
      {"16777221", {5, 0, 0}},  // bit 24 dropped
      {"16711680", {0, 0, 255}}, {"-1", {255, 255, 255}},
      {"", {0, 0, 0}},           {"99999999999", {255, 255, 255}},  // saturated to 0x7FFFFFFF
  };
  for (const Case& c : cases) {
    const PropertyColor got = PropertyRgb(c.text);
    EXPECT_EQ(c.rgb.red, got.red) << c.text;
    EXPECT_EQ(c.rgb.green, got.green) << c.text;
    EXPECT_EQ(c.rgb.blue, got.blue) << c.text;
  }
}

TEST(PropertyConversions, FlagsAndDrawModes) {
  EXPECT_FALSE(PropertyFlag(""));
  EXPECT_TRUE(PropertyFlag("0"));
  EXPECT_TRUE(PropertyFlag(" "));
  EXPECT_EQ(0, PropertyDrawMode("NORMAL"));
  for (const char* additive : {"normal", "", "NORMAL ", "ADD"}) {
    EXPECT_EQ(1, PropertyDrawMode(additive)) << "'" << additive << "'";
  }
}

}  // namespace
}  // namespace Kivo
