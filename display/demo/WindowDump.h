// Reading back what an X server shows: the framebuffer file of `Xvfb -fbdir`
// is an X window dump, and the tests of the sdl2 backend compare an area of
// it with the frame the program presented.
//
// Layer: display/demo; it uses nothing but the standard library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Kivo {

// The area (x0, y0, w, h) of an X window dump of 32 bits per pixel, row by
// row, each pixel as 0xFFRRGGBB. A dump that is short, of another depth or
// whose rows do not hold the lines it declares, and an area not wholly
// inside it, are refused with the reason in *error.
bool ReadWindowDumpArea(const std::string& path, int x0, int y0, int w, int h, std::vector<uint32_t>* out,
                        std::string* error);

}  // namespace Kivo
