// Animation definitions: the key text language, the file keys, key paths,
// the folder of animation files as the builder writes it, and the writer's
// refusals.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/AnimDef.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/SampleAnimations.h"

namespace {

using Kivo::AnimDef;
using Kivo::Keyframe;
using Kivo::Vec2;

constexpr float kDegree = 0.017453292f;

AnimDef FromLines(const std::vector<std::string>& lines) {
  AnimDef def;
  Kivo::ApplyAnimDefLines(def, lines);
  return def;
}

struct KeyLineCase {
  const char* line;
  int index;
  float angle;
  float scaleX, scaleY;
  float alpha, red;
  bool ease;
};

TEST(AnimKeyText, KeyLinesGiveTheirFields) {
  const KeyLineCase cases[] = {
      {"key_1=icos(1)s(0.5,0.5)", 0, 0.0f, 0.5f, 0.5f, 255, 255, true},
      {"key_1=s(0.5,0.5)icos(1)", 0, 0.0f, 0.5f, 0.5f, 255, 255, true},
      {"key_3=r(45.9)", 2, 45 * kDegree, 1, 1, 255, 255, false},
      {"key_1=c(128)", 0, 0.0f, 1, 1, 128, 255, false},
      {"key_1=c(,10)", 0, 0.0f, 1, 1, 255, 10, false},
      {"key_1=s(2)", 0, 0.0f, 2, 1, 255, 255, false},
      // "s" is not found inside "icos": the scale stays 1.
      {"key_1=icos(1)", 0, 0.0f, 1, 1, 255, 255, true},
      {"key_1=icos(2)", 0, 0.0f, 1, 1, 255, 255, false},
      {"key_1=r(-90)", 0, -90 * kDegree, 1, 1, 255, 255, false},
  };
  for (const KeyLineCase& c : cases) {
    SCOPED_TRACE(c.line);
    AnimDef def = FromLines({c.line});
    ASSERT_EQ(def.keyList.size(), 1u);
    const Keyframe& key = def.keyList[0];
    EXPECT_EQ(key.index, c.index);
    EXPECT_FLOAT_EQ(key.angle, c.angle);
    EXPECT_FLOAT_EQ(key.scaleX, c.scaleX);
    EXPECT_FLOAT_EQ(key.scaleY, c.scaleY);
    EXPECT_FLOAT_EQ(key.alpha, c.alpha);
    EXPECT_FLOAT_EQ(key.red, c.red);
    EXPECT_FLOAT_EQ(key.green, 255.0f);
    EXPECT_EQ(key.cosineEase, c.ease);
    EXPECT_FALSE(key.vertexMode);
  }
}

TEST(AnimKeyText, PathsNeedFourPoints) {
  AnimDef three = FromLines({"key_2=in(0,0,10,10,20,0)"});
  ASSERT_EQ(three.keyList.size(), 1u);
  EXPECT_EQ(three.keyList[0].index, 1);
  EXPECT_TRUE(three.keyList[0].path.Empty());

  // A missing y reads as 0: four points, one segment.
  AnimDef four = FromLines({"key_1=in(1,2,3,,5,6,7,8)"});
  ASSERT_EQ(four.keyList[0].path.points.size(), 4u);
  EXPECT_EQ(four.keyList[0].path.points[1].y, 0.0f);
  EXPECT_EQ(four.keyList[0].path.weights.size(), 1u);
}

TEST(AnimKeyText, FindCallArgument) {
  struct Case {
    const char* text;
    const char* group;
    int n;
    const char* expected;
  } cases[] = {
      {"in(1,2,3)", "in", 2, "3"},
      {"in(1,2,3)", "in", 3, ""},
      {"icos(1)", "s", 0, ""},
      {"xs(4)_s(5)", "s", 0, "5"},
      {"t( 1 ,2)", "t", 0, " 1 "},
      {"c((7),8)", "c", 0, "7"},
      {"r(5)r(6)", "r", 0, "5"},
      {"s(1,2)", "s", -1, ""},
      // A group the text ends inside: what a comma closed counts, the rest
      // does not.
      {"in(1,2,3", "in", 0, "1"},
      {"in(1,2,3", "in", 1, "2"},
      {"in(1,2,3", "in", 2, ""},
      {"s(2,3", "s", 0, "2"},
      {"s(2", "s", 0, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Kivo::FindCallArgument(c.text, c.group, c.n), c.expected) << c.text << " " << c.group << " " << c.n;
  }
}

TEST(AnimKeyText, VertexKeyKeepsThePreviousLinesScaleAndOffset) {
  AnimDef def = FromLines({"key_1=s(2,3)t(4,5)", "key_2=v(5,0,0,0,0,0,0,-1)t(9,9)s(7,7)", "key_3=c(0)"});
  ASSERT_EQ(def.keyList.size(), 3u);
  const Keyframe& vertex = def.keyList[1];
  EXPECT_TRUE(vertex.vertexMode);
  EXPECT_EQ(vertex.cornerOffsets[0], 5.0f);
  EXPECT_EQ(vertex.cornerOffsets[7], -1.0f);
  EXPECT_EQ(vertex.scaleX, 2.0f);
  EXPECT_EQ(vertex.scaleY, 3.0f);
  EXPECT_EQ(vertex.offsetX, 4.0f);
  EXPECT_EQ(vertex.offsetY, 5.0f);
  // The next plain key reads its own scale and offset again.
  EXPECT_FALSE(def.keyList[2].vertexMode);
  EXPECT_EQ(def.keyList[2].scaleX, 1.0f);
  EXPECT_EQ(def.keyList[2].offsetX, 0.0f);
}

TEST(AnimFileLines, FileKeysAndWhatIsIgnored) {
  AnimDef empty = FromLines({});
  EXPECT_EQ(empty.keys, 0);
  EXPECT_EQ(empty.rate, 0u);
  EXPECT_EQ(empty.mode, Kivo::kAnimOnce);

  EXPECT_EQ(FromLines({"type=circle"}).mode, Kivo::kAnimOnce);
  EXPECT_EQ(FromLines({"type=CIRCLE"}).mode, Kivo::kAnimLoop);
  EXPECT_EQ(FromLines({"type=PING_PONG"}).mode, Kivo::kAnimPingPong);
  EXPECT_EQ(FromLines({"keys = 13"}).keys, 0);
  EXPECT_EQ(FromLines({"keys=13", "rate=24"}).keys, 13);
  EXPECT_EQ(FromLines({"rate=24"}).rate, 24u);
  EXPECT_EQ(FromLines({"effBegin(x)=y"}).effBegin.name, "");
  EXPECT_EQ(FromLines({"effBegin:x=y"}).effBegin.name, "");

  AnimDef links = FromLines({"effBegin=a", "effPlayed=b", "effEnd=c", "sound_begin=d", "sound_end=e", "effEnd=f"});
  EXPECT_EQ(links.effBegin.name, "a");
  EXPECT_EQ(links.effPlayed.name, "b");
  EXPECT_EQ(links.effEnd.name, "f");
  EXPECT_EQ(links.soundBegin.name, "d");
  EXPECT_EQ(links.soundEnd.name, "e");

  AnimDef wait = FromLines({"time_wait_rnd=3", "time_wait=1"});
  EXPECT_FALSE(wait.randomWait);
  EXPECT_EQ(wait.wait, 1.0f);
  AnimDef randomWait = FromLines({"time_wait=1", "time_wait_rnd=2.5"});
  EXPECT_TRUE(randomWait.randomWait);
  EXPECT_EQ(randomWait.wait, 2.5f);

  AnimDef twice = FromLines({"key_5=c(1)", "key_5=c(2)"});
  ASSERT_EQ(twice.keyList.size(), 2u);
  EXPECT_EQ(twice.keyList[0].index, 4);
  EXPECT_EQ(twice.keyList[1].index, 4);
  EXPECT_EQ(twice.keyList[0].alpha, 1.0f);
  EXPECT_EQ(twice.keyList[1].alpha, 2.0f);

  // Frame numbers beyond int saturate instead of overflowing.
  AnimDef far = FromLines({"key_-99999999999=", "key_99999999999="});
  EXPECT_EQ(far.keyList[0].index, INT32_MIN);
  EXPECT_EQ(far.keyList[1].index, INT32_MAX - 1);
}

TEST(KeyPathTest, FourPointsRunFromTheSecondToTheThird) {
  const Vec2 p[4] = {{0, 0}, {10, 0}, {20, 10}, {30, 0}};
  Keyframe key;
  for (const Vec2& point : p) key.AddPathPoint(point);
  ASSERT_EQ(key.path.weights.size(), 1u);
  EXPECT_GT(key.path.total, 0.0f);
  Kivo::Vector2 expected;
  Kivo::CatmullRomPoint(expected, p[0], p[1], p[2], p[3], 0.5f);
  const Vec2 middle = key.PathPoint(0.5f);
  EXPECT_NEAR(middle.x, expected.x, 1e-4);
  EXPECT_NEAR(middle.y, expected.y, 1e-4);
  EXPECT_NEAR(key.PathPoint(0.0f).x, 10.0f, 1e-5);
  EXPECT_NEAR(key.PathPoint(-3.0f).x, 10.0f, 1e-5);
  EXPECT_NEAR(key.PathPoint(1.0f).x, 20.0f, 1e-5);
  EXPECT_NEAR(key.PathPoint(1.0f).y, 10.0f, 1e-5);
  EXPECT_NEAR(key.PathPoint(7.0f).x, 20.0f, 1e-5);
}

TEST(KeyPathTest, LongerPathsShareTimeByWeight) {
  Keyframe key;
  for (int i = 0; i < 6; ++i) key.AddPathPoint(Vec2(10.0f * i, 0));
  ASSERT_EQ(key.path.weights.size(), 3u);
  float previous = -1.0f;
  for (float t = 0.0f; t <= 1.0f; t += 0.05f) {
    const Vec2 point = key.PathPoint(t);
    EXPECT_GE(point.x, previous) << t;  // a straight, evenly spaced path only goes forward
    previous = point.x;
  }
  EXPECT_NEAR(key.PathPoint(0.5f).x, 25.0f, 0.5f);
}

TEST(KeyPathTest, EqualPointsStayOnTheSecondPoint) {
  Keyframe key;
  for (int i = 0; i < 4; ++i) key.AddPathPoint(Vec2(3, 4));
  // A path whose weights are all zero has no time to share out.
  Keyframe zero;
  zero.path.points.assign(4, Vec2(3, 4));
  zero.path.weights = {0.0f};
  zero.path.total = 0.0f;
  for (float t : {0.0f, 0.25f, 0.5f, 0.99f, 1.0f}) {
    for (const Keyframe* k : {&key, &zero}) {
      const Vec2 point = k->PathPoint(t);
      EXPECT_EQ(point.x, 3.0f) << t;
      EXPECT_EQ(point.y, 4.0f) << t;
    }
  }
}

// The builder's animation folder, read back by the engine from the working
// folder.
class AnimFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(mPrevious, sizeof mPrevious), nullptr);
    ASSERT_EQ(chdir(mFolder.path().c_str()), 0);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(mPrevious), 0);
    Kivo::gAnimDefs.clear();
  }
  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  TempFolder mFolder;
  char mPrevious[4096];
};

