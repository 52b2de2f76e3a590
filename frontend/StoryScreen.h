// The conversation before a level (screen type 12, scene "mnDialogs"): up
// to three characters over the dimmed level, dressed, placed and animated by
// the script "data\dialogs\dlg_S_L.dtxt" of the current stage and level.
// A speech line "<name>_<mood>=<text key>" shows the dialog table's text in
// the character's bubble and waits for a press that no object takes;
// "wait_time" pauses. When the script ends, or the skip button
// "btnNextMenu" is pressed, the level screen, built in the background when
// this screen was added, takes over.
//
// A missing script skips the conversation; a missing level scene sends the
// player to the main menu without running it. Missing scene objects are
// skipped, and a command with a short or malformed argument list does
// nothing.
#pragma once

#include <string>

#include "engine/GameUtils.h"
#include "engine/Script.h"
#include "frontend/Screen.h"
#include "frontend/ScriptScreenServices.h"

namespace Kivo {

// What the conversation needs of the game.
class StoryHost {
 public:
  // Builds the level screen of the current profile's level; false when its
  // scene is missing.
  virtual bool StartLevel() = 0;
  // The level screen (screen slot 6), or null.
  virtual Screen* LevelScreen() = 0;
  // Whether the level screen's level has been started.
  virtual bool IsLevelStarted() = 0;
  virtual void StartTransition(int target, int remove) = 0;
  virtual int WindowWidth() = 0;
  virtual int WindowHeight() = 0;

 protected:
  ~StoryHost() = default;
};

// One character slot: a body sprite, a head sprite placed on the body's top
// edge and a speech bubble.
struct Personage {
  std::string mName;
  sObj* mHead = nullptr;
  Vec2 mHeadOffset;
  sObj* mBody = nullptr;
  Vec2 mPosition;
  sObj* mBubble = nullptr;
  bool mMirrored = false;

  void SetPosition(float offsetX, float offsetY);
  void Center(float x, float y);
  void Mirror();
  void SetBodyImage(ScriptScreenServices& services, const std::string& key, bool recentre);
  void SetHeadImage(ScriptScreenServices& services, const std::string& key);
};

class StoryScreen : public Screen {
 public:
  static constexpr int kPersonageCount = 3;

  // stage and level count from 0; the script is "dlg_<stage+1>_<level+1>".
  StoryScreen(ScreenHost& host, StoryHost& story, ScriptScreenServices& services, std::string sceneName, int stage,
              int level);
  ~StoryScreen() override;

  void OnAdded(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics& g) override;
  void OnBackgroundDown(int x, int y, int clickCount) override;
  void OnButtonClick(std::string name) override;

  // The first slot of that name, or null.
  Personage* FindPersonage(const std::string& name);
  void ShowSpeech(Personage* personage, const std::wstring& text, const std::string& mood);

  bool IsFinished() const { return mFinished; }
  bool IsWaitingForClick() const { return mWaitingForClick; }
  bool IsWaitingForTime() const { return mWaitingForTime; }
  const Script& GetScript() const { return mScript; }
  Personage& Slot(int index) { return mPersonages[index]; }

  // The screen the conversation commands act on (null when none).
  static StoryScreen* Current();

 private:
  friend struct StoryCommandHandlers;

  void Step();
  void HandOver();

  // Commands.
  void SetUpPersonage(const std::string& slotName, const std::string& name, float headX, float headY,
                      const std::string& mood, int mirrored);
  void WaitForTime(float seconds);

  StoryHost& mStory;
  ScriptScreenServices& mServices;
  bool mWaitingForClick = false;
  bool mWaitingForTime = false;
  CountdownTimer mWaitTimer;
  Script mScript;
  Personage mPersonages[kPersonageCount];
  bool mFinished = true;
  // The level is added and the switch asked once, however often the skip
  // button is pressed during the fade.
  bool mHandedOver = false;
};

// "<name>_<mood>": split at the last '_'; without one the mood is empty.
void SplitSpeechKey(const std::string& key, std::string* name, std::string* mood);

}  // namespace Kivo
