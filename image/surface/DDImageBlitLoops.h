// The pixel loops of the DDImage blits, apart from the image class so the
// fast run-table loops can be checked against their plain per-pixel twins.
//
// Rectangles given here are already clipped: the destination (x, y, source
// width, source height) lies inside the target surface and the source
// rectangle inside the source.
#pragma once

#include <cstdint>

#include "image/surface/DDImagePixels.h"
#include "image/MemoryImage.h"
#include "shell/base/Color.h"
#include "shell/base/Rect.h"

namespace Kivo {

struct BlitTarget {
  SurfaceView view{DDSURFACEDESC{}};
  const int32_t* redClamp = nullptr;
  const int32_t* greenClamp = nullptr;
  const int32_t* blueClamp = nullptr;
  int32_t redShift = 0;
  int32_t greenShift = 0;
  int32_t blueShift = 0;
};

class DDInterface;
// The locked surface `desc` of `display` as a blit target.
BlitTarget TargetOf(const DDSURFACEDESC& desc, const DDInterface& display);

// A source's premultiplied native words (per pixel, or 256 entries indexed
// through indices) and its run table, rows `stride` entries apart.
struct BlitSource {
  const uint32_t* native = nullptr;
  const uint8_t* indices = nullptr;
  const uint8_t* runs = nullptr;
  int32_t stride = 0;

  uint32_t At(size_t i) const { return indices != nullptr ? native[indices[i]] : native[i]; }
};

// Raw 0xAARRGGBB pixels blended straight in (volatile sources).
void DrawVolatile(const BlitTarget& t, const SourcePixels& src, int32_t x, int32_t y, const Rect& sr,
                  bool displayIsRGB);
// Native words copied; with transparency only those with alpha above 0.
void DrawPlain(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr, bool transparent);
// Source-over by alpha runs, white or colourised; mirrored writes each row
// right to left.
void DrawBlended(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr, const Color& color,
                 bool mirrored);
// Saturating add by additive runs.
void DrawAdditive(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr, const Color& color,
                  bool mirrored);

// Plain twins: the same results, one pixel at a time without run tables.
void DrawBlendedReference(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr,
                          const Color& color, bool mirrored);
void DrawAdditiveReference(const BlitTarget& t, const BlitSource& s, int32_t x, int32_t y, const Rect& sr,
                           const Color& color, bool mirrored);

}  // namespace Kivo
