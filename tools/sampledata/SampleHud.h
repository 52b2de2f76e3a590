// The level's HUD scene "mnGame": a panel on the right of the window (from
// x 680; play areas stay left of it) holding the menu and goal buttons, the
// time bar and text, the hint button with its recharge bar and effects, the
// items bar and counter, the skip button and bar, the four "disabled"
// pictures laid over the features a level does not use, and the miss cross
// with its "go" animation. Also the HUD's pictures and the texts the level
// screen shows (messages, pause, counter formats, captions).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {

// Adds "mnGame" and the HUD's image entries to the writer.
bool AddHudScene(SceneDatabaseWriter& writer, std::string* error);
// Writes the HUD's pictures under folder.
bool WriteHudPictures(const std::string& folder, std::string* error);
// The text-table rows of the HUD and the level screen.
std::vector<std::pair<std::string, std::wstring>> HudTexts();

}  // namespace Kivo
