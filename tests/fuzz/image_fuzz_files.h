// The image fuzz targets read their input as a file of the file API: a
// memory file of the published archive object, so the file-API input path is
// fuzzed along with the decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "resources/FileApi.h"

namespace image_fuzz {

// The published archive object, built here when the process has none.
inline Kivo::PakInterface& Files() {
  static Kivo::PakInterface* pak = [] {
    Kivo::PakInterface* shared = Kivo::GetSharedPakInterface();
    return shared ? shared : new Kivo::PakInterface;
  }();
  return *pak;
}

inline void SetFile(const std::string& name, const uint8_t* data, size_t size) {
  Files().AddMemoryFile(name, std::vector<uint8_t>(data, data + size));
}

}  // namespace image_fuzz
