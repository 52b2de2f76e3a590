#include "frontend/MapScreen.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "engine/ControlKinds.h"
#include "engine/ObjectKinds.h"
#include "engine/StripEffect.h"
#include "image/MemoryImage.h"
#include "screen_test_support.h"
#include "script_screen_test_support.h"

namespace Kivo {
namespace {

using screentest::Log;
using screentest::NullWidgetHost;
using screentest::RecordingScreenHost;

class FakeMapHost : public MapHost {
 public:
  explicit FakeMapHost(Log* log) : mLog(log) {}
  Profiles* GetProfiles() override { return profiles; }
  void StartTransition(int target, int remove) override {
    mLog->push_back("StartTransition(" + std::to_string(target) + "," + std::to_string(remove) + ")");
  }
  std::unique_ptr<MemoryImage> CreatePage(int width, int height) override {
    auto page = std::make_unique<MemoryImage>();
    page->CreateBlank(width, height);
    return page;
  }
  void StartParticles(const std::string& effect, Vec2 point) override {
    mLog->push_back("particles " + effect + " " + std::to_string(static_cast<int>(point.x)) + "," +
                    std::to_string(static_cast<int>(point.y)));
  }
  void UpdateParticles() override {}
  void DrawParticles(Graphics&) override {}
  void ClearParticles() override {}

  Profiles* profiles = nullptr;

 private:
  Log* mLog;
};

using scripttest::Plain;

class MapScreenTest : public screentest::SceneFixture {
 protected:
  MapScreenTest() {
    RegisterDrawingKinds();
    RegisterControlKinds();
    DtmRecord root = Plain("root", 0, 0, 800, 600, 1);
    root.Child(Plain("StageBar", 0, 0, 800, 100, 12)).Child(Plain("StageProgress", 0, 100, 800, 10, 6));
    for (int i = 1; i <= 4; ++i) {
      root.Child(Plain("btnLevel" + std::to_string(i), 100.0f * i, 200, 50, 50, 11))
          .Child(Plain("txtLevel" + std::to_string(i), 100.0f * i, 260, 50, 20, 5));
    }
    root.Child(Plain("StoryText", 300, 400, 320, 120, 5)).Child(Plain("btnGame", 700, 550, 100, 50, 4));
    AddScene("mnMapMenu", root);
    OpenScenes();
    getcwd(mPrevious, sizeof(mPrevious));
    EXPECT_EQ(chdir(mWork.path().c_str()), 0);
    // "level_story_1_1" for the page; a table that says which key is asked
    // would need nothing more.
    std::string table = "\xFF\xFE";
    for (char c : std::string("level_story_1_1\tOnce upon a time\n")) table += std::string{c, '\0'};
    mWork.Write("data/data.txt", table);
    profiles = std::make_unique<Profiles>(mWork.path() + "/profile.dat");
    profiles->Create(L"Ann", false, false);
    map.profiles = profiles.get();
    manager.SetCoordinateTransform(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
  }
  ~MapScreenTest() override {
    if (screen != nullptr) manager.RemoveChild(screen.get());
    screen.reset();
    EXPECT_EQ(chdir(mPrevious), 0);
  }

  MapScreen& Open() {
    if (screen != nullptr) manager.RemoveChild(screen.get());
    screen.reset();
    screen = std::make_unique<MapScreen>(host, map, services);
    screen->Resize(0, 0, 800, 600);
    manager.AddChild(screen.get());
    return *screen;
  }
  Profile& profile() { return profiles->current(); }
  bool Visible(const std::string& name) { return screen->FindObject(name)->mVisible; }
  sObjCarousel& bar() { return *screen->StageBar(); }
  std::string Picture(int index) {
    const sObjSprite& picture = bar().mPictures[static_cast<std::size_t>(index)];
    return picture.mProperties.GetProperty("_keyImg") + "/" + picture.mName;
  }
  float SliderTarget() { return static_cast<sObjSlider*>(screen->FindObject("StageProgress"))->mTarget; }

  Log log;
  RecordingScreenHost host{&log};
  FakeMapHost map{&log};
  scripttest::LoggingServices services{&log};
  NullWidgetHost widgetHost;
  WidgetManager manager{&widgetHost};
  std::unique_ptr<Profiles> profiles;
  std::unique_ptr<MapScreen> screen;
  TempFolder mWork;

 private:
  char mPrevious[4096] = {};
};

TEST_F(MapScreenTest, ReachedStagesShowTheirPicturesAndOthersAreRefused) {
  profile().highestStage = 2;
  profile().stage = 1;
  MapScreen& s = Open();
  ASSERT_EQ(bar().GetCount(), 40);
  EXPECT_EQ(Picture(0), "stage_1/stage_1");
  EXPECT_EQ(Picture(2), "stage_3/stage_3");
  for (int i = 3; i < 40; ++i) EXPECT_EQ(Picture(i), "stage_dis/stage_" + std::to_string(i + 1));
  EXPECT_EQ(bar().mSelectableLimit, 2);
  EXPECT_TRUE(static_cast<sObjSlider*>(s.FindObject("StageProgress"))->mEnabled);
  EXPECT_EQ(bar().mCurrent, 1);
  bar().Select(4);  // stage 5
  s.OnSlider("StageProgress", 1.0f);
  s.OnButtonClick("btnRight");
  s.OnButtonClick("btnRight");
  EXPECT_EQ(bar().mCurrent, 2);
  EXPECT_EQ(profile().stage, 2);
}

TEST_F(MapScreenTest, TheSliderAsksForTheRoundedIndex) {
  profile().highestStage = 39;
  MapScreen& s = Open();
  const std::pair<float, int> cases[] = {{0.49f, 19}, {1.0f, 39}, {0.0f, 0}, {0.5f, 20}};
  for (const auto& c : cases) {
    s.OnSlider("StageProgress", c.first);
    EXPECT_EQ(bar().mCurrent, c.second) << c.first;
    EXPECT_EQ(profile().stage, c.second) << c.first;
    EXPECT_FLOAT_EQ(SliderTarget(), static_cast<float>(c.second) / 39.0f) << c.first;
  }
}

TEST_F(MapScreenTest, ChoosingAStageShowsItsReachableLevels) {
  profile().highestStage = 3;
  profile().bestLevel[0] = 3;
  profile().bestLevel[2] = 1;
  profile().level = 3;
  MapScreen& s = Open();
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(Visible("btnLevel" + std::to_string(i)));
  bar().Select(2);
  EXPECT_EQ(profile().stage, 2);
  EXPECT_EQ(profile().level, 1);
  EXPECT_FLOAT_EQ(SliderTarget(), 2.0f / 39.0f);
  const bool expected[] = {true, true, false, false};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Visible("btnLevel" + std::to_string(i + 1)), expected[i]) << i;
    EXPECT_EQ(Visible("txtLevel" + std::to_string(i + 1)), expected[i]) << i;
    EXPECT_EQ(static_cast<sObjToggle*>(s.FindObject("btnLevel" + std::to_string(i + 1)))->IsChecked(), i == 1);
  }
  s.OnToggle("btnLevel1", true);
  EXPECT_EQ(profile().level, 0);

