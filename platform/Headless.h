// The headless backend: fake clock, scripted input, logged message boxes,
// frames kept in memory.
//
// Input script: one event a line, "<ms> <command> [arguments]", where <ms> is
// the fake-clock time after the script was loaded at which the event
// happens; lines need not be sorted (equal times keep file order); '#' starts
// a comment line. Numbers are decimal or 0x hex. Window events go to the
// main window (Windows.h); they wait while there is none. Commands:
//   move X Y | leave | down B | up B | click B     B = left, right, middle
//   wheel N              notches, positive away from the user
//   keydown K | keyup K | key K                   K = virtual-key code
//   text UTF-8...        the rest of the line, characters as typed
//   focus on|off | minimize | maximize W H | restore W H | close | endsession
//   msgbox ANSWER        answers for message boxes, taken in file order
//   url RESULT           results for URL opening, taken in file order
//   prompt ANSWER...     answers for text and list prompts (Prompt.h), taken
//                        in file order: "text T", "pick N" or "cancel"
//   screensaver timeout S | screensaver active 0|1 | screensaver running 0|1
//   desktop W H | workarea L T R B   (without a workarea line the work area
//                                     follows the desktop: 0, 0, W, H - 30)
//   raw MSG WPARAM LPARAM                          a record for the main window
//   await TEXT...        holds the script until a log line holding the rest
//                        of the line has been logged (before or after); the
//                        times of later lines then count as if the await's
//                        own time were the moment it passed
// msgbox, url and prompt lines are answers, queued when the script is loaded, so
// their time is not used. A line that does not parse is reported and skipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

namespace Platform {

struct ScriptEvent {
  DWORD time = 0;  // ms after the script's start
  std::string command;
  std::vector<long long> numbers;
  std::string text;  // text argument, or the word argument (button, on/off...)
  int line = 0;
};

// Parses a script. Bad lines add "line N: reason" to errors and are skipped.
std::vector<ScriptEvent> ParseInputScript(const std::string& text, std::vector<std::string>* errors);

// Headless backend only (false otherwise): replaces the script, its clock
// base being the current time.
bool SetInputScript(const std::string& text, std::vector<std::string>* errors);
// The time (ms after the script's start) of its last event, 0 without one.
DWORD InputScriptEndTime();
// True when every event of the script has been delivered.
bool InputScriptFinished();

// The last presented frame (headless backend).
bool LastFrame(std::vector<std::uint32_t>* pixels, int* width, int* height);
// Saves it as an 8-bit RGBA PNG, atomically. False on any failure.
bool SaveLastFrameAsPng(const std::string& path);

// The cursor shown now (headless): false when the pointer is hidden.
bool HeadlessCursorVisible();

}  // namespace Platform
