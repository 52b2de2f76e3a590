// Scene loading through the object factory: list order and parents, each
// object configured before its children exist, appending loads, lookups by
// name, animation links and the release of every object.
#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

#include "engine/SceneLoader.h"
#include "tests/engine/scene_file_support.h"

namespace scenetest {
namespace {

constexpr int kRecordingType = 5;

std::vector<std::string>* gJournal = nullptr;
int gCreated = 0;

// A kind that notes every step of its life, and takes effect links.
class RecordingKind : public sObj, public AnimEffectTarget {
 public:
  RecordingKind() { ++gCreated; }
  ~RecordingKind() override { Note("destroy"); }
  void ApplyProperties() override {
    Note("apply with " + std::to_string(gCreated) + " made");
    sObj::ApplyProperties();
  }
  void OnCreated() override { Note("created with " + std::to_string(gCreated) + " made"); }
  void ReleaseImages() override { Note("release"); }
  void StartAt(Vec2) override { Note("StartAt"); }
  void StartFollowing(const Vec2* point) override {
    Note("StartFollowing");
    followed = point;
  }
  void Stop() override { Note("Stop"); }

  const Vec2* followed = nullptr;

 private:
  void Note(const std::string& what) { gJournal->push_back(mName + " " + what); }
};

class SceneLoadingTest : public SceneFileTest {
 protected:
  void SetUp() override {
    gJournal = &journal;
    gCreated = 0;
    previous = RegisterObjectKind(kRecordingType, [] { return new RecordingKind(); });
  }
  void TearDown() override {
    RegisterObjectKind(kRecordingType, previous);
    gJournal = nullptr;
    SceneFileTest::TearDown();
  }
  bool OpenScenes(const std::vector<std::pair<std::string, DtmRecord>>& scenes) {
    SceneDatabaseWriter writer;
    std::string error;
    for (const auto& scene : scenes) EXPECT_TRUE(writer.AddScene(scene.first, scene.second, &error)) << error;
    return Open(writer);
  }

