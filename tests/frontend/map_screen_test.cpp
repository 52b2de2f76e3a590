#include "frontend/MapScreen.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "engine/ObjectKinds.h"
#include "engine/StripEffect.h"
#include "image/MemoryImage.h"
#include "screen_test_support.h"

namespace Kivo {
namespace {

using screentest::Log;
using screentest::NullWidgetHost;
using screentest::RecordingScreenHost;

class RecordingServices : public ScriptScreenServices {
 public:
  explicit RecordingServices(Log* log) : mLog(log) {}
  void PlaySound(const std::string& id) override { mLog->push_back("sound " + id); }

 private:
  Log* mLog;
};

// A stage bar that refuses what the carousel refuses (past the limit, the
// current picture, outside the pictures) and reports what it accepts.
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
  void ClearPictures(sObj*) override { pictures.clear(); }
  void AddPicture(sObj*, const std::string& image, const std::string& name) override {
    pictures.push_back(image + "/" + name);
  }
  void SetSelectableLimit(sObj*, int last) override { limit = last; }
  void Select(sObj*, int index) override {
    requests.push_back(index);
    if (index > limit || index == current || index < 0 || index >= static_cast<int>(pictures.size())) return;
    current = index;
    if (screen != nullptr) screen->OnCarouselSelect("StageBar", "stage_" + std::to_string(index + 1), 1);
  }
  void SelectPrevious(sObj* bar) override { Select(bar, current - 1); }
  void SelectNext(sObj* bar) override { Select(bar, current + 1); }
  int CurrentIndex(sObj*) override { return current; }
  int PictureCount(sObj*) override { return static_cast<int>(pictures.size()); }
  void EnableSlider(sObj*) override { sliderEnabled = true; }
  void SetSliderValue(sObj*, float value) override { slider = value; }

  Profiles* profiles = nullptr;
  MapScreen* screen = nullptr;
  std::vector<std::string> pictures;
  std::vector<int> requests;
  int limit = 0;
  int current = -1;
  bool sliderEnabled = false;
  float slider = -1.0f;

 private:
  Log* mLog;
};

DtmRecord Object(const std::string& name, int type, float x, float y, float w, float h) {
  DtmRecord record;
  record.name = name;
  record.type = type;
  record.SetRect(x, y, w, h);
  return record;
}

class MapScreenTest : public screentest::SceneFixture {
 protected:
  MapScreenTest() {
    RegisterDrawingKinds();
    DtmRecord root = Object("root", 1, 0, 0, 800, 600);
    root.Child(Object("StageBar", 1, 0, 0, 800, 100)).Child(Object("StageProgress", 1, 0, 100, 800, 10));
    for (int i = 1; i <= 4; ++i) {
      root.Child(Object("btnLevel" + std::to_string(i), 11, 100.0f * i, 200, 50, 50))
          .Child(Object("txtLevel" + std::to_string(i), 5, 100.0f * i, 260, 50, 20));
    }
    root.Child(Object("StoryText", 5, 300, 400, 320, 120)).Child(Object("btnGame", 4, 700, 550, 100, 50));
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
    map.current = -1;
    screen = std::make_unique<MapScreen>(host, map, services);
    map.screen = screen.get();
    screen->Resize(0, 0, 800, 600);
    manager.AddChild(screen.get());
    return *screen;
  }
  Profile& profile() { return profiles->current(); }
  bool Visible(const std::string& name) { return screen->FindObject(name)->mVisible; }

  Log log;
  RecordingScreenHost host{&log};
  FakeMapHost map{&log};
  RecordingServices services{&log};
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
  ASSERT_EQ(map.pictures.size(), 40u);
  EXPECT_EQ(map.pictures[0], "stage_1/stage_1");
  EXPECT_EQ(map.pictures[2], "stage_3/stage_3");
  for (int i = 3; i < 40; ++i) EXPECT_EQ(map.pictures[i], "stage_dis/stage_" + std::to_string(i + 1));
  EXPECT_EQ(map.limit, 2);
  EXPECT_TRUE(map.sliderEnabled);
  EXPECT_EQ(map.current, 1);
  EXPECT_EQ(profile().stage, 1);
  map.Select(nullptr, 4);  // stage 5
  EXPECT_EQ(profile().stage, 1);
  EXPECT_EQ(map.current, 1);
  s.OnSlider("StageProgress", 0.49f);
  s.OnSlider("StageProgress", 1.0f);
  EXPECT_EQ(map.requests.back(), 39);
  EXPECT_EQ(map.requests[map.requests.size() - 2], 19);
  EXPECT_EQ(profile().stage, 1);
}

TEST_F(MapScreenTest, ChoosingAStageShowsItsReachableLevels) {
  profile().highestStage = 3;
  profile().bestLevel[0] = 3;
  profile().bestLevel[2] = 1;
  profile().level = 3;
  MapScreen& s = Open();
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(Visible("btnLevel" + std::to_string(i)));
  map.Select(nullptr, 2);
  EXPECT_EQ(profile().stage, 2);
  EXPECT_EQ(profile().level, 1);
  EXPECT_FLOAT_EQ(map.slider, 2.0f / 39.0f);
  const bool expected[] = {true, true, false, false};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Visible("btnLevel" + std::to_string(i + 1)), expected[i]) << i;
    EXPECT_EQ(Visible("txtLevel" + std::to_string(i + 1)), expected[i]) << i;
    EXPECT_EQ(static_cast<sObjToggle*>(s.FindObject("btnLevel" + std::to_string(i + 1)))->IsChecked(), i == 1);
  }
  s.OnToggle("btnLevel1", true);
  EXPECT_EQ(profile().level, 0);

  profile().allUnlocked = true;
  map.Select(nullptr, 0);
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(Visible("btnLevel" + std::to_string(i)));
  map.Select(nullptr, 5);
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
  EXPECT_EQ(map.limit, 0);
  EXPECT_EQ(map.pictures[1], "stage_dis/stage_2");
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
