// Procedural pictures the sample levels of the finding, quest, fuse-tile and
// dusk kinds share: a tinted landscape backdrop, filled shapes with a dark
// rim, and the small pointer, glitter and plate pictures.
#pragma once

#include <cstdint>
#include <string>

#include "resources/ImageLib.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {
namespace levelpics {

enum class Shape { kDisc, kSquare, kDiamond, kTriangle, kRing, kStar };

// A landscape: sky with clouds and a glowing sun, far hills in the haze,
// a near hill of textured grass with trees and a house; seed varies the
// hills, the clouds, the trees and the house's place.
ImageLib::Image Backdrop(int width, int height, uint32_t sky, uint32_t ground, int seed);
// A shape of the colour filling a size x size picture, transparent around
// it, with a darker rim; always opaque at the centre.
ImageLib::Image ShapePicture(Shape shape, int size, uint32_t rgb);
// A record of the type placed on the rectangle with its picture key.
DtmRecord PictureRecord(const std::string& name, uint32_t type, float left, float top, float width, float height,
                        const std::string& imageKey);

}  // namespace levelpics
}  // namespace Kivo
