// The sample main menu and the game's dialog scenes: "mnMainMenu" with its
// greeting and six buttons, and one scene per dialog ("dlgExit" ...
// "dlgGameExit"), each a root whose objects are its direct children; their
// texts for data/data.txt (with the first level's goal); and the document
// the menu's link button opens (data/about.html). Object names that the
// game compares in code page 1251 are written as those bytes.
#pragma once

#include <string>

#include "tools/sampledata/DataWriters.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {

// The document of the menu's link button, relative to the data's root.
extern const char kSampleMenuDocument[];

bool AddSampleMenuScenes(SceneDatabaseWriter& writer, std::string* error);
bool AddSampleMenuTexts(TextTableWriter& writer, std::string* error);
// Writes the link's document under folder.
bool WriteSampleMenuFiles(const std::string& folder, std::string* error);

}  // namespace Kivo
