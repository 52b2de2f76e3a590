// What the level screen and the mini-games ask of the game outside the
// level: the current profile's difficulty, the screen matrices they draw
// with, sound effects by resource name and the level's log. The game's own
// context reads them from the application object; tests install theirs.
//
// The level flow's few process-wide flags live here too: the hidden debug
// mode and its timer freeze (which stop every mini-game clock) and the one
// trail step counter that paces the trails of moving objects.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "frontend/Screen.h"

namespace Kivo {

class LevelContext {
 public:
  virtual ~LevelContext() = default;
  // The current profile's hard mode field (1 hard, 0 easy); 0 without one.
  virtual int HardModeField() const = 0;
  virtual const ScreenMatrices& Matrices() const = 0;
  // Plays the SOUND_* resource of that name; unknown names play nothing.
  virtual void PlaySound(const std::string& soundId) = 0;
  // One line of the level's log (the game log headless).
  virtual void Log(const std::string& line) = 0;
  // The level scene being played ("Level_1_1"), for log lines.
  virtual std::string LevelName() const = 0;

  // True the first time a text is passed: a fault in the level data is
  // logged once per context, not on every update.
  bool FirstReportOf(const std::wstring& text) { return mReported.insert(text).second; }

 private:
  std::set<std::wstring> mReported;
};

// The installed context, or the game's own one when none is installed.
LevelContext& CurrentLevelContext();
// Installs context (not owned) in place of the game's own; null restores it.
void InstallLevelContext(LevelContext* context);

// The hidden debug mode of the level screen and its timer freeze.
extern bool gDebugMode;
extern bool gTimerFreeze;
// Paces trails: the find-list games and the quest's tools start one when it
// is 2, the jumper when it is 3; each resets it to 0 then.
extern uint8_t gTrailStep;

}  // namespace Kivo
