// The road into a level: the conversation scene "mnDialogs" (three
// character slots with bubbles and the skip button), the tutorial panel
// "mnTutor" (hint back, hint text, "ok", three arrows, skip), the stage map
// "mnMapMenu" (stage bar, slider, four level buttons with their texts, the
// hidden story text that sizes the page, fact, title, picture and the four
// buttons); the levels themselves come from SampleLevels.h. Also the
// hint pictures, the characters' pictures (SampleConversations) and the
// map's pictures and texts (SampleMap).
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {

// Adds the four scenes and their image entries to the writer.
bool AddStoryScenes(SceneDatabaseWriter& writer, std::string* error);
// How many image entries AddStoryScenes adds.
std::size_t StoryPictureCount();
// Writes the scenes' pictures under folder.
bool WriteStoryPictures(const std::string& folder, std::string* error);
// The text-table rows the map shows.
std::vector<std::pair<std::string, std::wstring>> StoryTexts();

}  // namespace Kivo
