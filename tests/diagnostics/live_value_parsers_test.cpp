// The readers of marked expressions, the marker suffix split and the walk
// over a marked source text.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "diagnostics/LiveValueParsers.h"

namespace {

using Kivo::ParsedLiveValue;

TEST(LiveValueParsers, Integers) {
  Kivo::gLiveValueIds["kWidth"] = 640;
  const struct {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"0x1F)", true, 31},
      {"0X1f) + 2", true, 31},
      {"-12)", true, -12},
      {"12)", true, 12},
      {")", true, 0},
      {"-0x1F)", false, 0},
      {"12a)", false, 0},
      {"12", false, 0},
      {"x1F)", false, 0},
      {"kWidth)", true, 640},
      {"kWidth", true, 640},
      {"kHeight)", false, 0},
      {"1.5f)", false, 0},
      {"\"a\")", false, 0},
      {"0xFFFFFFFF)", true, -1},
      {"-2147483648)", true, INT32_MIN},
      // Long numbers wrap in 32 bits instead of overflowing a signed int.
      {"99999999999)", true, 1215752191},
      {"-99999999999)", true, -1215752191},
      {"0x1234567890ABCDEF)", true, static_cast<int32_t>(0x90ABCDEFu)},
  };
  for (const auto& c : cases) {
    int32_t value = 77;
    EXPECT_EQ(Kivo::ParseLiveInt(c.text, value), c.ok) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  Kivo::gLiveValueIds.clear();
}

TEST(LiveValueParsers, FloatingValuesAndTexts) {
  const struct {
    const char* text;
    bool ok;
    double value;
  } reals[] = {{"1.5f)", true, 1.5}, {"2)", true, 2.0},      {"-0.25)", true, -0.25}, {"3.f)", true, 3.0},
               {"1e3)", false, 0.0}, {"1.5ff)", false, 0.0}, {"1.5", false, 0.0},     {"1.2.3)", false, 0.0}};
  for (const auto& c : reals) {
    double value = 9.0;
    EXPECT_EQ(Kivo::ParseLiveDouble(c.text, value), c.ok) << c.text;
    EXPECT_DOUBLE_EQ(value, c.value) << c.text;
  }

  const struct {
    const char* text;
    bool ok;
    const char* value;
  } texts[] = {{"\"a\\\"b\\n\")", true, "a\"b\n"},
               {"\"tab\\there\\\\\" \"more\")", true, "tab\there\\"},
               {"\"\")", true, ""},
               {"\"bad \\q\")", false, ""},
               {"\"open", false, ""},
               {"\"ends in escape\\", false, ""},
               {"12)", false, ""}};
  for (const auto& c : texts) {
    std::string value = "old";
    EXPECT_EQ(Kivo::ParseLiveString(c.text, value), c.ok) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(LiveValueParsers, SplitLineSuffix) {
  const struct {
    const char* text;
    bool ok;
    const char* path;
    int32_t ordinal, line;
  } cases[] = {
      {"path.cpp3,17", true, "path.cpp", 3, 17},
      {"/src/game2/x.cpp0,5", true, "/src/game2/x.cpp", 0, 5},
      {"path.cpp", false, "path.cpp", 0, 0},
      {"1,2", false, "1,2", 0, 0},    // the stop reaches the first character
      {"p12", false, "p12", 0, 0},    // no ',' for "%d,%d"
      {"p1,2,3", true, "p1,", 2, 3},  // the second ',' is where the path ends
      {"path,3", false, "path,3", 0, 0},
      {"path3,", false, "path3,", 0, 0},
      {"p99999999999,1", false, "p99999999999,1", 0, 0},
      {"", false, "", 0, 0},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    int32_t ordinal = 0;
    int32_t line = 0;
    EXPECT_EQ(Kivo::SplitLineSuffix(text, ordinal, line), c.ok) << c.text;
    EXPECT_EQ(text, c.path) << c.text;
    EXPECT_EQ(ordinal, c.ordinal) << c.text;
    EXPECT_EQ(line, c.line) << c.text;
  }
}

struct Walk {
  std::string error;
  std::vector<std::pair<size_t, ParsedLiveValue>> calls;
};

Walk WalkSource(const std::string& source, const std::vector<int32_t>& markerLines) {
  Walk walk;
  walk.error = Kivo::ReadMarkedCalls(source, "src.cpp", markerLines, [&](size_t index, const ParsedLiveValue& value) {
    walk.calls.push_back({index, value});
  });
  return walk;
}

TEST(LiveSourceWalk, WhichParenthesesAreMarkedCalls) {
  const struct {
    const char* line;
    bool call;
  } cases[] = {{"x = M(1);", true},       {"x=M9(1);", true},          {"x = _M(1);", true},
               {"x = XM(1);", false},     {"x = M0(1);", false},       {"x = XM1(1);", false},
               {"M(1);", false},          {"x = 2M(1);", true},        {"x = \"M(1)\";", false},
               {"x = 1; // M(1)", false}, {"x = /* M(1) */ 0;", false}};
  for (const auto& c : cases) {
    Walk walk = WalkSource(std::string("\n") + c.line + "\n", {2});
    EXPECT_EQ(walk.error, "") << c.line;
    EXPECT_EQ(walk.calls.size(), c.call ? 1u : 0u) << c.line;
  }
}

TEST(LiveSourceWalk, MarkersGoToCallsInLineOrder) {
  // Markers on lines 2, 2 and 6; line 2 has three calls, so its third is
  // skipped; line 3's call has no marker; the string, continued literal and
  // comments hide their M( from the walk.
  const std::string source =
      "int a = 0;\n"
      "int b = M(0x1F) + M1(1.5f) + M2(-3);\n"
      "int c = M(4);\n"
      "const char* s = \"M(5) \\\n"
      "  still M(6)\"; /* M(7)\n"
      "  */ int d = M(\"a\\\"b\\n\"); // M(8) \\\n"
      "  M(9) in a continued comment\n";
  Walk walk = WalkSource(source, {2, 2, 6});
  EXPECT_EQ(walk.error, "");
  ASSERT_EQ(walk.calls.size(), 3u);
  EXPECT_EQ(walk.calls[0].first, 0u);
  EXPECT_EQ(walk.calls[0].second.mInt, 31);
  EXPECT_EQ(walk.calls[0].second.mDouble, 0.0);
  EXPECT_EQ(walk.calls[1].first, 1u);
  EXPECT_EQ(walk.calls[1].second.mInt, 0);
  EXPECT_EQ(walk.calls[1].second.mDouble, 1.5);
  EXPECT_EQ(walk.calls[2].first, 2u) << "line 6's call follows the end of a block comment";
  EXPECT_EQ(walk.calls[2].second.mText, "a\"b\n");
}

TEST(LiveSourceWalk, Errors) {
  const struct {
    const char* source;
    const char* error;
  } cases[] = {
      {"a\nx = \"open;\n", "ERROR in src.cpp on line 2: Error parsing quotes"},
      {"a\nx = \"open \\", "ERROR in src.cpp on line 2: Error parsing quotes"},
      {"a\nx = 1; // c \\\n", "ERROR in src.cpp on line 2: Error parsing c++ comment"},
      {"a\n/* open\nb\n", "ERROR in src.cpp on line 3: Error parsing c comment"},
      {"a\nx = M(1e3);\n", "ERROR in src.cpp on line 2.  Parsing Error."},
      {"a\r\nx = \"ok\\\\\"; M(2);\r\n", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(WalkSource(c.source, {2}).error, c.error) << c.source;
}

TEST(LiveSourceWalk, LongLinesAreCutLikeTheLineReader) {
  // 8,191 bytes make the first line; the rest of it counts as line 2.
  const std::string source = std::string(8191, ' ') + " x = M(12);\n";
  Walk walk = WalkSource(source, {2});
  ASSERT_EQ(walk.calls.size(), 1u);
  EXPECT_EQ(walk.calls[0].second.mInt, 12);
}

}  // namespace
