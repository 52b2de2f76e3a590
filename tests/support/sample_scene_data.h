// The sample scene data (the scene database, the manifest, every picture
// and sound) for the suites that read the game's files back. Writing it
// draws every procedural picture, seconds of work in a sanitized build, so
// each test program writes it once into a folder of its own and every test
// gets a copy in its own folder: the builder's output is the same on every
// call (its own test holds it to that), and no test sees another's changes.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include "tests/support/temp_folder.h"
#include "tools/sampledata/SampleScenes.h"

inline bool CopySampleSceneData(const std::string& folder, std::string* error) {
  static TempFolder written("kivo-scene-data");
  static std::string writeError;
  static const bool ok = !written.path().empty() && Kivo::WriteSampleSceneData(written.path(), &writeError);
  if (!ok) {
    if (error != nullptr) *error = writeError.empty() ? "no folder for the sample scene data" : writeError;
    return false;
  }
  std::error_code ec;
  std::filesystem::copy(written.path(), folder,
                        std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing,
                        ec);
  if (ec) {
    if (error != nullptr) *error = "the sample scene data could not be copied to " + folder + ": " + ec.message();
    return false;
  }
  return true;
}