TEST_F(AnimFolder, SampleAnimationsReadBackAsWritten) {
  std::string error;
  ASSERT_TRUE(Kivo::WriteSampleAnimations(".", &error)) << error;
  // Another spelling of the folder and the extension, and a file that
  // cannot be read (empty).
  std::filesystem::rename("data/animations", "data/Animations");
  std::string bytes;
  Kivo::AnimFileSpec loud = Kivo::SampleAnimations()[0];
  loud.name = "Loud";
  ASSERT_TRUE(Kivo::AnimFileBytes(loud, false, &bytes, &error)) << error;
  Write("data/Animations/Loud.ATXT", bytes);
  Write("data/Animations/zero.atxt", "");
  Write("data/Animations/notes.txt", "keys=3");
  std::filesystem::create_directories("data/Animations/folder.atxt");

  Kivo::LoadAllAnimDefs();
  std::vector<std::string> names;
  for (const AnimDef& def : Kivo::gAnimDefs) names.push_back(def.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Loud", "appear", "blink", "fade_in", "fade_out", "finded", "hide",
                                             "pulse", "wave", "zero"}));

  const AnimDef* zero = Kivo::FindAnimDef("zero");
  ASSERT_NE(zero, nullptr);
  EXPECT_EQ(zero->keys, 0);
  EXPECT_EQ(zero->rate, 0u);
  EXPECT_TRUE(zero->keyList.empty());
  EXPECT_EQ(Kivo::FindAnimDef("loud"), nullptr) << "names are compared exactly";
  ASSERT_NE(Kivo::FindAnimDef("Loud"), nullptr);
  EXPECT_EQ(Kivo::FindAnimDef("Loud")->keyList.size(), 2u);

  for (const Kivo::AnimFileSpec& spec : Kivo::SampleAnimations()) {
    SCOPED_TRACE(spec.name);
    const AnimDef* def = Kivo::FindAnimDef(spec.name);
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->keys, spec.keys);
    EXPECT_EQ(def->rate, spec.rate);
    EXPECT_EQ(def->mode, Kivo::AnimModeFromText(spec.type));
    EXPECT_EQ(def->wait, spec.wait);
    EXPECT_EQ(def->randomWait, spec.randomWait);
    ASSERT_EQ(def->keyList.size(), spec.keyList.size());
    for (size_t i = 0; i < spec.keyList.size(); ++i) {
      const Keyframe& key = def->keyList[i];
      const Kivo::AnimKeySpec& written = spec.keyList[i];
      EXPECT_EQ(key.index, written.frame);
      EXPECT_FLOAT_EQ(key.angle, written.degrees * kDegree);
      EXPECT_EQ(key.scaleX, written.scaleX);
      EXPECT_EQ(key.scaleY, written.scaleY);
      EXPECT_EQ(key.alpha, written.alpha);
      EXPECT_EQ(key.cosineEase, written.cosineEase);
      ASSERT_EQ(key.path.points.size(), written.path.size());
      for (size_t p = 0; p < written.path.size(); ++p) {
        EXPECT_EQ(key.path.points[p].x, written.path[p].first);
        EXPECT_EQ(key.path.points[p].y, written.path[p].second);
      }
    }
  }
  const AnimDef* wave = Kivo::FindAnimDef("wave");
  EXPECT_EQ(wave->mode, Kivo::kAnimLoop);
  EXPECT_EQ(wave->keyList[0].path.points.size(), 5u);
  EXPECT_EQ(Kivo::FindAnimDef("pulse")->mode, Kivo::kAnimPingPong);
  EXPECT_EQ(Kivo::FindAnimDef("pulse")->wait, 0.5f);
  EXPECT_EQ(Kivo::FindAnimDef("blink")->keyList[1].alpha, 0.0f);
}

