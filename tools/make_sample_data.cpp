// make_sample_data OUT [--make-font PROGRAM FONT.ttf]: writes the sample game
// data (text tables, settings, conversation and tutorial scripts,
// animations, XML scenes, the strip picture, the scene database, pictures,
// manifest, sounds and particle effects) under the folder OUT, the same
// bytes on every run. With --make-font it also renders the manifest's six
// fonts by running PROGRAM (tools/make_font) on the TrueType file. Exit code
// 0 on success, 1 on a refused entry, a write
// failure or a failed font, 2 on wrong usage.
#include <cstdio>
#include <string>

#include "tools/sampledata/SampleAnimations.h"
#include "tools/sampledata/SampleData.h"
#include "tools/sampledata/SampleEffects.h"
#include "tools/sampledata/SampleMenuScenes.h"
#include "tools/sampledata/SampleXmlScenes.h"
#include "tools/sampledata/SampleScenes.h"

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 5 && std::string(argv[2]) == "--make-font")) {
    std::fprintf(stderr, "usage: make_sample_data OUT [--make-font PROGRAM FONT.ttf]\n");
    return 2;
  }
  std::string error;
  if (!Kivo::WriteSampleData(argv[1], &error) || !Kivo::WriteSampleAnimations(argv[1], &error) ||
      !Kivo::WriteSampleXmlScenes(argv[1], &error) || !Kivo::WriteSampleSceneData(argv[1], &error) ||
      !Kivo::WriteSampleEffects(argv[1], &error) || !Kivo::WriteSampleMenuFiles(argv[1], &error) ||
      (argc == 5 && !Kivo::MakeSampleFonts(argv[1], argv[3], argv[4], &error))) {
    std::fprintf(stderr, "make_sample_data: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
