// The sample XML scenes of data/scenes and the strip picture.
//
// "engine_demo.xml": a top-level object "demoGroup" whose "dummy" children
// are named after sprites of the sample scene "mnEngineDemo" ("title",
// "blinker", "wavy"); "wavy" is a slave with a child of its own. Clips: a
// looping one with eased keys, a once-through one with an interp-0 key, and
// one reached through "animations". Every object and key has an attribute,
// every clip a key at frame 0 and a later one, numbers in the strict syntax.
// Single-byte text, no byte-order mark.
//
// "strip_message": a 680 x 130 picture for the strip wave, written as
// data/images/strip_message.png; its image-table entry is StripPictureEntry.
#pragma once

#include <string>
#include <vector>

#include "resources/ImageLib.h"

namespace Kivo {

struct SampleXmlScene {
  std::string path;  // relative to the data folder's parent, '/'-separated
  std::string text;
};

std::vector<SampleXmlScene> SampleXmlScenes();

struct SamplePictureEntry {
  std::string key;
  std::string path;
  int columns = 1;
  int rows = 1;
};

SamplePictureEntry StripPictureEntry();
ImageLib::Image StripPicture();

// Writes the scenes and the strip picture under folder; false (with the
// reason) when a file cannot be written.
bool WriteSampleXmlScenes(const std::string& folder, std::string* error);

}  // namespace Kivo
