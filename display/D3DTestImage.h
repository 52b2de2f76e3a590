// Small tools of the 3D capability test, kept apart from the image classes
// it is meant to judge: a plain buffer of 0xAARRGGBB pixels, its upload into
// a 64 x 64 test texture (A8R8G8B8 or A4R4G4B4) and its drawing as textured
// quads, the read-back of a 16- or 32-bit surface, and the comparisons that
// count pixels that are off (squared RGB distance above 768).
//
// Nothing clips: every operation expects its rectangle inside the image.
// Failed DirectX calls throw D3DTestException with "DXError - call: error".
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/devices/D3D.h"
#include "platform/devices/DDraw.h"

namespace Kivo {

class D3DTestException : public std::runtime_error {
 public:
  explicit D3DTestException(const std::string& message) : std::runtime_error(message) {}
};

// Throws D3DTestException("DXError - callName: error name") for a failure.
void D3DTestCheck(HRESULT result, const char* callName);

// True when the test textures are A8R8G8B8, false for A4R4G4B4.
extern bool gTestTextures8888;

class D3DTestImage {
 public:
  D3DTestImage() = default;
  D3DTestImage(int32_t w, int32_t h) { Create(w, h); }
  virtual ~D3DTestImage() = default;

  std::unique_ptr<uint32_t[]> pixels;
  int32_t width = 0;
  int32_t height = 0;

  void Create(int32_t w, int32_t h);
  void Free();
  uint32_t& At(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
  void FillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour);
  // Odd columns opaque white, even columns opaque black.
  void FillColumns();
  void CopyToTexture8888(IDirectDrawSurface7* texture, int32_t x, int32_t y, int32_t w, int32_t h);
  void CopyToTexture4444(IDirectDrawSurface7* texture, int32_t x, int32_t y, int32_t w, int32_t h);
  void DrawAsTexture(IDirect3DDevice7* device, IDirectDrawSurface7* texture, float x, float y, int32_t sourceX,
                     int32_t sourceY, int32_t w, int32_t h, uint32_t colour);
  void DrawTiled(IDirect3DDevice7* device, IDirectDrawSurface7* texture, int32_t x, int32_t y, uint32_t colour);
  // Counts pixels of the top-left w x h that are off from expected; returns
  // whether that region is uniform.
  bool CountOff(uint32_t expected, int32_t& count, int32_t w, int32_t h) const;
  // Pixels of the region off from the column pattern: white in odd image
  // columns, black in even ones.
  int32_t CountColumnPatternOff(int32_t w, int32_t h, int32_t x, int32_t y) const;

 private:
  void CopyToTexture(IDirectDrawSurface7* texture, int32_t x, int32_t y, int32_t w, int32_t h, bool format8888);
};

int32_t ColorDistanceSquared(uint32_t a, uint32_t b);
// Highest set bit among 31..1; 0 when none (values 0 and 1).
int32_t HighestBitIndex(uint32_t value);
void ReadSurface32(D3DTestImage& image, const DDSURFACEDESC2& desc);
void ReadSurface16(D3DTestImage& image, const DDSURFACEDESC2& desc);

}  // namespace Kivo