  profile().allUnlocked = true;
  bar().Select(0);
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(Visible("btnLevel" + std::to_string(i)));
  bar().Select(5);
  EXPECT_EQ(profile().stage, 0);  // still refused
}

TEST_F(MapScreenTest, ButtonsPlayTheClickFirstAndSwitchScreens) {
  MapScreen& s = Open();
  const std::pair<const char*, const char*> cases[] = {{"btnGame", "StartTransition(12,4)"},
                                                       {"btnMenu", "StartTransition(2,4)"}};
  for (const auto& c : cases) {
    log.clear();
    s.OnButtonClick(c.first);
    EXPECT_EQ(log, (Log{"sound SOUND_BTN_CLK", c.second})) << c.first;
  }
  log.clear();
  s.OnCarouselSelect("StageBar", "stage_1", 2);
  EXPECT_EQ(log, (Log{"sound SOUND_BTN_CLK", "StartTransition(12,4)"}));
}

TEST_F(MapScreenTest, EveryOpeningSavesTheProfileAndTheRainFollowsAWonLevelOnce) {
  const std::string file = mWork.path() + "/profile.dat";
  Open();
  EXPECT_TRUE(std::filesystem::exists(file));
  std::filesystem::remove(file);
  gLevelCompleted = true;
  Open();
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_FALSE(gLevelCompleted);
  Open();
  int rains = 0;
  for (const std::string& line : log) rains += line == "particles magicrain 117,0";
  EXPECT_EQ(rains, 1);
}

TEST_F(MapScreenTest, WithoutAProfileOnlyTheFirstStageAndNothingSaved) {
  map.profiles = nullptr;
  Open();
  EXPECT_EQ(bar().mSelectableLimit, 0);
  EXPECT_EQ(Picture(1), "stage_dis/stage_2");
  EXPECT_FALSE(std::filesystem::exists(mWork.path() + "/profile.dat"));
}

TEST_F(MapScreenTest, TheStoryPageWaitsFiftyOneUpdatesThenFliesIn) {
  MapScreen& s = Open();
  ASSERT_NE(s.Page(), nullptr);
  EXPECT_EQ(s.Page()->GetWidth(), 320);
  EXPECT_EQ(s.Page()->GetHeight(), 120);
  gStripEffect.mImage = nullptr;
  int updates = 0;
  while (s.IsPageDelayed() && updates < 100) {
    s.Update();
    ++updates;
  }
  EXPECT_EQ(updates, 51);  // 0.5 stepped by 32-bit 0.01 reaches 0 in the 51st step
  EXPECT_EQ(gStripEffect.mImage, s.Page());
  EXPECT_EQ(gStripEffect.mMode, 2);
  EXPECT_FLOAT_EQ(gStripEffect.mSpeed, 6.05f);
  EXPECT_FLOAT_EQ(gStripEffect.mRadius, 40.0f);
  EXPECT_FLOAT_EQ(gStripEffect.mAmplitude, 5.0f);
  // The page leaves with the screen, and the wave lets go of it.
  manager.RemoveChild(screen.get());
  screen.reset();
  EXPECT_EQ(gStripEffect.mImage, nullptr);
}

}  // namespace
}  // namespace Kivo
