// What the front end's screens do with the input controls of a scene they
// show, for the scene viewer: sliders are enabled, lists get a few Latin and
// Cyrillic player names, carousels one picture per stage image of the image
// table ("stage_<n>", plus one key without an image, which shows the
// fallback) with the selectable limit two below the count, and the first
// stage selected. At the end the edits' texts are logged.
#pragma once

#include <string>

#include "engine/SceneLoader.h"

namespace Kivo {

void PrepareControls(const ObjectList& objects);
// Wide text as UTF-8 for the log.
std::string LogText(const std::wstring& text);
// Logs "scene viewer: edit <name> text \"<text>\"" for every edit.
void LogEditTexts(const ObjectList& objects);

}  // namespace Kivo
