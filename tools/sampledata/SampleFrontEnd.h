// The front end's sample content: the scenes of the opening screens and the
// win screen, the cursor and card pictures of the
// image table, the splash pictures (numbers 4 as .jpg and 2 as .png; 3 and 1
// are absent on purpose) and the texts the screens show.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {

bool AddFrontEndScenes(SceneDatabaseWriter& writer, std::string* error);
// The image-table pictures and the splash pictures under `folder`.
bool WriteFrontEndPictures(const std::string& folder, std::string* error);
std::vector<std::pair<std::string, std::wstring>> FrontEndTexts();

}  // namespace Kivo
