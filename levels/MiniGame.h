// Level play: the level screen, the mini-game base every kind derives from,
// the factory that makes a kind from the level's "type_game" string, and the
// kinds themselves, one unit per kind or family of kinds.
//
// MiniGame is the abstract base of the 27 kinds. It holds what they share:
// the level's and the HUD's object lists (owned by the level screen, never by
// the mini-game), the won and lost flags, the hard-mode level clock with its
// miss-click penalty, the skip countdown, the default HUD drawing and the
// default answers to the level screen's questions.
//
// Timers count seconds in float32 steps of 0.01 per update, so 1.0 s lasts
// 101 updates. Level properties are read from the first level object;
// missing keys leave their feature off. Level data a kind cannot play never
// crashes: the kind logs one line (LogUnplayable) and stays idle
// (MarkUnplayable) while the level, HUD, skip and clock go on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/EngineObject.h"
#include "engine/GameUtils.h"
#include "engine/SceneLoader.h"
#include "ui/Graphics.h"

namespace Kivo {

// A point in screen pixels.
struct HintPoint {
  float x = 0.0f;
  float y = 0.0f;
};

// The shared animation definition of that name (read from data\animations),
// or null. Kinds link their level's sound objects into it and may change its
// keys; such changes last for the rest of the run.
AnimDef* SharedAnimDef(const std::string& name);

// Hint answers of GetHintPosition.
enum HintCode : uint8_t {
  kHintAtFirst = 1,        // "effHint" at the first point
  kHintAtBoth = 2,         // "effHint" at both points
  kHintClosedAtFirst = 3,  // "effHintClosed" at the first point
  kHintClosedAtBoth = 4,   // "effHintClosed" at both points
  kHintNone = 255,         // no hint possible now
};

class MiniGame {
 public:
  MiniGame() = default;
  // Also unlinks the level's sound from the shared "finded" animation: the
  // sound object dies with the level, the definition lives on.
  virtual ~MiniGame();
  MiniGame(const MiniGame&) = delete;
  MiniGame& operator=(const MiniGame&) = delete;

  virtual int Draw(Graphics& g);
  virtual int DrawDisabledList(Graphics& g);
  virtual int DrawHud(Graphics& g);
  virtual int Update(int updateCount);
  virtual int MouseMove(int x, int y) { return 0; }
  virtual int MouseDown(int x, int y, int clickCount) { return 0; }
  virtual int MouseUp(int x, int y, int clickCount) { return 0; }
  virtual int KeyChar(wchar_t c) { return 0; }
  virtual int Init(ObjectList* levelObjects, ObjectList* hudObjects);
  virtual bool IsWon() { return mWon; }
  virtual bool IsLost() { return mLost; }
  virtual float UpdateTimeText(const std::wstring& format, std::wstring& text);
  virtual float UpdateItemsText(const std::wstring& format, std::wstring& text);
  virtual bool HasHint() { return false; }
  virtual bool ShowsDisabledList() { return false; }
  virtual bool HasItemsCounter() { return false; }
  virtual bool HasSkip() { return mSkipTime != 0; }
  virtual uint8_t GetHintPosition(HintPoint& first, HintPoint& second);
  virtual void OnAnimationEnd(std::string objectName, std::string animationName) {}
  virtual void SendMessage(std::string text);
  virtual void OnMissClick();
  virtual void ResetMissClicks();

  void SetListener(ObjEventListener* listener) { mListener = listener; }
  // The named object of the level, else of the HUD, else null.
  sObj* FindEffect(const std::string& name) const;

  // The level property of the first level object, "" when absent.
  std::string LevelProperty(const std::string& key) const;
  // Reports a miss at (x, y): the cross at the point, then OnMissClick.
  void ReportMiss(int x, int y);

  // Unplayable level data: one log line naming the level, the kind and what
  // is wrong; the kind then stays idle (hint 255, clicks ignored, never won
  // or lost by play).
  void MarkUnplayable(const std::string& kind, const std::string& what);
  bool IsUnplayable() const { return mUnplayable; }

  // Base state, shared with the kinds and the level screen.
  ObjEventListener* mListener = nullptr;
  ObjectList* mLevelObjects = nullptr;
  ObjectList* mHudObjects = nullptr;
  sObj* mHudAnchor = nullptr;    // "game_menu_draw"
  sObj* mSleifEffect = nullptr;  // "effSleif"
  bool mStarted = false;
  bool mWon = false;
  bool mLost = false;
  bool mSkipMode = false;
  bool mSkipTimedOut = false;
  CountdownTimer mLevelClock;
  CountdownTimer mSkipCountdown;
  bool mSkipReady = false;
  CountdownTimer mMissWindow;
  CountdownTimer mPenalty;
  int32_t mMissCount = 0;
  bool mPenaltyNotice = false;
  uint32_t mTimeLimit = 0;  // minutes
  uint32_t mSkipTime = 0;   // minutes
  static constexpr uint32_t kNothingShown = 0xFFFFFFFFu;
  uint32_t mShownMinutes = kNothingShown;
  uint32_t mShownSeconds = kNothingShown;
  bool mMissCrossRequest = false;
  HintPoint mMissPoint;
  // Set by the level screen, called by a kind that replaced the level
  // objects (a sub-level): whoever holds pointers into them looks them up
  // again.
  std::function<void()> mLevelObjectsReplaced;

 private:
  bool mUnplayable = false;
};

// Every level object of game in list order; at the HUD anchor
// ("game_menu_draw") the HUD is drawn instead (the game's DrawHud). The
// caller sets up colours and the view.
void DrawLevelWithHud(MiniGame& game, Graphics& g);

}  // namespace Kivo
