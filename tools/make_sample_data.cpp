// make_sample_data OUT [--make-font PROGRAM FONT.ttf] [--make-music PROGRAM]:
// writes the sample game data (text tables, settings, conversation and
// tutorial scripts, animations, XML scenes, the strip picture, the scene
// database, pictures, manifest, sounds and particle effects) under the
// folder OUT, the same bytes on every run. With --make-font it also renders
// the manifest's six fonts by running PROGRAM (tools/make_font) on the
// TrueType file; with --make-music it writes the songs into OUT/data/sound
// by running PROGRAM (make_music). Exit code 0 on success, 1 on a refused
// entry, a write failure or a failed font or song, 2 on wrong usage.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/sampledata/SampleAnimations.h"
#include "tools/sampledata/SampleData.h"
#include "tools/sampledata/SampleEffects.h"
#include "tools/sampledata/SampleMenuScenes.h"
#include "tools/sampledata/SampleXmlScenes.h"
#include "tools/sampledata/SampleScenes.h"

namespace {

bool MakeMusic(const std::string& folder, const std::string& program, std::string* error) {
  const std::string command = "'" + program + "' '" + folder + "/data/sound'";
  if (program.find('\'') != std::string::npos || folder.find('\'') != std::string::npos ||
      std::system(command.c_str()) != 0) {
    *error = "make_music failed";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string fontMaker, fontFile, musicMaker;
  bool usage = argc >= 2;
  for (int i = 2; usage && i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--make-font" && i + 2 < argc) {
      fontMaker = argv[++i];
      fontFile = argv[++i];
    } else if (option == "--make-music" && i + 1 < argc) {
      musicMaker = argv[++i];
    } else {
      usage = false;
    }
  }
  if (!usage) {
    std::fprintf(stderr, "usage: make_sample_data OUT [--make-font PROGRAM FONT.ttf] [--make-music PROGRAM]\n");
    return 2;
  }
  std::string error;
  if (!Kivo::WriteSampleData(argv[1], &error) || !Kivo::WriteSampleAnimations(argv[1], &error) ||
      !Kivo::WriteSampleXmlScenes(argv[1], &error) || !Kivo::WriteSampleSceneData(argv[1], &error) ||
      !Kivo::WriteSampleEffects(argv[1], &error) || !Kivo::WriteSampleMenuFiles(argv[1], &error) ||
      (!fontMaker.empty() && !Kivo::MakeSampleFonts(argv[1], fontMaker, fontFile, &error)) ||
      (!musicMaker.empty() && !MakeMusic(argv[1], musicMaker, &error))) {
    std::fprintf(stderr, "make_sample_data: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