TEST_F(AnimFolder, NoFolderGivesAnEmptyTable) {
  Kivo::gAnimDefs.resize(2);
  Kivo::LoadAllAnimDefs();
  EXPECT_TRUE(Kivo::gAnimDefs.empty());
  EXPECT_EQ(Kivo::FindAnimDef(""), nullptr);
}

TEST(AnimWriter, RefusesWhatCannotBeReadBack) {
  Kivo::AnimFileSpec good;
  good.name = "ok";
  good.keys = 13;
  good.rate = 24;
  good.keyList.resize(2);
  good.keyList[1].frame = 12;
  std::string bytes, error;
  ASSERT_TRUE(Kivo::AnimFileBytes(good, false, &bytes, &error)) << error;
  EXPECT_EQ(bytes, "keys=13\r\nrate=24\r\nkey_1=\r\nkey_13=\r\n");

  struct Case {
    const char* why;
    void (*change)(Kivo::AnimFileSpec&);
    bool rawAccepts;
  } cases[] = {
      {"bracket", [](Kivo::AnimFileSpec& a) { a.name = "a(b"; }, false},
      {"colon", [](Kivo::AnimFileSpec& a) { a.name = "a:b"; }, false},
      {"equals", [](Kivo::AnimFileSpec& a) { a.name = "a=b"; }, false},
      {"slash", [](Kivo::AnimFileSpec& a) { a.name = "a/b"; }, false},
      {"backslash", [](Kivo::AnimFileSpec& a) { a.name = "a\\b"; }, false},
      {"empty", [](Kivo::AnimFileSpec& a) { a.name = ""; }, false},
      {"link line break", [](Kivo::AnimFileSpec& a) { a.effEnd = "x\ny"; }, false},
      {"three points",
       [](Kivo::AnimFileSpec& a) {
         a.keyList[0].path = {{0, 0}, {1, 1}, {2, 2}};
       },
       false},
      {"not finite", [](Kivo::AnimFileSpec& a) { a.keyList[0].alpha = NAN; }, false},
      {"rate 0", [](Kivo::AnimFileSpec& a) { a.rate = 0; }, true},
      {"unknown type", [](Kivo::AnimFileSpec& a) { a.type = "circle"; }, true},
      {"not from 0", [](Kivo::AnimFileSpec& a) { a.keyList[0].frame = 1; }, true},
      {"not to keys - 1", [](Kivo::AnimFileSpec& a) { a.keys = 14; }, true},
      {"descending", [](Kivo::AnimFileSpec& a) { a.keyList.insert(a.keyList.begin() + 1, a.keyList[1]); }, true},
      {"no keys", [](Kivo::AnimFileSpec& a) { a.keyList.clear(); }, true},
  };
  for (const Case& c : cases) {
    Kivo::AnimFileSpec spec = good;
    c.change(spec);
    std::string out = "untouched";
    error.clear();
    EXPECT_FALSE(Kivo::AnimFileBytes(spec, false, &out, &error)) << c.why;
    EXPECT_EQ(out, "untouched") << c.why;
    EXPECT_FALSE(error.empty()) << c.why;
    EXPECT_EQ(Kivo::AnimFileBytes(spec, true, &out, &error), c.rawAccepts) << c.why;
  }

  // Every field of a key written and read back.
  Kivo::AnimKeySpec full;
  full.degrees = -30;
  full.scaleX = 0.25f;
  full.offsetY = -2.5f;
  full.path = {{1, 2}, {3, 4}, {5, 6}, {7, 8}};
  full.red = 10;
  full.pivotX = 3;
  full.cosineEase = true;
  EXPECT_EQ(Kivo::AnimKeyText(full), "r(-30)icos(1)s(0.25,1)t(0,-2.5)in(1,2,3,4,5,6,7,8)c(255,10,255,255)pp(3,0)");
}

}  // namespace
