// Music files are read whole through the file API, so songs play from loose
// files and from archive entries alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Kivo {

// False with an error text when the file does not open, cannot be read or is
// larger than a music file may be.
bool ReadWholeMusicFile(const std::string& name, std::vector<uint8_t>& bytes, std::string& error);

// Points the music library stand-ins' file reading at ReadWholeMusicFile.
void RouteMusicFilesThroughFileApi();

}  // namespace Kivo
