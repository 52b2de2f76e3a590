// The sample scene database and the resources the engine reaches by name:
// data/data.dtm with the configuration scene "Main" and the engine demo
// scene "mnEngineDemo" plus the image table, the procedural pictures it
// names (data/images/*.png), the resource manifest data/data.xml ("Loading":
// the six FONT_* fonts that make_font renders into data/fonts/<name>/;
// "Game": the 47 SOUND_* ids) and short synthesised sounds
// (data/sounds/*.wav). The same bytes on every run.
#pragma once

#include <string>
#include <vector>

#include "tools/sampledata/SampleLevels.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {

// Fills writer with the sample scenes and image entries; false (with the
// writer's reason) on a refused entry.
// The levels' pictures go into assets when given.
bool BuildSampleScenes(SceneDatabaseWriter& writer, std::string* error, LevelAssets* assets = nullptr);

// The manifest text for the font and sound ids.
std::string SampleManifest();
// A mono 16-bit PCM WAV file of a short tone.
std::string ToneWavBytes(int frequency, int milliseconds);
// The font folders make_font fills, with the pixel size of each, in the
// resource id order of the fonts.
struct SampleFontSpec {
  std::string id;      // "FONT_GENERAL"
  std::string folder;  // "data/fonts/general"
  int pixels = 0;
};
std::vector<SampleFontSpec> SampleFonts();

// Writes data.dtm, the pictures, the manifest and the sounds under folder.
bool WriteSampleSceneData(const std::string& folder, std::string* error);
// Renders the six fonts into their folders under folder by running the
// font maker (tools/make_font) on a TrueType file; false when a run fails.
bool MakeSampleFonts(const std::string& folder, const std::string& fontMaker, const std::string& ttf,
                     std::string* error);

}  // namespace Kivo
