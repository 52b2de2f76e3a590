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
// The surfaces a board lies on, each with its own texture.
enum class Surface {
  kWood,       // planks with grain, knots and seams
  kFelt,       // a fine woven cloth
  kStone,      // a wall of bricks in a running bond
  kWater,      // deep water with light ripples, rays, weeds and sand
  kNight,      // a starry sky over dark hills
  kMetal,      // brushed steel panels with rivets
  kParchment,  // blotched paper with darker edges
};

// A width x height backdrop of the surface in the colour's tones, lit from
// the top left and darker toward its corners; seed varies the texture.
ImageLib::Image SurfaceBackdrop(int width, int height, Surface surface, uint32_t rgb, int seed);
// A soft ring of light of the colour in a size x size picture, clear in the
// middle and outside: a place or a target that glows.
ImageLib::Image GlowRing(int size, uint32_t rgb);
// An arrow pointing down, of the colour with a dark rim, transparent around.
ImageLib::Image ArrowDown(int width, int height, uint32_t rgb);
// Draws picture over target with its top left at (left, top), mixing by
// the picture's alpha (what shows through a clear part of target stays
// clear); parts outside target are left out.
void Paint(ImageLib::Image& target, const ImageLib::Image& picture, int left, int top);
// The colour a fraction t of the way from a to b (0xRRGGBB).
uint32_t Mix(uint32_t a, uint32_t b, float t);
// Smooth noise of the seed at (x, y), 0..1, varying over about scale pixels.
float Noise(int seed, float x, float y, float scale);

// A record of the type placed on the rectangle with its picture key.
DtmRecord PictureRecord(const std::string& name, uint32_t type, float left, float top, float width, float height,
                        const std::string& imageKey);

}  // namespace levelpics
}  // namespace Kivo
