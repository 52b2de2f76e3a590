// The stage map (screen type 4, scene "mnMapMenu"): a carousel of the 40
// stage pictures with a slider beside it, the chosen stage's title and
// picture, the reachable level buttons and the chosen level's story and
// fact. The story is rendered into a page image that flies in through the
// strip wave half a second after the map opens and is shown still after
// every later choice. Building the map writes the profile file; after a won
// level a particle rain greets the player.
//
// Stages above the highest reached cannot be chosen (the stage bar refuses
// them). Without a current profile the map shows stage 1 only and saves
// nothing. "TitleText", "Picture" and "FactText" may be missing; the other
// objects the map looks up are skipped when missing.
#pragma once

#include <memory>
#include <string>

#include "frontend/Profiles.h"
#include "frontend/Screen.h"
#include "frontend/ScriptScreenServices.h"

namespace Kivo {

class MemoryImage;
class sObjCarousel;
class sObjSlider;
class sObjText;

// Set by the level screen when it returns to the map after a won level;
// read and cleared by the map.
extern bool gLevelCompleted;

// What the map needs of the game: the profiles, the screen switch, a page
// image on the display and the shared particle system.
class MapHost {
 public:
  virtual Profiles* GetProfiles() = 0;
  virtual void StartTransition(int target, int remove) = 0;
  // A blank page image on the application's display, converted to a
  // palette; null when it cannot be made.
  virtual std::unique_ptr<MemoryImage> CreatePage(int width, int height) = 0;

  virtual void StartParticles(const std::string& effect, Vec2 point) = 0;
  virtual void UpdateParticles() = 0;
  virtual void DrawParticles(Graphics& g) = 0;
  virtual void ClearParticles() = 0;

 protected:
  ~MapHost() = default;
};

class MapScreen : public Screen {
 public:
  static constexpr int kStageCount = 40;
  static constexpr int kLevelButtons = 4;

  MapScreen(ScreenHost& host, MapHost& map, ScriptScreenServices& services);
  ~MapScreen() override;

  void OnAdded(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics& g) override;

  void OnButtonClick(std::string name) override;
  void OnToggle(std::string name, bool on) override;
  void OnSlider(std::string name, float value) override;
  void OnCarouselSelect(std::string name, std::string picture, int clickCount) override;

  void ShowStages();
  void SelectStage(int index);
  void ShowLevelButtons();
  void SelectLevel(int index);

  MemoryImage* Page() const { return mPage.get(); }
  sObjCarousel* StageBar() const { return mStageBar; }
  // The page is still being held back.
  bool IsPageDelayed() const { return mPageDelay != 0.0f && mPageDelayStart != 0.0f; }

 private:
  Profile* CurrentProfile();
  // Clears the page and draws text into it with the story object's look.
  bool RedrawStoryPage(const std::wstring& text);
  void RenderStoryPage(const std::wstring& text, int mode);
  std::wstring LevelStory();
  float StagePosition();

  MapHost& mMap;
  ScriptScreenServices& mServices;
  sObjCarousel* mStageBar = nullptr;
  sObjSlider* mStageSlider = nullptr;
  sObj* mLevelToggles[kLevelButtons] = {};
  sObj* mLevelTexts[kLevelButtons] = {};
  sObjText* mStoryText = nullptr;
  sObj* mFactText = nullptr;
  sObj* mTitleText = nullptr;
  sObj* mPicture = nullptr;
  std::unique_ptr<MemoryImage> mPage;
  int mPageWidth = 0;
  int mPageHeight = 0;
  float mPageDelayStart = 0.5f;
  float mPageDelay = 0.5f;
  float mPageDelayStep = 0.01f;
};

}  // namespace Kivo
