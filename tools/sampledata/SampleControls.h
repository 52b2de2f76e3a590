// The sample scene "mnControls": under one type-1 root, a backdrop, a slider with its
// own speed, a second slider on the default speed, a name entry, a player
// list with a two-column selector and a horizontal stage carousel (with the
// three keys it ignores), and the flat-coloured pictures they name: slider
// back, fill and handle, the selector, five stage pictures "stage_1" to
// "stage_5" and the fallback "stage_dis".
#pragma once

#include <string>
#include <vector>

#include "resources/ImageLib.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {

// The flat colours of the scene, 0xRRGGBB, for the tests that probe a frame.
namespace controls_colour {
constexpr uint32_t kBackdrop = 0x202830;
constexpr uint32_t kSliderBack = 0x303040;
constexpr uint32_t kSliderFill = 0x40B040;
constexpr uint32_t kSliderHandle = 0xE0E0E0;
constexpr uint32_t kSelectorHot = 0x505070;
constexpr uint32_t kSelectorSelected = 0x8060C0;
}  // namespace controls_colour

DtmRecord ControlsScene();

struct ControlsPicture {
  DtmImage entry;
  ImageLib::Image image;
};
std::vector<ControlsPicture> ControlsPictures();

// Adds the scene and its image entries to the writer.
bool AddControlsScene(SceneDatabaseWriter& writer, std::string* error);
// Writes the scene's pictures under folder.
bool WriteControlsPictures(const std::string& folder, std::string* error);

}  // namespace Kivo