  std::vector<std::string> journal;
  ObjectKindCreator previous;
};

TEST_F(SceneLoadingTest, ObjectsComeDepthFirstEachConfiguredBeforeItsChildren) {
  DtmRecord a = Record("A", kRecordingType);
  a.Child(Record("A1", kRecordingType));
  DtmRecord root = Record("root", kRecordingType);
  root.Child(a).Child(Record("B", kRecordingType));
  ASSERT_TRUE(OpenScenes({{"S", root}}));

  ObjectList list;
  ASSERT_TRUE(LoadScene("S", list));
  ASSERT_EQ(list.size(), 4u);
  const char* names[] = {"root", "A", "A1", "B"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list[i]->mName, names[i]);
  EXPECT_EQ(list[0]->mParent, nullptr);
  EXPECT_EQ(list[1]->mParent, list[0]);
  EXPECT_EQ(list[2]->mParent, list[1]);
  EXPECT_EQ(list[3]->mParent, list[0]);
  EXPECT_EQ(list[2]->mTypeCode, kRecordingType);
  EXPECT_EQ(journal,
            (std::vector<std::string>{"root apply with 1 made", "root created with 1 made", "A apply with 2 made",
                                      "A created with 2 made", "A1 apply with 3 made", "A1 created with 3 made",
                                      "B apply with 4 made", "B created with 4 made"}));

  journal.clear();
  DeleteObjects(list);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(journal, (std::vector<std::string>{"root release", "root destroy", "A release", "A destroy", "A1 release",
                                               "A1 destroy", "B release", "B destroy"}));
  DeleteObjects(list);
  EXPECT_TRUE(list.empty());
}

TEST_F(SceneLoadingTest, LoadsAppendAndLookupsFindTheEarlierName) {
  DtmRecord first = Record("one", 1);
  first.Child(Record("twin", 1));
  DtmRecord second = Record("twin", 2);
  ASSERT_TRUE(OpenScenes({{"First", first}, {"Second", second}}));

  ObjectList list;
  ASSERT_TRUE(LoadScene("First", list));
  EXPECT_FALSE(LoadScene("Missing", list));
  EXPECT_EQ(list.size(), 2u);
  ASSERT_TRUE(LoadScene("Second", list));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[2]->mTypeCode, 2);
  EXPECT_EQ(FindObjectByName(list, "twin"), list[1]);
  EXPECT_EQ(FindObjectByName(list, "one"), list[0]);
  EXPECT_EQ(FindObjectByName(list, "twi"), nullptr);
}

TEST_F(SceneLoadingTest, CodesWithoutAKindMakePlainObjects) {
  DtmRecord root = Record("root", 20);
  root.Child(Record("big", 1000)).Child(Record("sprite", 3)).Child(Record("kind", kRecordingType));
  ASSERT_TRUE(OpenScenes({{"S", root}}));
  ObjectList list;
  ASSERT_TRUE(LoadScene("S", list));
  ASSERT_EQ(list.size(), 4u);
  for (int i = 0; i < 3; ++i) {
    const sObj& object = *list[i];
    EXPECT_EQ(typeid(object), typeid(sObj)) << object.mName;
  }
  EXPECT_EQ(list[1]->mTypeCode, 1000);
  EXPECT_NE(dynamic_cast<RecordingKind*>(list[3]), nullptr);
}

TEST_F(SceneLoadingTest, LinksResolveByNameAndEachEffectLinkStartsTheAutoplaysEffect) {
  DtmRecord root = Record("root", 1);
  root.Property("_iAniKey_wave", "3")
      .Property("_iAniRate_wave", "10")
      .Property("_sAniKey_wave_1", "c(255)")
      .Property("_sAniKey_wave_3", "c(0)")
      .Property("_sEffPlayed_wave", "spark")
      .Property("_sEffBegin_wave", "nobody")
      .Property("_sSoundEnd_wave", "spark")
      .Property("_iAniKey_idle", "2")
      .Property("_sEffPlayed_idle", "spark")
      .Property("_sAnimYet", "wave");
  root.Child(Record("spark", kRecordingType)).Child(Record("spark", kRecordingType));
  ASSERT_TRUE(OpenScenes({{"S", root}}));
  ObjectList list;
  ASSERT_TRUE(LoadScene("S", list));
  ASSERT_TRUE(list[0]->IsPlaying());
  journal.clear();
  LinkAnimTargets(list);

  const AnimDef* wave = list[0]->FindAnimation("wave");
  ASSERT_NE(wave, nullptr);
  EXPECT_EQ(wave->effPlayed.target, list[1]);
  EXPECT_EQ(wave->effBegin.target, nullptr);
  EXPECT_EQ(wave->soundEnd.target, list[1]);
  EXPECT_EQ(list[0]->FindAnimation("idle")->effPlayed.target, list[1]);
  // Each resolved effect-while-playing link starts the playing animation's
  // effect: "wave"'s own link, then "idle"'s.
  EXPECT_EQ(journal, (std::vector<std::string>{"spark StartFollowing", "spark StartFollowing"}));
  EXPECT_EQ(static_cast<RecordingKind*>(list[1])->followed, &list[0]->mDisplayCentre);
}

// Only links resolved while the playing animation's own effect is known
// start it: a link before that one does not, and a playing animation
// without an effect starts nothing.
TEST_F(SceneLoadingTest, EffectLinksBeforeThePlayingOnesOwnStartNothing) {
  DtmRecord root = Record("root", 1);
  DtmRecord later = Record("later", 1);
  later.Property("_iAniKey_idle", "2")
      .Property("_sEffPlayed_idle", "spark")
      .Property("_iAniKey_wave", "2")
      .Property("_iAniRate_wave", "10")
      .Property("_sAniKey_wave_1", "c(255)")
      .Property("_sAniKey_wave_2", "c(0)")
      .Property("_sEffPlayed_wave", "spark")
      .Property("_sAnimYet", "wave");
  DtmRecord quiet = Record("quiet", 1);
  quiet.Property("_iAniKey_idle", "2")
      .Property("_sEffPlayed_idle", "spark")
      .Property("_iAniKey_still", "2")
      .Property("_iAniRate_still", "10")
      .Property("_sAniKey_still_1", "c(255)")
      .Property("_sAniKey_still_2", "c(0)")
      .Property("_sAnimYet", "still");
  root.Child(later).Child(quiet).Child(Record("spark", kRecordingType));
  ASSERT_TRUE(OpenScenes({{"S", root}}));
  ObjectList list;
  ASSERT_TRUE(LoadScene("S", list));
  ASSERT_TRUE(list[1]->IsPlaying());
  ASSERT_TRUE(list[2]->IsPlaying());
  ASSERT_EQ(list[1]->mAnimations.front().name, "idle");
  journal.clear();
  LinkAnimTargets(list);
  EXPECT_EQ(journal, std::vector<std::string>{"spark StartFollowing"});
  EXPECT_EQ(static_cast<RecordingKind*>(list[3])->followed, &list[1]->mDisplayCentre);
}

}  // namespace
}  // namespace scenetest
