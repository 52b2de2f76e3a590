// make_sample_data OUT [--make-font PROGRAM FONT.ttf]: writes the sample game
// data (text tables, settings, conversation and tutorial scripts,
// animations, the scene database, pictures, manifest and sounds) under the
// folder OUT, the same bytes on every run. With --make-font it also renders
// the manifest's six fonts by running PROGRAM (tools/make_font) on the
// TrueType file. Exit code 0 on success, 1 on a refused entry, a write
// failure or a failed font, 2 on wrong usage.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tools/sampledata/SampleAnimations.h"
#include "tools/sampledata/SampleData.h"
#include "tools/sampledata/SampleScenes.h"

namespace {

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool MakeFonts(const std::string& folder, const std::string& program, const std::string& ttf, std::string* error) {
  for (const Kivo::SampleFontSpec& font : Kivo::SampleFonts()) {
    std::error_code ec;
    std::filesystem::create_directories(folder + "/" + font.folder, ec);
    std::string command = Quoted(program) + " " + Quoted(ttf) + " " + std::to_string(font.pixels) + " " +
                          Quoted(folder + "/" + font.folder) + " >/dev/null";
    if (std::system(command.c_str()) != 0) {
      *error = "make_font failed for " + font.id;
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 5 && std::string(argv[2]) == "--make-font")) {
    std::fprintf(stderr, "usage: make_sample_data OUT [--make-font PROGRAM FONT.ttf]\n");
    return 2;
  }
  std::string error;
  if (!Kivo::WriteSampleData(argv[1], &error) || !Kivo::WriteSampleAnimations(argv[1], &error) ||
      !Kivo::WriteSampleSceneData(argv[1], &error) || (argc == 5 && !MakeFonts(argv[1], argv[3], argv[4], &error))) {
    std::fprintf(stderr, "make_sample_data: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
