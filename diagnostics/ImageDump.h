// Screenshots and the image dump: two developer aids that write files into
// the application's data folder.
//
// A screenshot reads the display's drawing surface (the frame as drawn) and
// writes "_screenshots/image<n>.png", n one above the highest number already
// there. The dump removes "_dump", writes every live image as
// "img<nnnn>.png" with a 64 x 64 JPEG thumbnail "thumb<nnnn>.jpg", and
// "imagelist.html", a page listing them largest first with the memory each
// one's forms take.
//
// Limits: image totals are counted in 64 bits; the page's date is local
// time. An image of width or height 0 has no pixels: it keeps its row in the
// page but gets neither file.
//
// Failures are not reported: a screenshot that cannot be read writes
// nothing, a file that cannot be created is skipped, and without its folder
// the dump writes nothing at all.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Clock.h"

namespace Kivo {

class KivoAppBase;
class MemoryImage;

// The memory an image's forms take, in bytes, and which forms it has.
struct ImageCharges {
  bool hasBits = false, hasPalette = false, hasSurface = false, hasTexture = false;
  bool hasNative = false, hasAlphaRuns = false, hasAdditiveRuns = false;
  int64_t bits = 0, palette = 0, surface = 0, texture = 0, native = 0, alphaRuns = 0, additiveRuns = 0;
  uint32_t textureFormat = 0;

  int64_t Total() const { return bits + palette + surface + texture + native + alphaRuns + additiveRuns; }
  void Add(const ImageCharges& other);
};

ImageCharges ChargeImage(MemoryImage& image);

// The 64 x 64 thumbnail of a width x height image (both above 0): thumbnail
// pixel (x, y) is source pixel (trunc(w (x + 0.5)) / 64, trunc(h (y + 0.5)) / 64).
std::vector<uint32_t> MakeThumbnail(const uint32_t* pixels, int32_t width, int32_t height);

// "Thu Dec 10 12:58:44 2026": weekday, month, day right-aligned in three
// characters, time, year.
std::string FormatDumpTime(const SYSTEMTIME& time);

// Test seam: the local time the dump's page shows; empty restores the clock.
void SetDumpClock(std::function<SYSTEMTIME()> clock);

// The screenshot's number: one above the highest "image<n>.png" in folder
// (which ends in a separator), 1 when there is none.
int NextScreenshotNumber(const std::string& folder);

void SaveScreenshotOf(KivoAppBase& app);
void DumpImagesOf(KivoAppBase& app);

}  // namespace Kivo
